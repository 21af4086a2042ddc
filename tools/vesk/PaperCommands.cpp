// vesk paper: paper bought per printer, the minimum stock per paper, and what is left.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "NumberArgs.h"
#include "PaperStock.h"

#include <QDate>

namespace vesk::cli {

namespace {

constexpr int ExitBelowMinimum = 3;
constexpr qint64 MaxSheets = 2147483647; // the integer columns' largest value

// A count of sheets: a whole number, not negative.
std::optional<qint64> sheetCount(CommandContext &c, const QString &text)
{
    return ParsedNumber(c, text, 0, [](const QString &t, AmountProblem *p) {
        return ParseDecimal(t, 0, MaxSheets, p);
    });
}

int paperBuy(CommandContext &c, ArgList &args)
{
    const std::optional<QString> paper = args.takeOption(QStringLiteral("--paper"));
    const std::optional<QString> pages = args.takeOption(QStringLiteral("--pages"));
    const std::optional<QString> money = args.takeOption(QStringLiteral("--money"));
    const std::optional<QString> date = args.takeOption(QStringLiteral("--date"));
    const std::optional<QStringList> printer = takePositional(c, args, 1, 1);
    if (!printer)
        return ExitUsage;
    if (!paper || !pages || !money || paper->trimmed().isEmpty()) {
        c.err() << "vesk: paper buy needs --paper, --pages and --money" << Qt::endl;
        return ExitUsage;
    }
    PaperPurchase p;
    p.printer = printer->first();
    p.paper = *paper;
    p.bought = QDate::currentDate();
    if (date) {
        p.bought = QDate::fromString(*date, QStringLiteral("yyyy-MM-dd"));
        if (!p.bought.isValid())
            return c.fail(QStringLiteral("not a date (YYYY-MM-DD): ") + *date);
    }
    const std::optional<qint64> sheets = sheetCount(c, *pages);
    if (!sheets)
        return ExitFailed;
    p.sheets = *sheets;
    const std::optional<qint64> paid = ParsedAmount(c, *money, ReadCurrency(c.dm().AppDir()));
    if (!paid)
        return ExitFailed;
    p.money = *paid;
    QString error;
    bool unknown = false;
    if (!PaperStock(c.dm().acntVesk.database()).buy(p, &error, &unknown))
        return c.fail(unknown ? c.langFilled(QStringLiteral("RSPrinterNotExist"), p.printer)
                              : error);
    return ExitOk;
}

int paperMinimum(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> words = takePositional(c, args, 2, 2);
    if (!words)
        return ExitUsage;
    const std::optional<qint64> sheets = sheetCount(c, words->at(1));
    if (!sheets)
        return ExitFailed;
    QString error;
    if (!PaperStock(c.dm().acntVesk.database()).setMinimum(words->at(0), *sheets, &error))
        return c.fail(error);
    return ExitOk;
}

int paperStock(CommandContext &c, ArgList &args)
{
    const bool csv = args.takeFlag(QStringLiteral("--csv"));
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    QString error;
    const auto lines = PaperStock(c.dm().acntVesk.database()).stock(&error);
    if (!lines)
        return c.fail(error);
    std::vector<QStringList> rows{
        {c.lang(QStringLiteral("RSPrinterName")), c.lang(QStringLiteral("RSPageSize")),
         c.lang(QStringLiteral("RSBought")), c.lang(QStringLiteral("RSUsed")),
         c.lang(QStringLiteral("RSLeft")), c.lang(QStringLiteral("RSMinimum"))}};
    bool below = false;
    for (const StockLine &l : *lines) {
        below = below || l.below;
        rows.push_back(
            {l.printer, l.paper, QString::number(l.bought), QString::number(l.used),
             QString::number(l.left) + (l.below && !csv ? QStringLiteral(" !") : QString()),
             l.minimum ? QString::number(*l.minimum) : QString()});
    }
    if (csv) {
        c.out() << csvRows(rows);
    } else {
        for (const QStringList &r : rows)
            c.out() << r.join(u'\t') << u'\n';
    }
    c.out().flush();
    return below ? ExitBelowMinimum : ExitOk;
}

} // namespace

void registerPaperCommands(CommandRegistry &registry)
{
    const QString group = QStringLiteral("paper");
    registry.add({group, QStringLiteral("buy"),
                  QStringLiteral("PRINTER --paper P --pages N --money A [--date YYYY-MM-DD]"),
                  QStringLiteral("record paper bought for a printer"),
                  QStringLiteral("N sheets of paper P for A in the currency of [Cost] Currency, "
                                 "bought on the date\n(today by default), for a printer of the "
                                 "printer list (letter case ignored). An unknown\nprinter, a "
                                 "negative or malformed count or amount changes nothing."),
                  paperBuy});
    registry.add({group, QStringLiteral("minimum"), QStringLiteral("PAPER N"),
                  QStringLiteral("set the minimum stock of a paper, in sheets"),
                  QStringLiteral("Papers of one size are one paper: \"A4\" and "
                                 "\"iso_a4_210x297mm\" set the same minimum."),
                  paperMinimum});
    registry.add(
        {group, QStringLiteral("stock"), QStringLiteral("[--csv]"),
         QStringLiteral("sheets bought, used and left per printer and paper"),
         QStringLiteral("Used: the sheets of the printer's jobs on that paper since its first "
                        "purchase (a\ntwo-sided job uses half its pages' sheets, rounded up). "
                        "Exits 3 when a paper is\nbelow its minimum (marked \"!\")."),
         paperStock});
}

} // namespace vesk::cli
