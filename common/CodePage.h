// Decoding of 8-bit INI texts by the Windows character-set number of [Font] Charset.
#pragma once

#include <QByteArray>
#include <QString>

namespace vesk {

// The iconv name of the code page that a Windows character-set number stands for:
// 0 (ANSI) CP1252, 134 GBK, 136 BIG5, 128 SHIFT_JIS, 129 CP949; unknown numbers fall back to
// CP1252.
const char *codePageForCharset(int charset);

// Decodes bytes from the code page of `charset`. A UTF-8 byte-order mark wins over the
// charset. Bytes the code page cannot map become U+FFFD; decoding never fails.
QString decodeCodePage(const QByteArray &bytes, int charset);

// Encodes `text` in the code page of `charset`, without a byte-order mark. A character the
// code page lacks becomes '?'.
QByteArray encodeCodePage(const QString &text, int charset);

// The length of `text` in bytes of the code page of `charset`: what older layouts counted as
// its characters (a Chinese character is two). Characters the code page lacks count as one.
int codePageLength(const QString &text, int charset);

} // namespace vesk
