#include "OverviewPage.h"

#include "BudgetPiece.h"
#include "Database.h"
#include "Money.h"
#include "TrendData.h"
#include "TrendSvg.h"

namespace vesk::web {

namespace {

// Amounts in [Cost] Currency, as the page's language writes them.
QString money(qint64 minor, const PageContext &c)
{
    return FormatMoney(minor, c.currency, MoneyLocale(c.langCode));
}

QString totalsTable(const std::vector<TrendTotal> &totals, const QString &title,
                    const PageContext &c)
{
    const LangLookup &lang = c.lang;
    QString t = QStringLiteral("<h2>") + HtmlEscape(title) +
                QStringLiteral("</h2><div class=\"scroll\"><table><tr><th>") +
                HtmlEscape(lang(QStringLiteral("RSChartName"))) + QStringLiteral("</th><th>") +
                HtmlEscape(lang(QStringLiteral("RSChartPages"))) + QStringLiteral("</th><th>") +
                HtmlEscape(lang(QStringLiteral("RSChartJobs"))) + QStringLiteral("</th><th>") +
                HtmlEscape(lang(QStringLiteral("RSChartCost"))) + QStringLiteral("</th></tr>");
    for (const TrendTotal &row : totals)
        t += QStringLiteral("<tr>") + Cell(row.name) + Cell(Number(row.pages)) +
             Cell(Number(row.jobs)) + Cell(money(row.cost, c)) + QStringLiteral("</tr>");
    return t + QStringLiteral("</table></div>");
}

QString share(qint64 part, qint64 whole)
{
    return whole <= 0 ? QStringLiteral("-")
                      : QString::number(100.0 * double(part) / double(whole), 'f', 1) + u'%';
}

} // namespace

Response OverviewPage(const Request &r, const QSqlDatabase &db, const PageContext &c)
{
    const LangLookup &lang = c.lang;
    const QDate day = c.today;
    QString period = r.query.value(QStringLiteral("period"), QStringLiteral("month"));
    QDate from, to = day;
    if (period == u"month") {
        from = QDate(day.year(), day.month(), 1);
    } else if (period == u"lastmonth") {
        from = QDate(day.year(), day.month(), 1).addMonths(-1);
        to = from.addMonths(1).addDays(-1);
    } else if (period == u"year") {
        from = QDate(day.year(), 1, 1);
    } else if (period == u"range") {
        const auto f = DateParam(r.query, "from", QDate(day.year(), day.month(), 1));
        const auto t = DateParam(r.query, "to", day);
        if (!f || !t)
            return ErrorPage(400, lang);
        from = *f;
        to = *t;
    } else {
        return ErrorPage(400, lang);
    }
    PrinterDataCriteria criteria;
    criteria.begin = from;
    criteria.end = to;
    criteria.throughEndDay = true;
    const SearchStatement search = PrinterDataSearch(criteria);
    const QString scope = ScopeClause(c.scope, engineOf(db));
    TrendSearch trendSearch{search.filter + scope, search.totals};
    if (trendSearch.totals) {
        trendSearch.totals->deptClause += scope;
        if (!c.scope.all)
            trendSearch.totals->depts = c.scope.depts;
    }

    // The figures come from the kept totals, days and top lists alike.
    QString why;
    TrendData trend;
    if (!ReadTrendData(db, trendSearch, 10, trend, &why, TrendFigures::WithJobFigures))
        return FailedPage(why, lang);

    const QString fromText = from.toString(Qt::ISODate), toText = to.toString(Qt::ISODate);
    QString body =
        QStringLiteral("<form class=\"search\" method=\"get\" action=\"/overview\">") +
        DeptSelect(c) + QStringLiteral("<label>") +
        HtmlEscape(lang(QStringLiteral("RSWebPeriod"))) +
        QStringLiteral("<select name=\"period\">") +
        Option(QStringLiteral("month"), period, lang(QStringLiteral("RSWebThisMonth"))) +
        Option(QStringLiteral("lastmonth"), period, lang(QStringLiteral("RSWebLastMonth"))) +
        Option(QStringLiteral("year"), period, lang(QStringLiteral("RSWebThisYear"))) +
        Option(QStringLiteral("range"), period, lang(QStringLiteral("RSWebRange"))) +
        QStringLiteral("</select></label>") +
        Input(lang(QStringLiteral("RSWebFrom")), "from", fromText, "date") +
        Input(lang(QStringLiteral("RSTo")), "to", toText, "date") + QStringLiteral("<button>") +
        HtmlEscape(lang(QStringLiteral("RSWebShow"))) + QStringLiteral("</button></form>");
    body += QStringLiteral("<p>") + HtmlEscape(fromText) + QStringLiteral(" &ndash; ") +
            HtmlEscape(toText) + QStringLiteral("</p><div class=\"figures\">");
    const auto figure = [&](const char *key, const QString &value) {
        body += QStringLiteral("<div>") + HtmlEscape(lang(QLatin1String(key))) +
                QStringLiteral("<b>") + HtmlEscape(value) + QStringLiteral("</b></div>");
    };
    figure("RSChartPages", Number(trend.pages));
    figure("RSChartCost", money(trend.cost, c));
    figure("RSChartJobs", Number(trend.jobs));
    figure("RSPagesPrinted", Number(trend.pagesPrinted));
    figure("RSWebColorShare", share(trend.colourJobs, trend.jobs));
    figure("RSWebDuplexShare", share(trend.duplexJobs, trend.jobs));
    figure("RSJobCancelled", Number(trend.cancelledJobs));
    figure("RSJobAborted", Number(trend.abortedJobs));
    body += QStringLiteral("</div>") + TrendSvg(trend, lang);
    const std::optional<QString> budgets = BudgetPiece(db, c, &why);
    if (!budgets)
        return FailedPage(why, lang);
    body += *budgets;
    if (c.scope.all || c.scope.depts.size() > 1)
        body += totalsTable(trend.totals[TrendDept], lang(QStringLiteral("RSChartTopDept")), c);
    body += totalsTable(trend.totals[TrendPrinter], lang(QStringLiteral("RSChartTopPrinter")), c);
    body += totalsTable(trend.totals[TrendHost], lang(QStringLiteral("RSChartTopHost")), c);
    body += totalsTable(trend.totals[TrendEmployee], lang(QStringLiteral("RSChartTopEm")), c);
    body += QStringLiteral("<p><a href=\"/history") +
            HtmlEscape(QueryOf({{QStringLiteral("dept"), c.dept},
                                {QStringLiteral("from"), fromText},
                                {QStringLiteral("to"), toText}})) +
            QStringLiteral("\">") + HtmlEscape(lang(QStringLiteral("RSWebHistory"))) +
            QStringLiteral("</a></p>");
    Response out;
    out.body = PageHtml(c, lang(QStringLiteral("RSWebOverview")), body).toUtf8();
    return out;
}

} // namespace vesk::web
