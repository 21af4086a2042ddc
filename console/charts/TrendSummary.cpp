// Plain-text and CSV forms of a search's totals.
#include "TrendSummary.h"

#include "SpreadsheetExport.h"

#include <algorithm>

namespace vesk {

namespace {

constexpr qsizetype NumberWidth = 10;

QString row(const QString &name, qsizetype width, qint64 pages, qint64 jobs)
{
    return QStringLiteral("  ") + name.leftJustified(width) +
           QString::number(pages).rightJustified(NumberWidth) +
           QString::number(jobs).rightJustified(NumberWidth) + u'\n';
}

} // namespace

QString TrendSummaryText(const TrendData &data, const LangLookup &lang)
{
    const QString pages = lang(QStringLiteral("RSChartPages"));
    const QString jobs = lang(QStringLiteral("RSChartJobs"));
    const QString total = lang(QStringLiteral("RSChartTotal"));
    qsizetype width = total.size();
    for (const auto &totals : data.totals)
        for (const TrendTotal &t : totals)
            width = std::max(width, t.name.size());
    width += 2;

    QString out;
    for (int g = 0; g < TrendGroupCount; ++g) {
        out += lang(TrendGroupTitleKey(TrendGroup(g))).leftJustified(width + 2) +
               pages.rightJustified(NumberWidth) + jobs.rightJustified(NumberWidth) + u'\n';
        for (const TrendTotal &t : data.totals[g])
            out += row(t.name, width, t.pages, t.jobs);
        out += u'\n';
    }
    out += total.leftJustified(width + 2) +
           QString::number(data.pages).rightJustified(NumberWidth) +
           QString::number(data.jobs).rightJustified(NumberWidth) + u'\n';
    return out;
}

QString TrendSummaryCsv(const TrendData &data, const LangLookup &lang)
{
    const QString crlf = QStringLiteral("\r\n");
    QString out = CsvField(lang(QStringLiteral("RSChartGroup"))) + u',' +
                  CsvField(lang(QStringLiteral("RSChartName"))) + u',' +
                  CsvField(lang(QStringLiteral("RSChartPages"))) + u',' +
                  CsvField(lang(QStringLiteral("RSChartJobs"))) + crlf;
    for (int g = 0; g < TrendGroupCount; ++g) {
        const QString title = CsvField(lang(TrendGroupTitleKey(TrendGroup(g))));
        for (const TrendTotal &t : data.totals[g])
            out += title + u',' + CsvField(t.name) + u',' + QString::number(t.pages) + u',' +
                   QString::number(t.jobs) + crlf;
    }
    return out;
}

} // namespace vesk
