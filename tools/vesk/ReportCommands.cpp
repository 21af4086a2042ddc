// vesk report, vesk export: the console's grouped report as PDF and its spreadsheet export,
// for cron or a systemd timer on a server without a display.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "GroupedReport.h"
#include "HostSearch.h"
#include "PrinterDataSearch.h"
#include "SpreadsheetExport.h"

#include <QDate>

#include <optional>

namespace vesk::cli {

namespace {

int usage(CommandContext &c, ArgList &args, const QString &text)
{
    c.err() << "vesk: " << (args.error().isEmpty() ? text : args.error()) << Qt::endl;
    return ExitUsage;
}

// What both subcommands read: the table, its search filter and the output file.
struct Selection
{
    ReportTable table = ReportTable::PrinterData;
    QString filter;
    QString file;
};

QString hostFilter(ArgList &args)
{
    HostCriteria criteria;
    criteria.host = args.takeOption(QStringLiteral("--computer")).value_or(QString());
    criteria.dept = args.takeOption(QStringLiteral("--dept")).value_or(QString());
    criteria.ip = args.takeOption(QStringLiteral("--ip")).value_or(QString());
    criteria.em = args.takeOption(QStringLiteral("--employee")).value_or(QString());
    criteria.net = args.takeOption(QStringLiteral("--workgroup")).value_or(QString());
    criteria.tel = args.takeOption(QStringLiteral("--phone")).value_or(QString());
    return HostSearch(criteria).filter;
}

// Reads "history|hosts" (the first argument), the filters and -o FILE; the caller has taken its
// own options.
std::optional<Selection> select(CommandContext &c, ArgList &args, int *status)
{
    const QStringList all = args.remaining();
    const QString records = all.isEmpty() ? QString() : all.first();
    if (records != u"history" && records != u"hosts") {
        *status = usage(c, args, QStringLiteral("name the records first: history or hosts"));
        return std::nullopt;
    }
    Selection s;
    s.table = records == u"history" ? ReportTable::PrinterData : ReportTable::Host;
    std::optional<QString> file = args.takeOption(QStringLiteral("-o"));
    if (!file)
        file = args.takeOption(QStringLiteral("--output"));
    QString problem;
    // An option of the other table's search is left over and refused as unknown.
    const std::optional<QString> filter =
        s.table == ReportTable::PrinterData ? historyFilter(args, &problem) : hostFilter(args);
    const QStringList words = args.positional();
    if (!args.error().isEmpty() || !problem.isEmpty()) {
        *status = usage(c, args, problem);
        return std::nullopt;
    }
    if (words.size() != 1) {
        *status = usage(c, args, QStringLiteral("unexpected argument ") + words.value(1));
        return std::nullopt;
    }
    if (!file || file->isEmpty()) {
        *status = usage(c, args, QStringLiteral("name the output file with -o FILE"));
        return std::nullopt;
    }
    s.filter = filter.value_or(QString());
    s.file = *file;
    return s;
}

// --group-by's words and the columns they name.
std::optional<QString> groupColumn(ReportTable table, const QString &word)
{
    static const struct
    {
        const char *word;
        const char *column;
    } words[] = {{"dept", "DeptName"},
                 {"host", "HostName"},
                 {"employee", "EmName"},
                 {"printer", "PrinterName"},
                 {"workgroup", "tNetGroup"}};
    for (const auto &w : words) {
        if (word == QLatin1String(w.word))
            return FindReportGroupColumn(table, QLatin1String(w.column));
    }
    return std::nullopt;
}

int report(CommandContext &c, ArgList &args)
{
    if (args.takeFlag(QStringLiteral("--chart")))
        return reportChart(c, args);
    const std::optional<QString> groupBy = args.takeOption(QStringLiteral("--group-by"));
    int status = ExitOk;
    const std::optional<Selection> s = select(c, args, &status);
    if (!s)
        return status;
    const std::optional<QString> group =
        groupBy ? groupColumn(s->table, *groupBy) : std::optional<QString>();
    if (!group)
        return usage(c, args,
                     s->table == ReportTable::PrinterData
                         ? QStringLiteral("--group-by dept, host, employee or printer")
                         : QStringLiteral("--group-by dept, host, employee or workgroup"));

    const LangLookup lang = [&c](const QString &key) { return c.lang(key); };
    QString error;
    ReportLayout layout;
    if (!LoadReportLayout(c.dm().acntVesk.database(), s->table, *group, lang, layout, &error))
        return c.fail(error);
    layout.currency = ReadCurrency(c.dm().AppDir());
    GroupedReport r(std::move(layout));
    if (!r.read(c.dm().acntVesk.database(), s->filter, &error) ||
        !WriteReportPdf(r, s->file, &error))
        return c.fail(error);
    return ExitOk;
}

int exportRecords(CommandContext &c, ArgList &args)
{
    int status = ExitOk;
    const std::optional<Selection> s = select(c, args, &status);
    if (!s)
        return status;
    const LangLookup lang = [&c](const QString &key) { return c.lang(key); };
    QString error;
    if (!ExportRecords(c.dm().acntVesk.database(), s->table, s->filter,
                       ExportColumns(s->table, lang, ReadCurrency(c.dm().AppDir())), s->file,
                       ExportFormatOf(s->file), &error))
        return c.fail(error);
    return ExitOk;
}

const QString FilterHelp = QStringLiteral(
    "Filters are the search fields of the console's view:\n"
    "  history: --from DATE --to DATE (yyyy-mm-dd; both days included whole: --from from its\n"
    "           midnight, --to up to the midnight that ends it; without --to through today)\n"
    "           --computer P --printer P --dept P --employee P\n"
    "           --outcome printed|cancelled|aborted --color yes|no --duplex yes|no\n"
    "  hosts:   --computer P --dept P --ip P --employee P --workgroup P --phone P\n"
    "A pattern matches anywhere in the field, letter case ignored. Without filters every row.\n"
    "The file is written under a temporary name and renamed at the end: a failure leaves no\n"
    "file and an existing one unchanged. An existing file you may not write is refused; a\n"
    "symbolic link is written through.");

} // namespace

std::optional<QString> historyFilter(ArgList &args, QString *problem)
{
    const std::optional<SearchStatement> search = historySearch(args, problem);
    if (!search)
        return std::nullopt;
    return search->filter;
}

std::optional<SearchStatement> historySearch(ArgList &args, QString *problem)
{
    const std::optional<QString> from = args.takeOption(QStringLiteral("--from"));
    const std::optional<QString> to = args.takeOption(QStringLiteral("--to"));
    PrinterDataCriteria criteria;
    criteria.host = args.takeOption(QStringLiteral("--computer")).value_or(QString());
    criteria.printer = args.takeOption(QStringLiteral("--printer")).value_or(QString());
    criteria.dept = args.takeOption(QStringLiteral("--dept")).value_or(QString());
    criteria.em = args.takeOption(QStringLiteral("--employee")).value_or(QString());
    const auto date = [problem](const std::optional<QString> &text, const QDate &fallback) {
        if (!text)
            return fallback;
        const QDate d = QDate::fromString(*text, QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid())
            *problem = QStringLiteral("not a date (yyyy-mm-dd): ") + *text;
        return d;
    };
    criteria.begin = date(from, QDate(1900, 1, 1));
    criteria.end = date(to, QDate::currentDate());
    criteria.throughEndDay = true;
    // The job conditions: a word each, refused when it is none of the known ones.
    const auto word = [&](const char *option, auto parse, auto &slot, const char *words) {
        const std::optional<QString> text = args.takeOption(QLatin1String(option));
        if (!text)
            return;
        slot = parse(*text);
        if (!slot && problem->isEmpty())
            *problem = QLatin1String(option) + QStringLiteral(" takes ") + QLatin1String(words) +
                       QStringLiteral(": ") + *text;
    };
    word("--outcome", JobOutcomeFromWord, criteria.job.outcome, "printed, cancelled or aborted");
    word("--color", YesNoFromWord, criteria.job.color, "yes or no");
    word("--duplex", YesNoFromWord, criteria.job.duplex, "yes or no");
    if (!problem->isEmpty())
        return std::nullopt;
    if (!from && !to && criteria.host.trimmed().isEmpty() && criteria.printer.trimmed().isEmpty() &&
        criteria.dept.trimmed().isEmpty() && criteria.em.trimmed().isEmpty() &&
        criteria.job.empty())
        return SearchStatement{QString(), QString(), TotalsSearch()};
    return PrinterDataSearch(criteria);
}

void registerReportCommands(CommandRegistry &registry)
{
    registry.add({QStringLiteral("report"),
                  {},
                  QStringLiteral("history|hosts --group-by dept|host|employee|printer|workgroup "
                                 "[filters] -o FILE.pdf | --chart [--measure pages|cost] "
                                 "[filters] -o FILE.png"),
                  QStringLiteral("write the console's grouped report as a PDF file"),
                  QStringLiteral("The report of the console's print button: columns, widths and "
                                 "order from the column settings, one group line per value of "
                                 "the group column (workgroup: hosts only).\n"
                                 "--chart writes the console's trend chart of the history search "
                                 "as a PNG picture instead; --measure cost draws the cost per "
                                 "day, week or month and the top lists by cost, in [Cost] "
                                 "Currency (default: pages).\n") +
                      FilterHelp,
                  report,
                  /*needsDatabase=*/true,
                  /*needsGui=*/true});
    registry.add({QStringLiteral("export"),
                  {},
                  QStringLiteral("history|hosts [filters] -o FILE.xlsx|FILE.csv"),
                  QStringLiteral("export the records as a workbook or CSV file"),
                  QStringLiteral("The workbook of the console's export button; a name ending in "
                                 ".csv gives UTF-8 CSV with a byte-order mark and the same "
                                 "headings.\n") +
                      FilterHelp,
                  exportRecords});
}

} // namespace vesk::cli
