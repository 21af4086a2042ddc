// The condition-appending shared by the console's search statement builders.
#include "SearchStatement.h"

#include "SqlText.h"

namespace vesk {

void appendLike(QString &filter, const QString &prefix, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (!trimmed.isEmpty())
        filter += prefix + QuotedStr(u'%' + trimmed + u'%');
}

} // namespace vesk
