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
    SearchStatement s{QStringLiteral("select * from tPrinterData ") + filter, filter, {}};
    // The totals hold the time and the department; a condition on anything else reads records.
    if (c.host.trimmed().isEmpty() && c.printer.trimmed().isEmpty() && c.em.trimmed().isEmpty() &&
        c.job.empty()) {
        TotalsSearch t;
        t.from = QDateTime(c.begin, QTime(0, 0));
        t.to = QDateTime(c.throughEndDay ? c.end.addDays(1) : c.end, QTime(0, 0));
        t.toIncluded = !c.throughEndDay;
        appendLike(t.deptClause, QStringLiteral(" AND DeptName like "), c.dept);
        s.totals = t;
    }
    return s;
}

} // namespace vesk
