#include "HtmlEscape.h"

namespace vesk {

QString HtmlEscape(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') ||
                (c.unicode() >= 0x7f && c.unicode() < 0xa0))
                out += QChar(0xfffd);
            else
                out += c;
        }
    }
    return out;
}

} // namespace vesk
