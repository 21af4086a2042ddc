// The computer directory search statement, built piece by piece.
#include "HostSearch.h"

#include "SqlText.h"

namespace vesk {

namespace {

void appendLike(QString &filter, const QString &prefix, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (!trimmed.isEmpty())
        filter += prefix + QuotedStr(u'%' + trimmed + u'%');
}

} // namespace

QString HostAllStatement()
{
    return QStringLiteral("select * from tHost");
}

SearchStatement HostSearch(const HostCriteria &c)
{
    QString filter;
    appendLike(filter, QStringLiteral(" AND hostName like "), c.host);
    appendLike(filter, QStringLiteral(" AND DeptName like "), c.dept);
    appendLike(filter, QStringLiteral(" AND EmName like "), c.em);
    appendLike(filter, QStringLiteral(" AND IP like "), c.ip);
    appendLike(filter, QStringLiteral(" AND Tel like "), c.tel);
    appendLike(filter, QStringLiteral(" AND tNetGroup like "), c.net);
    if (!filter.isEmpty())
        filter = QStringLiteral(" where ") + filter.mid(4);
    return {QStringLiteral("select * from tHost ") + filter, filter};
}

} // namespace vesk
