// vesk budget: the monthly budget of each department and what it spent against it.
#include "ArgList.h"
#include "BudgetBook.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "NumberArgs.h"

#include <QDate>

namespace vesk::cli {

namespace {

// The table of a listing: aligned columns, the first left and the others right.
QString alignedTable(const std::vector<QStringList> &rows)
{
    std::vector<qsizetype> widths;
    for (const QStringList &r : rows)
        for (qsizetype i = 0; i < r.size(); ++i) {
            if (size_t(i) >= widths.size())
                widths.push_back(0);
            widths[size_t(i)] = std::max(widths[size_t(i)], r[i].size());
        }
    QString out;
    for (const QStringList &r : rows) {
        QString line;
        for (qsizetype i = 0; i < r.size(); ++i)
            line += i == 0 ? r[i].leftJustified(widths[0])
                           : QStringLiteral("  ") + r[i].rightJustified(widths[size_t(i)]);
        out += line.trimmed().isEmpty() ? QString() : line + u'\n';
    }
    return out;
}

int budgetSet(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> words = takePositional(c, args, 2, 2);
    if (!words)
        return ExitUsage;
    const std::optional<qint64> amount =
        ParsedAmount(c, words->at(1), ReadCurrency(c.dm().AppDir()));
    if (!amount)
        return ExitFailed;
    QString error;
    if (!BudgetBook(c.dm().acntVesk.database()).setBudget(words->at(0), *amount, &error))
        return c.fail(error);
    return ExitOk;
}

int budgetList(CommandContext &c, ArgList &args)
{
    const bool csv = args.takeFlag(QStringLiteral("--csv"));
    const std::optional<QString> monthText = args.takeOption(QStringLiteral("--month"));
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    const QDate today = QDate::currentDate();
    QDate month = today;
    if (monthText) {
        month = QDate::fromString(*monthText + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
        if (!month.isValid()) {
            c.err() << "vesk: --month takes YYYY-MM: " << *monthText << Qt::endl;
            return ExitUsage;
        }
    }
    QString error;
    const auto lines = BudgetBook(c.dm().acntVesk.database()).month(month, today, &error);
    if (!lines)
        return c.fail(error);
    const Currency currency = ReadCurrency(c.dm().AppDir());
    std::vector<QStringList> rows{
        {c.lang(QStringLiteral("RSDeptName")), c.lang(QStringLiteral("RSBudget")),
         c.lang(QStringLiteral("RSSpent")), c.lang(QStringLiteral("RSShare")),
         c.lang(QStringLiteral("RSForecast"))}};
    for (const BudgetLine &l : *lines) {
        const QString budget = l.budget ? PlainMoney(*l.budget, currency) : QString();
        // Over budget: marked in the share, which CSV readers take as text anyway.
        const QString share = ShareText(l.shareBp) + (l.over ? QStringLiteral(" !") : QString());
        rows.push_back({csv ? l.dept : QString(l.level * 2, u' ') + l.dept, budget,
                        PlainMoney(l.spent, currency), share, PlainMoney(l.forecast, currency)});
    }
    c.out() << (csv ? csvRows(rows) : alignedTable(rows));
    c.out().flush();
    return ExitOk;
}

} // namespace

void registerBudgetCommands(CommandRegistry &registry)
{
    const QString group = QStringLiteral("budget");
    registry.add({group, QStringLiteral("set"), QStringLiteral("DEPT AMOUNT"),
                  QStringLiteral("set a department's monthly budget"),
                  QStringLiteral("AMOUNT in the currency of [Cost] Currency, with at most its "
                                 "decimals; a negative\namount or one that is no number is "
                                 "refused and changes nothing."),
                  budgetSet});
    registry.add(
        {group, QStringLiteral("list"), QStringLiteral("[--month YYYY-MM] [--csv]"),
         QStringLiteral("each department's budget, spending, share and forecast for a month"),
         QStringLiteral("A department spends what it and every department below it printed. The\n"
                        "forecast is spent so far / days passed x days in the month (a past "
                        "month's is\nits spending). A share past 100 % is marked \"!\". The month "
                        "defaults to this one."),
         budgetList});
}

} // namespace vesk::cli
