// The print history search statement, built piece by piece.
#include "PrinterDataSearch.h"

namespace vesk {

QString PrinterDataAllStatement()
{
    return QStringLiteral("select * from tPrinterData");
}

QString PrinterDataDateText(const QDate &date)
{
    // ISO order is what CDate reads unambiguously whatever the locale.
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

SearchStatement PrinterDataSearch(const PrinterDataCriteria &c)
{
    QString filter = QStringLiteral(" where ");
    filter += QStringLiteral("PrintTime>=CDate(\"") + PrinterDataDateText(c.begin) +
              QStringLiteral("\") ");
    if (c.throughEndDay)
        filter += QStringLiteral(" AND PrintTime<CDate(\"") +
                  PrinterDataDateText(c.end.addDays(1)) + QStringLiteral("\")");
    else
        filter += QStringLiteral(" AND PrintTime<=CDate(\"") + PrinterDataDateText(c.end) +
                  QStringLiteral("\")");
    appendLike(filter, QStringLiteral(" AND hostName like "), c.host);
    appendLike(filter, QStringLiteral(" AND PrinterName like "), c.printer);
    appendLike(filter, QStringLiteral(" AND DeptName like "), c.dept);
    appendLike(filter, QStringLiteral(" AND EmName like "), c.em);
    filter += JobFilterClause(c.job);
    return {QStringLiteral("select * from tPrinterData ") + filter, filter};
}

} // namespace vesk
