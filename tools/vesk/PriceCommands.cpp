// vesk price: the price list the agent costs each job with, and the recost of stored records.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "NumberArgs.h"
#include "PriceBook.h"

namespace vesk::cli {

namespace {

// The refusal of a printer that the printer list does not have, or the database's `error`.
QString unknownOr(CommandContext &c, bool unknown, const std::optional<QStringList> &words,
                  const QString &error)
{
    return unknown ? c.langFilled(QStringLiteral("RSPrinterNotExist"), words->first()) : error;
}

int priceSet(CommandContext &c, ArgList &args)
{
    const bool isDefault = args.takeFlag(QStringLiteral("--default"));
    const std::optional<QString> mono = args.takeOption(QStringLiteral("--mono"));
    const std::optional<QString> colour = args.takeOption(QStringLiteral("--colour"));
    const std::optional<QString> factor = args.takeOption(QStringLiteral("--two-sided-factor"));
    const std::optional<QStringList> words = takePositional(c, args, isDefault ? 0 : 1, 1);
    if (!words)
        return ExitUsage;
    if ((isDefault && !words->isEmpty()) || (!mono && !colour && !factor)) {
        c.err() << "vesk: name a printer or --default, and give --mono, --colour or "
                   "--two-sided-factor"
                << Qt::endl;
        return ExitUsage;
    }
    const Currency currency = ReadCurrency(c.dm().AppDir());
    const int priceDecimals = currency.decimals + PriceExtraDecimals;
    const auto price = [&](const QString &text, AmountProblem *p) {
        return ParsePrice(text, currency, p);
    };
    PrinterPrices prices;
    for (const auto &[text, slot] :
         {std::pair{&mono, &prices.mono}, std::pair{&colour, &prices.colour}}) {
        if (!*text)
            continue;
        *slot = ParsedNumber(c, **text, priceDecimals, price);
        if (!*slot)
            return ExitFailed;
    }
    if (factor) {
        prices.duplexFactor =
            ParsedNumber(c, *factor, FactorDecimals,
                         [](const QString &t, AmountProblem *p) { return ParseFactor(t, p); });
        if (!prices.duplexFactor)
            return ExitFailed;
    }
    QSqlDatabase db = c.dm().acntVesk.database();
    QString error;
    bool unknown = false;
    if (!SetPrinterPrices(db, isDefault ? DefaultPricesName : words->first(), prices, &error,
                          &unknown))
        return c.fail(unknownOr(c, unknown, words, error));
    return ExitOk;
}

int priceClear(CommandContext &c, ArgList &args)
{
    const bool isDefault = args.takeFlag(QStringLiteral("--default"));
    std::vector<PricePart> parts;
    for (const auto &[flag, part] :
         {std::pair{"--mono", PricePart::Mono}, std::pair{"--colour", PricePart::Colour},
          std::pair{"--two-sided-factor", PricePart::DuplexFactor}}) {
        if (args.takeFlag(QLatin1String(flag)))
            parts.push_back(part);
    }
    if (parts.empty())
        parts = {PricePart::Mono, PricePart::Colour, PricePart::DuplexFactor};
    const std::optional<QStringList> words = takePositional(c, args, isDefault ? 0 : 1, 1);
    if (!words)
        return ExitUsage;
    if (isDefault && !words->isEmpty()) {
        c.err() << "vesk: name a printer or --default, not both" << Qt::endl;
        return ExitUsage;
    }
    QSqlDatabase db = c.dm().acntVesk.database();
    QString error;
    bool unknown = false;
    if (!ClearPrinterPrices(db, isDefault ? DefaultPricesName : words->first(), parts, &error,
                            &unknown))
        return c.fail(unknownOr(c, unknown, words, error));
    return ExitOk;
}

int pricePaper(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> words = takePositional(c, args, 2, 2);
    if (!words)
        return ExitUsage;
    if (words->first().trimmed().isEmpty())
        return c.fail(QStringLiteral("name the paper"));
    const std::optional<qint64> factor =
        ParsedNumber(c, words->at(1), FactorDecimals,
                     [](const QString &t, AmountProblem *p) { return ParseFactor(t, p); });
    if (!factor)
        return ExitFailed;
    QSqlDatabase db = c.dm().acntVesk.database();
    QString error;
    if (!SetPaperFactor(db, words->first().trimmed(), *factor, &error))
        return c.fail(error);
    return ExitOk;
}

QString pricesLine(const QString &name, const PrinterPrices &p, const Currency &currency)
{
    const auto part = [&](const std::optional<qint64> &v, bool isFactor) {
        if (!v)
            return QStringLiteral("-");
        return isFactor ? FactorText(*v) : PriceText(*v, currency);
    };
    return QStringLiteral("%1\tmono %2\tcolour %3\ttwo-sided x%4")
        .arg(name, part(p.mono, false), part(p.colour, false), part(p.duplexFactor, true));
}

int priceList(CommandContext &c, ArgList &args)
{
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    QString error;
    const std::optional<PriceList> list = ReadPriceList(c.dm().acntVesk.database(), &error);
    if (!list)
        return c.fail(error);
    const Currency currency = ReadCurrency(c.dm().AppDir());
    if (!currency.code.isEmpty())
        c.out() << "Prices per page in " << currency.code << '\n';
    c.out() << pricesLine(QStringLiteral("(default)"), list->defaults, currency) << '\n';
    QStringList printers = list->printers.keys();
    printers.sort();
    for (const QString &p : printers)
        c.out() << pricesLine(p, list->printers.value(p), currency) << '\n';
    for (const PaperFactor &f : list->papers)
        c.out() << "paper " << f.paper << "\tx" << FactorText(f.factor) << '\n';
    c.out().flush();
    return ExitOk;
}

int priceRecost(CommandContext &c, ArgList &args)
{
    QString problem;
    const std::optional<QString> filter = historyFilter(args, &problem);
    if (!filter || !problem.isEmpty() || !args.error().isEmpty() || !args.positional().isEmpty()) {
        c.err() << "vesk: " << (problem.isEmpty() ? args.error() : problem) << Qt::endl;
        return ExitUsage;
    }
    if (!c.yes())
        return c.fail(QStringLiteral("recosting changes the stored costs of the records: add "
                                     "--yes"));
    QSqlDatabase db = c.dm().acntVesk.database();
    QString error;
    const auto changes = RecostRecords(db, *filter, &error);
    if (!changes)
        return c.fail(error);
    const Currency currency = ReadCurrency(c.dm().AppDir());
    qint64 records = 0, before = 0, after = 0;
    for (const RecostChange &ch : *changes) {
        c.out() << QStringLiteral("%1: %2 records, %3 -> %4")
                       .arg(ch.printer)
                       .arg(ch.records)
                       .arg(PlainMoney(ch.before, currency), PlainMoney(ch.after, currency))
                << '\n';
        records += ch.records;
        before += ch.before;
        after += ch.after;
    }
    c.out() << QStringLiteral("Recosted %1 records: %2 -> %3")
                   .arg(records)
                   .arg(PlainMoney(before, currency), PlainMoney(after, currency))
            << Qt::endl;
    return ExitOk;
}

} // namespace

void registerPriceCommands(CommandRegistry &registry)
{
    const QString group = QStringLiteral("price");
    registry.add({group, QStringLiteral("set"),
                  QStringLiteral("(PRINTER | --default) [--mono A] [--colour A] "
                                 "[--two-sided-factor F]"),
                  QStringLiteral("set the default prices per page or a printer's own"),
                  QStringLiteral("Amounts in the currency of [Cost] Currency, up to six digits "
                                 "below its smallest unit (0.035); the factor with up to four "
                                 "decimals (0.8). The printer is one of the printer list (letter "
                                 "case ignored), another is refused. A part not given is kept; a "
                                 "printer's unset part is the default's (vesk price clear unsets "
                                 "one). A job's cost is taken when the agent stores it; vesk "
                                 "price recost applies new prices to stored records."),
                  priceSet});
    registry.add({group, QStringLiteral("clear"),
                  QStringLiteral("(PRINTER | --default) [--mono] [--colour] "
                                 "[--two-sided-factor]"),
                  QStringLiteral("put a printer back on the default prices, or clear a default"),
                  QStringLiteral("Clears the parts named (all three when none is named). A "
                                 "printer's cleared part is the default's again; a cleared "
                                 "default price leaves the jobs it priced without a cost, a "
                                 "cleared default factor counts 1. A printer left with no part "
                                 "of its own leaves the price list. A name neither in the printer "
                                 "list nor in the price list is refused. Stored costs stay as "
                                 "they are until vesk price recost."),
                  priceClear});
    registry.add({group, QStringLiteral("paper"), QStringLiteral("PAPER FACTOR"),
                  QStringLiteral("set a paper's factor (A3 2, A5 0.5)"),
                  QStringLiteral("Papers are matched by their size: \"A3\" also costs "
                                 "\"iso_a3_297x420mm\" jobs. A paper without a factor counts 1."),
                  pricePaper});
    registry.add({group, QStringLiteral("list"), QString(),
                  QStringLiteral("print the price list and the paper factors"), QString(),
                  priceList});
    registry.add({group, QStringLiteral("recost"),
                  QStringLiteral("[--from D] [--to D] [--printer P] --yes"),
                  QStringLiteral("cost the stored records again at the prices now (asks: needs "
                                 "--yes)"),
                  QStringLiteral("The filters of vesk report select the records. Prints, per "
                                 "printer, the records whose cost changed and their cost before "
                                 "and after; the totals follow in the same transaction."),
                  priceRecost});
}

} // namespace vesk::cli
