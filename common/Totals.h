// Kept totals of the print records: pages, jobs, the job figures and cost per day, month and
// year, for each department, printer, computer and employee. A figure over a period is read from a
// row per name and year, month or day (whole years and months, less or plus the months and days at
// the period's edges, whichever reads fewer rows) instead of from every record.
//
// Exact whatever writes tPrinterData: triggers of the database itself append each inserted,
// deleted or changed record's figures (negative for what went) to tTotalLog, a table without an
// index, which costs an insert little; FoldTotals moves the log into the day, month and year totals
// (the agent after each save, the commands after theirs). Readers add the log rows still waiting
// to the totals, so a figure is exact between folds too.
#pragma once

#include "ConnectionString.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace vesk {

// The record columns whose totals are kept, in the order of the trend figures' groups.
enum class TotalsDim
{
    Dept,
    Printer,
    Host,
    Employee
};
constexpr int TotalsDimCount = 4;
// The tPrinterData column of a dimension.
QString TotalsDimColumn(TotalsDim dim);

// The four tables, for the schema's table list and the copy between engines (which builds the
// totals from the copied records instead of copying them).
const QStringList &TotalsTables();

// The tables (create statements), and the triggers with, on PostgreSQL, their functions.
QStringList totalsTableStatements(DbEngine engine);
QStringList totalsTriggerStatements(DbEngine engine);
// SQLite: the log made again without its columns' constraints (its rows kept), the triggers
// with it; nothing on PostgreSQL.
QStringList totalsLogWithoutConstraints(DbEngine engine);
// The year totals added to a database whose totals have none: the table, the triggers' functions
// that know it, and its rows summed from the month totals.
QStringList totalsYearStatements(DbEngine engine);

// Moves the waiting log rows into the day, month and year totals, inside the caller's write
// transaction (or as its own statement on PostgreSQL, whose fold is one statement). False with
// the database's text.
bool FoldTotals(QSqlDatabase &db, QString *error = nullptr);

// Builds every total again from the records, inside the caller's write transaction, a month of
// records at a time; `progress` (may be empty) is told after each month how many of how many.
bool RebuildTotals(QSqlDatabase &db, const std::function<void(int done, int of)> &progress,
                   QString *error = nullptr);

// PostgreSQL keeps the rows that a rebuild (or a bulk load through the log) deleted in the
// totals' tables until autovacuum comes by, and every read of a figure scans them; this vacuums
// and analyzes those tables now. Outside a transaction; nothing to do on SQLite.
bool SettleTotals(QSqlDatabase &db, QString *error = nullptr);

// One total that differs from the records' sums: the table ("day", "month" or "year"), the
// dimension, the period key, the department and the name (null where the records' value is
// null), then each figure as kept and as summed from the records.
struct TotalsDifference
{
    QString table;
    TotalsDim dim = TotalsDim::Dept;
    QString period, dept, name;
    bool nameNull = false;
    std::vector<qint64> kept, summed; // in TotalsFigureNames() order
};
const QStringList &TotalsFigureNames();

// Compares the day totals (with the waiting log) with the records' sums, the month totals with
// the day totals and the year totals with the month totals; the first `limit` differences,
// nullopt with the database's text on a failure.
std::optional<std::vector<TotalsDifference>> CheckTotals(const QSqlDatabase &db, int limit = 20,
                                                         QString *error = nullptr);

// A search that the totals can answer: a period and conditions on the department alone.
struct TotalsSearch
{
    QDateTime from;          // the first moment in the period; invalid: no lower bound
    QDateTime to;            // the period's end; invalid: no upper bound
    bool toIncluded = false; // a record at `to` itself is in the period
    QString deptClause;      // " AND ..." conditions on the column DeptName alone, or empty
    // Where deptClause keeps the departments to a list: the list (any case), which the totals'
    // key then seeks instead of reading every department's rows. Empty: no such list.
    QStringList depts;
};

// The day figures of the records a search selects: rows of the day ("yyyy-MM-dd"; empty for
// records without a time), pages, jobs, pages printed, colour, two-sided, cancelled and aborted
// jobs and cost (minor units), in day order. Built from the day totals, the records of the partial
// days at the edges and the waiting log.
QString TotalsDayStatement(DbEngine engine, const TotalsSearch &search);
// How a group statement ranks its names: most pages first, or also by cost. With PagesAndCost
// each row ends in its rank by pages and its rank by cost (most first, then by name), a name is
// in when either is within `top`, and the rows come in page rank order.
enum class TotalsRanks
{
    Pages,
    PagesAndCost
};

// Pages, jobs and cost per value of the dimension's column (null where the records have none),
// most pages first and then by name, `top` rows at most (0: all). Whole years, months and days
// from their totals.
QString TotalsGroupStatement(DbEngine engine, TotalsDim dim, const TotalsSearch &search, int top,
                             TotalsRanks ranks = TotalsRanks::Pages);
// The select of a group statement over `rows` (columns n, p, j, co; a name per row, any number
// of rows per name): the sums per name, ranked and cut to `top` as `ranks` says.
QString TotalsRankedGroups(const QString &rows, int top, TotalsRanks ranks);

} // namespace vesk
