// vesk summary and vesk report --chart: the figures of the console's trend chart without a display.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "TrendPicture.h"
#include "TrendSummary.h"

namespace vesk::cli {

namespace {

// The history filters and nothing else (a leading "history" is allowed, as with report); the
// search, or nothing when the usage error has been said.
std::optional<TrendSearch> chartSearch(CommandContext &c, ArgList &args, int *status)
{
    QString problem;
    const std::optional<SearchStatement> search = historySearch(args, &problem);
    QStringList words = args.positional();
    if (!words.isEmpty() && words.first() == u"history")
        words.removeFirst();
    if (!problem.isEmpty() || !args.error().isEmpty() || !words.isEmpty()) {
        c.err() << "vesk: "
                << (!problem.isEmpty() ? problem
                    : !args.error().isEmpty()
                        ? args.error()
                        : QStringLiteral("unexpected argument ") + words.first())
                << Qt::endl;
        *status = ExitUsage;
        return std::nullopt;
    }
    return TrendSearch{search->filter, search->totals};
}

int summary(CommandContext &c, ArgList &args)
{
    const bool csv = args.takeFlag(QStringLiteral("--csv"));
    int status = ExitOk;
    const std::optional<TrendSearch> search = chartSearch(c, args, &status);
    if (!search)
        return status;
    TrendData data;
    QString error;
    if (!ReadTrendData(c.dm().acntVesk.database(), *search, 0, data, &error,
                       TrendFigures::GroupsOnly))
        return c.fail(error);
    const LangLookup lang = [&c](const QString &key) { return c.lang(key); };
    const Currency currency = ReadCurrency(c.dm().AppDir());
    c.out() << (csv ? TrendSummaryCsv(data, lang, currency)
                    : TrendSummaryText(data, lang, currency));
    c.out().flush();
    return ExitOk;
}

} // namespace

int reportChart(CommandContext &c, ArgList &args)
{
    std::optional<QString> file = args.takeOption(QStringLiteral("-o"));
    if (!file)
        file = args.takeOption(QStringLiteral("--output"));
    const QString measureWord =
        args.takeOption(QStringLiteral("--measure")).value_or(QStringLiteral("pages"));
    if (measureWord != u"pages" && measureWord != u"cost") {
        c.err() << "vesk: --measure takes pages or cost, not " << measureWord << Qt::endl;
        return ExitUsage;
    }
    const TrendMeasure measure = measureWord == u"cost" ? TrendMeasure::Cost : TrendMeasure::Pages;
    int status = ExitOk;
    const std::optional<TrendSearch> search = chartSearch(c, args, &status);
    if (!search)
        return status;
    if (!file || file->isEmpty()) {
        c.err() << "vesk: name the output file with -o FILE.png" << Qt::endl;
        return ExitUsage;
    }
    TrendData data;
    QString error;
    if (!ReadTrendData(c.dm().acntVesk.database(), *search, TrendPicture::TopCount, data, &error,
                       TrendFiguresFor(measure)))
        return c.fail(error);
    TrendPicture picture(
        data, [&c](const QString &key) { return c.lang(key); }, measure,
        ReadCurrency(c.dm().AppDir()));
    if (!picture.savePng(*file, &error))
        return c.fail(error);
    return ExitOk;
}

void registerChartCommands(CommandRegistry &registry)
{
    registry.add({QStringLiteral("summary"),
                  {},
                  QStringLiteral("[filters] [--csv]"),
                  QStringLiteral("print the pages and jobs by department, printer, computer and "
                                 "employee"),
                  QStringLiteral("The totals of the console's trend chart for a history search "
                                 "(the filters of vesk report), every name, most pages first; "
                                 "--csv prints CSV: group, name, pages, jobs, cost.\n"
                                 "vesk report --chart [filters] -o FILE.png writes the chart "
                                 "itself."),
                  summary});
}

} // namespace vesk::cli
