// The quoting helper used by every statement built as text.
#include "SqlText.h"

namespace vesk {

QString QuotedStr(const QString &value)
{
    QString out;
    out.reserve(value.size() + 2);
    out += u'\'';
    for (QChar c : value) {
        if (c == u'\'')
            out += u'\'';
        out += c;
    }
    out += u'\'';
    return out;
}

} // namespace vesk
