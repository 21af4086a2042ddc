// Kept totals: their tables, and the triggers that log every change of the records. The fold,
// the rebuild and the check are in TotalsFold.cpp, the period reads in TotalsRead.cpp.
#include "Totals.h"

#include "Database.h"
#include "RecordColumns.h"
#include "SqlText.h"
#include "TotalsSql.h"

namespace vesk {

using namespace totals;

namespace {

// The values of one log row of a record read through `p`.
QString logValues(const QString &p, int sign)
{
    QStringList v;
    for (const QString &c : LogKeyColumns.split(QStringLiteral(", ")))
        v << p + c;
    return u'(' + (v + recordFigures(p, sign)).join(QStringLiteral(", ")) + u')';
}

QString logInsert()
{
    return QStringLiteral("insert into tTotalLog (") + LogKeyColumns + QStringLiteral(", ") +
           figureList() + QStringLiteral(") ");
}

// The columns whose change changes a total; an update of any other (a document name redacted)
// leaves the log alone.
const QStringList &countedColumns()
{
    static const QStringList columns{
        QStringLiteral("PrintTime"),    QStringLiteral("DeptName"),
        QStringLiteral("PrinterName"),  QStringLiteral("hostName"),
        QStringLiteral("EmName"),       QStringLiteral("TotalPageCount"),
        QStringLiteral("PagesPrinted"), QStringLiteral("ColorPrint"),
        QStringLiteral("Duplex"),       QStringLiteral("JobOutcome"),
        QStringLiteral("Cost")};
    return columns;
}

// A PostgreSQL function that runs with its owner's rights (the agent may write no totals), its
// search path pinned to the tables' schema so that no object of the caller's stands in.
QString ownerFunction(const QString &signature, const QString &returns, const QString &language,
                      const QString &body)
{
    return QStringLiteral("do $do$ begin execute format('create or replace function %1 returns %2 "
                          "language %3 security definer set search_path = %I, pg_temp as %L', "
                          "current_schema(), %4); end $do$")
        .arg(signature, returns, language, QuotedStr(body));
}

QString pgFoldBody()
{
    // One statement: the rows deleted from the log are exactly those added, whatever is
    // appended meanwhile.
    const QString d = QStringLiteral("d");
    return QStringLiteral("select pg_advisory_xact_lock(%1); "
                          "with d0 as (delete from tTotalLog returning *), d as (")
               .arg(FoldLockId) +
           logByDay(QStringLiteral("d0")) + QStringLiteral("), x as (") +
           upsert(DayTable, aggregate(DbEngine::PostgreSQL, d, DayLength)) +
           QStringLiteral(" returning 1), y as (") +
           upsert(YearTable, aggregate(DbEngine::PostgreSQL, d, YearLength)) +
           QStringLiteral(" returning 1) ") +
           upsert(MonthTable, aggregate(DbEngine::PostgreSQL, d, MonthLength));
}

} // namespace

QString TotalsDimColumn(TotalsDim dim)
{
    switch (dim) {
    case TotalsDim::Dept:
        return QStringLiteral("DeptName");
    case TotalsDim::Printer:
        return QStringLiteral("PrinterName");
    case TotalsDim::Host:
        return QStringLiteral("hostName");
    case TotalsDim::Employee:
        break;
    }
    return QStringLiteral("EmName");
}

const QStringList &TotalsTables()
{
    static const QStringList tables{DayTable, MonthTable, YearTable, LogTable};
    return tables;
}

const QStringList &TotalsFigureNames()
{
    return figureColumns();
}

namespace {

QString logTableStatement(DbEngine e, const QString &table)
{
    const QString name = textColumnType(e, 0);
    const QString time =
        e == DbEngine::PostgreSQL ? QStringLiteral("varchar(19)") : QStringLiteral("datetime");
    // On SQLite no constraint at all: a constraint that can abort makes every single-row insert
    // into the records, whose trigger writes here, keep a statement journal (half again the
    // agent's insert). The triggers never write a null figure.
    const QString notNull = e == DbEngine::PostgreSQL ? QStringLiteral(" not null") : QString();
    QStringList figures;
    for (const QString &c : figureColumns())
        figures << c + QStringLiteral(" integer") + notNull;
    // A job's cost may pass what a 32-bit integer holds.
    if (e == DbEngine::PostgreSQL)
        figures.last() = QStringLiteral("Cost bigint not null");
    return QStringLiteral("create table if not exists %1 (PrintTime %2, DeptName %3, "
                          "PrinterName %3, hostName %3, EmName %3, ")
               .arg(table, time, name) +
           figures.join(QStringLiteral(", ")) + u')';
}

} // namespace

QStringList totalsTableStatements(DbEngine e)
{
    return {tableStatement(e, DayTable, DayLength), tableStatement(e, MonthTable, MonthLength),
            tableStatement(e, YearTable, YearLength), logTableStatement(e, LogTable)};
}

QStringList totalsLogWithoutConstraints(DbEngine e)
{
    if (e != DbEngine::SQLite)
        return {};
    // The triggers go first: a rename checks every trigger's table, and theirs is gone then.
    const QString next = QStringLiteral("tTotalLogNext");
    return QStringList{
               QStringLiteral("drop trigger if exists trTotalsInsert"),
               QStringLiteral("drop trigger if exists trTotalsDelete"),
               QStringLiteral("drop trigger if exists trTotalsUpdate"),
               logTableStatement(e, next),
               QStringLiteral("insert into ") + next + QStringLiteral(" select * from ") + LogTable,
               QStringLiteral("drop table ") + LogTable,
               QStringLiteral("alter table ") + next + QStringLiteral(" rename to ") + LogTable} +
           totalsTriggerStatements(e);
}

QStringList totalsYearStatements(DbEngine e)
{
    return QStringList{tableStatement(e, YearTable, YearLength)} + totalsTriggerStatements(e) +
           QStringList{QStringLiteral("delete from ") + YearTable, sumUp(YearTable, MonthTable)};
}

QStringList totalsTriggerStatements(DbEngine e)
{
    QStringList changed;
    for (const QString &c : countedColumns())
        changed << QStringLiteral("old.%1 is not new.%1").arg(c);
    if (e == DbEngine::SQLite)
        return {
            QStringLiteral(
                "create trigger if not exists trTotalsInsert after insert on tPrinterData begin ") +
                logInsert() + QStringLiteral("values ") + logValues(QStringLiteral("new."), 1) +
                QStringLiteral("; end"),
            QStringLiteral(
                "create trigger if not exists trTotalsDelete after delete on tPrinterData begin ") +
                logInsert() + QStringLiteral("values ") + logValues(QStringLiteral("old."), -1) +
                QStringLiteral("; end"),
            QStringLiteral("create trigger if not exists trTotalsUpdate after update of ") +
                countedColumns().join(QStringLiteral(", ")) +
                QStringLiteral(" on tPrinterData when ") + changed.join(QStringLiteral(" or ")) +
                QStringLiteral(" begin ") + logInsert() + QStringLiteral("values ") +
                logValues(QStringLiteral("old."), -1) + QStringLiteral(", ") +
                logValues(QStringLiteral("new."), 1) + QStringLiteral("; end")};

    QStringList oldRow, newRow;
    for (const QString &c : countedColumns()) {
        oldRow << QStringLiteral("old.") + c;
        newRow << QStringLiteral("new.") + c;
    }
    const auto logRows = [](const QString &table, int sign) -> QString {
        return QStringLiteral("begin ") + logInsert() + QStringLiteral("select ") + LogKeyColumns +
               QStringLiteral(", ") + recordFigures(QString(), sign).join(QStringLiteral(", ")) +
               QStringLiteral(" from ") + table + QStringLiteral("; return null; end");
    };
    return {
        ownerFunction(QStringLiteral("vesk_totals_insert()"), QStringLiteral("trigger"),
                      QStringLiteral("plpgsql"), logRows(QStringLiteral("vesk_new"), 1)),
        ownerFunction(QStringLiteral("vesk_totals_delete()"), QStringLiteral("trigger"),
                      QStringLiteral("plpgsql"), logRows(QStringLiteral("vesk_old"), -1)),
        ownerFunction(QStringLiteral("vesk_totals_update()"), QStringLiteral("trigger"),
                      QStringLiteral("plpgsql"),
                      QStringLiteral("begin ") + logInsert() + QStringLiteral("values ") +
                          logValues(QStringLiteral("old."), -1) + QStringLiteral(", ") +
                          logValues(QStringLiteral("new."), 1) +
                          QStringLiteral("; return null; end")),
        ownerFunction(
            QStringLiteral("vesk_totals_truncate()"), QStringLiteral("trigger"),
            QStringLiteral("plpgsql"),
            QStringLiteral("begin truncate tTotalDay, tTotalMonth, tTotalYear, tTotalLog; "
                           "return null; end")),
        ownerFunction(QStringLiteral("vesk_totals_fold()"), QStringLiteral("void"),
                      QStringLiteral("sql"), pgFoldBody()),
        QStringLiteral("revoke all on function vesk_totals_fold() from public"),
        // Statement triggers see every row of a statement at once: a copy or a delete of many
        // records is one insert into the log.
        QStringLiteral(
            "create or replace trigger trTotalsInsert after insert on tPrinterData referencing "
            "new table as vesk_new for each statement execute function "
            "vesk_totals_insert()"),
        QStringLiteral(
            "create or replace trigger trTotalsDelete after delete on tPrinterData referencing "
            "old table as vesk_old for each statement execute function "
            "vesk_totals_delete()"),
        // Per row, so that an update of other columns (names redacted) logs nothing.
        QStringLiteral(
            "create or replace trigger trTotalsUpdate after update on tPrinterData for each row "
            "when ((") +
            oldRow.join(QStringLiteral(", ")) + QStringLiteral(") is distinct from (") +
            newRow.join(QStringLiteral(", ")) +
            QStringLiteral(")) execute function vesk_totals_update()"),
        QStringLiteral(
            "create or replace trigger trTotalsTruncate after truncate on tPrinterData for each "
            "statement execute function vesk_totals_truncate()"),
    };
}

} // namespace vesk
