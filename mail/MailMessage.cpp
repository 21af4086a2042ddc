#include "MailMessage.h"

#include <QList>

namespace vesk {

QByteArray HeaderText(const QString &value)
{
    QString clean;
    clean.reserve(value.size());
    bool plain = true;
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || u == 0x85 || u == 0x2028 || u == 0x2029) {
            clean += u' ';
        } else {
            clean += c;
            plain = plain && u < 0x80;
        }
    }
    clean = clean.simplified();
    if (plain && !clean.contains(QStringLiteral("=?")))
        return clean.toLatin1();
    // Each word holds at most 45 bytes of UTF-8 (60 in base64, 72 with its markers), split only
    // between whole characters.
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        qsizetype n = clean.at(i).isHighSurrogate() && i + 1 < clean.size() ? 2 : 1;
        const QByteArray bytes = clean.mid(i, n).toUtf8();
        i += n - 1;
        if (chunk.size() + bytes.size() > 45) {
            words << chunk;
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty())
        words << chunk;
    QByteArray out;
    for (const QByteArray &w : words) {
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + w.toBase64() + "?=";
    }
    return out;
}

} // namespace vesk
