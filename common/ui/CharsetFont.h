// Fonts that follow the [Font] Charset of Config.ini.
#pragma once

#include <QFont>
#include <QFontDatabase>

namespace vesk {

// The writing system a Windows character-set number stands for: 134 Simplified Chinese,
// 136 Traditional Chinese, 128 Japanese, 129 Korean; anything else Latin (no preference).
QFontDatabase::WritingSystem writingSystemForCharset(int charset);

// `font` with a family of the charset's writing system as its first fallback, so that texts of
// that language take the glyph shapes the site expects. Charsets without a writing system of
// their own, or a machine without such a font, leave only the font's own family.
QFont fontWithCharset(QFont font, int charset);

} // namespace vesk
