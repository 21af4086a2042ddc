// Plain-text and CSV forms of a search's totals.
#include "TrendSummary.h"

#include "SpreadsheetExport.h"

#include <algorithm>

namespace vesk {

namespace {

constexpr qsizetype NumberWidth = 10;
constexpr qsizetype MoneyWidth = 18;

// One line: the name padded to `width`, then pages, jobs and cost right-aligned.
QString line(const QString &name, qsizetype width, const QString &pages, const QString &jobs,
             const QString &cost)
{
    return name.leftJustified(width) + pages.rightJustified(NumberWidth) +
           jobs.rightJustified(NumberWidth) + cost.rightJustified(MoneyWidth) + u'\n';
}

} // namespace

QString TrendSummaryText(const TrendData &data, const LangLookup &lang, const Currency &currency)
{
    const QLocale locale = MoneyLocale(QString());
    const auto money = [&](qint64 minor) { return FormatMoney(minor, currency, locale); };
    const QString costTitle = lang(QStringLiteral("RSChartCost"));
    const QString pages = lang(QStringLiteral("RSChartPages"));
    const QString jobs = lang(QStringLiteral("RSChartJobs"));
    const QString total = lang(QStringLiteral("RSChartTotal"));
    const QString indent = QStringLiteral("  ");
    qsizetype width = total.size();
    for (int g = 0; g < TrendGroupCount; ++g) {
        width = std::max(width, lang(TrendGroupTitleKey(TrendGroup(g))).size());
        for (const TrendTotal &t : data.totals[g])
            width = std::max(width, indent.size() + t.name.size());
    }
    width += 2;

    QString out;
    for (int g = 0; g < TrendGroupCount; ++g) {
        out += line(lang(TrendGroupTitleKey(TrendGroup(g))), width, pages, jobs, costTitle);
        for (const TrendTotal &t : data.totals[g])
            out += line(indent + t.name, width, QString::number(t.pages), QString::number(t.jobs),
                        money(t.cost));
        out += u'\n';
    }
    qint64 cost = 0;
    for (const TrendTotal &t : data.totals[TrendDept])
        cost += t.cost;
    out += line(total, width, QString::number(data.pages), QString::number(data.jobs), money(cost));
    return out;
}

QString TrendSummaryCsv(const TrendData &data, const LangLookup &lang, const Currency &currency)
{
    const QString crlf = QStringLiteral("\r\n");
    QString out = CsvField(lang(QStringLiteral("RSChartGroup"))) + u',' +
                  CsvField(lang(QStringLiteral("RSChartName"))) + u',' +
                  CsvField(lang(QStringLiteral("RSChartPages"))) + u',' +
                  CsvField(lang(QStringLiteral("RSChartJobs"))) + u',' +
                  CsvField(lang(QStringLiteral("RSChartCost"))) + crlf;
    for (int g = 0; g < TrendGroupCount; ++g) {
        const QString title = CsvField(lang(TrendGroupTitleKey(TrendGroup(g))));
        for (const TrendTotal &t : data.totals[g])
            // Names come from print jobs (a user titles their own job): never a formula.
            out += title + u',' + CsvTextField(t.name) + u',' + QString::number(t.pages) + u',' +
                   QString::number(t.jobs) + u',' + PlainMoney(t.cost, currency) + crlf;
    }
    return out;
}

} // namespace vesk
