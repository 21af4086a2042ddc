// The computer directory search statement, built piece by piece.
#include "HostSearch.h"

namespace vesk {

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
    return {QStringLiteral("select * from tHost ") + filter, filter, {}};
}

} // namespace vesk
