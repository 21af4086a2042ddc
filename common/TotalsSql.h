// What the kept totals' statements share: the tables, the figures and the pieces of SQL that the
// triggers, the fold, the rebuild, the check and the period reads build from. Within common only.
#pragma once

#include "ConnectionString.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>

namespace vesk::totals {

inline const QString DayTable = QStringLiteral("tTotalDay");
inline const QString MonthTable = QStringLiteral("tTotalMonth");
inline const QString YearTable = QStringLiteral("tTotalYear");
inline const QString LogTable = QStringLiteral("tTotalLog");
// The columns of a log row before its figures: the record's own.
inline const QString LogKeyColumns =
    QStringLiteral("PrintTime, DeptName, PrinterName, hostName, EmName");
constexpr int DayLength = 10, MonthLength = 7, YearLength = 4;
// Any fixed number: folds on PostgreSQL take turns, so two never lock totals in opposite orders.
constexpr qint64 FoldLockId = 0x56736b54; // "VskT"

// The figure columns of the totals and the log.
const QStringList &figureColumns();
QString figureList(const QString &prefix = {});
// A record's figures, its columns read through `p` ("new.", "old." or ""), negated for a record
// that goes.
QStringList recordFigures(const QString &p, int sign = 1);
// A NOCASE expression on SQLite (a function's result has none), as is on PostgreSQL (citext).
QString noCase(DbEngine e, const QString &expression);
// Rows (Dim, PrintTime, DeptName, n, figures) of every dimension of the records or log rows that
// `source` (a table or a parenthesised select with the log's columns) gives: four rows each.
QString dimensionRows(DbEngine e, const QString &source);
QString sums(const QString &prefix = {});
// The rows of the log `log` summed by day and names (a save's records share them), with the log's
// columns: what the fold reads instead of every row.
QString logByDay(const QString &log);
// Adds the rows of `select` (key and figures, grouped by key) to `table`.
QString upsert(const QString &table, const QString &select);
// The totals of the dimension rows of `source`, for a table of `length`-character periods.
QString aggregate(DbEngine e, const QString &source, int length);
// SQLite reads the records once into a temporary result for the four dimensions' rows.
QString withSource(DbEngine e, const QString &select);
// The records that `where` selects, their figures under the log's column names.
QString recordSelect(const QString &where);
// The create statement of a totals table of `periodLength`-character periods.
QString tableStatement(DbEngine e, const QString &table, int periodLength);
// Adds the totals of `from` to those of the longer periods of `table`.
QString sumUp(const QString &table, const QString &from);
bool run(QSqlQuery &q, const QString &statement, QString *error);

} // namespace vesk::totals
