// vesk totals: the kept totals compared with the records, and built again from them.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "Database.h"
#include "Totals.h"

namespace vesk::cli {

namespace {

constexpr int DifferencesShown = 20;

QString differenceLine(const TotalsDifference &d)
{
    QStringList figures;
    const QStringList &names = TotalsFigureNames();
    for (size_t i = 0; i < d.kept.size(); ++i) {
        if (d.kept[i] != d.summed[i])
            figures << QStringLiteral("%1 %2 kept, %3 in the records")
                           .arg(names[qsizetype(i)])
                           .arg(d.kept[i])
                           .arg(d.summed[i]);
    }
    return QStringLiteral("%1 %2, %3 \"%4\", department \"%5\": %6")
        .arg(d.table, d.period.isEmpty() ? QStringLiteral("(no time)") : d.period,
             TotalsDimColumn(d.dim), d.nameNull ? QStringLiteral("(null)") : d.name, d.dept,
             figures.join(QStringLiteral("; ")));
}

int totalsCheck(CommandContext &c, ArgList &args)
{
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    QString error;
    const auto found = CheckTotals(c.dm().acntVesk.database(), DifferencesShown, &error);
    if (!found)
        return c.fail(error);
    for (const TotalsDifference &d : *found)
        c.out() << differenceLine(d) << u'\n';
    if (!found->empty()) {
        c.out().flush();
        return c.fail(QStringLiteral("the totals differ from the records (vesk totals rebuild "
                                     "--yes builds them again)"));
    }
    c.out() << "The totals equal the records' sums." << Qt::endl;
    return ExitOk;
}

int totalsRebuild(CommandContext &c, ArgList &args)
{
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    if (!c.yes())
        return c.fail(QStringLiteral("rebuilding the totals reads every record: add --yes"));
    QSqlDatabase db = c.dm().acntVesk.database();
    QString error;
    if (!beginWrite(db, &error))
        return c.fail(error);
    const bool ok = RebuildTotals(
        db,
        [&c](int done, int of) {
            c.out() << QStringLiteral("%1 of %2 parts").arg(done).arg(of) << Qt::endl;
        },
        &error);
    if (!ok || !commitWrite(db, &error)) {
        rollbackWrite(db);
        return c.fail(error);
    }
    if (!SettleTotals(db, &error))
        return c.fail(error);
    c.out() << "The totals are built from the records." << Qt::endl;
    return ExitOk;
}

} // namespace

void registerTotalsCommands(CommandRegistry &registry)
{
    const QString group = QStringLiteral("totals");
    registry.add({group, QStringLiteral("check"), QString(),
                  QStringLiteral("compare the kept totals with the records"),
                  QStringLiteral("Every total by day and by month (pages, jobs, pages printed, "
                                 "colour, two-sided, cancelled and aborted jobs per department, "
                                 "printer, computer and employee) against the sums of the "
                                 "records. Prints each difference found (the first 20) and exits "
                                 "1 when there is one."),
                  totalsCheck});
    registry.add({group, QStringLiteral("rebuild"), QString(),
                  QStringLiteral("build the totals again from the records (asks: needs --yes)"),
                  QStringLiteral("In one transaction, a month of records at a time; readers see "
                                 "the old totals until it ends."),
                  totalsRebuild});
}

} // namespace vesk::cli
