// Font fallback chosen by the configured character set.
#include "CharsetFont.h"

#include <QStringList>

namespace vesk {

QFontDatabase::WritingSystem writingSystemForCharset(int charset)
{
    switch (charset) {
    case 134:
        return QFontDatabase::SimplifiedChinese;
    case 136:
        return QFontDatabase::TraditionalChinese;
    case 128:
        return QFontDatabase::Japanese;
    case 129:
        return QFontDatabase::Korean;
    default:
        return QFontDatabase::Latin;
    }
}

QFont fontWithCharset(QFont font, int charset)
{
    const QString own = font.families().value(0, font.family());
    QStringList families{own};
    const QFontDatabase::WritingSystem ws = writingSystemForCharset(charset);
    if (ws != QFontDatabase::Latin) {
        const QStringList candidates = QFontDatabase::families(ws);
        for (const QString &family : candidates) {
            // Bitmap fonts scale badly at 8 points; take the first outline font.
            if (QFontDatabase::isSmoothlyScalable(family) && family != own) {
                families << family;
                break;
            }
        }
    }
    font.setFamilies(families);
    return font;
}

} // namespace vesk
