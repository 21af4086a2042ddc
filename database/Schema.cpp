// Schema of the shared database. Text columns ignore letter case, as every statement expects;
// PrintTime is "yyyy-mm-dd hh:mm:ss" text so it sorts and compares chronologically.
#include "Schema.h"

#include "Database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <cstdint>

namespace vesk {

namespace {

// Column set-ups are written once; a server engine gets a case-insensitive text type instead.
QString textType(DbEngine engine, int length)
{
    if (engine == DbEngine::PostgreSQL)
        return QStringLiteral("citext");
    return length > 0 ? QStringLiteral("varchar(%1) COLLATE NOCASE").arg(length)
                      : QStringLiteral("text COLLATE NOCASE");
}

// The console's searches filter and sort on these columns; each index carries the page count too,
// so the trend chart's totals over every record are read from the index alone.
QStringList printerDataIndexes()
{
    return {
        QStringLiteral(
            "create index ixPrinterDataTime on tPrinterData (PrintTime, TotalPageCount)"),
        QStringLiteral("create index ixPrinterDataHost on tPrinterData (hostName, TotalPageCount)"),
        QStringLiteral(
            "create index ixPrinterDataPrinter on tPrinterData (PrinterName, TotalPageCount)"),
        QStringLiteral("create index ixPrinterDataDept on tPrinterData (DeptName, TotalPageCount)"),
        QStringLiteral("create index ixPrinterDataEm on tPrinterData (EmName, TotalPageCount)"),
    };
}

QStringList createStatements(DbEngine e)
{
    const QString t50 = textType(e, 50), t255 = textType(e, 255), t = textType(e, 0);
    const QString byteType =
        e == DbEngine::PostgreSQL ? QStringLiteral("smallint") : QStringLiteral("tinyint");
    const QString dateType =
        e == DbEngine::PostgreSQL ? QStringLiteral("varchar(19)") : QStringLiteral("datetime");
    QStringList statements;
    if (e == DbEngine::PostgreSQL) {
        // citext gives case-insensitive = and like; CDate reads the same texts as on SQLite
        // and gives NULL for anything else (PostgreSQL's own casts would accept 'today').
        statements << QStringLiteral("create extension if not exists citext")
                   << QStringLiteral(
                          "create or replace function CDate(t text) returns varchar as $$\n"
                          "begin\n"
                          "  if t !~ '^\\s*\\d{4}[-/]\\d{1,2}[-/]\\d{1,2}"
                          "([ T]\\d{1,2}:\\d{2}(:\\d{2})?)?\\s*$' then return null; end if;\n"
                          "  return to_char(replace(trim(t), '/', '-')::timestamp, "
                          "'YYYY-MM-DD HH24:MI:SS');\n"
                          "exception when others then return null;\n"
                          "end $$ language plpgsql immutable");
    }
    return statements +
           QStringList{
               QStringLiteral("create table tSchemaVersion (Version integer not null)"),
               QStringLiteral(
                   "create table tDept (Name %1, SuperName %1, Manager %2, tel %2, Fax %2, "
                   "Memo %1)")
                   .arg(t255, t50),
               QStringLiteral("create table tHost (HostName %1, IP %1, MAC %1, tNetGroup %1, "
                              "DeptName %1, EmName %2, Tel %2, Fax %2, Email %2, Memo %1)")
                   .arg(t255, t50),
               QStringLiteral("create table tPrinter (Name %1, IP %1, MAC %1, HostName %1, "
                              "tNetGroup %1, DeptName %1, IsMonitor %2)")
                   .arg(t255, byteType),
               QStringLiteral("create table tPrinterData (PrinterName %1, documentName %2, "
                              "hostName %1, TotalPageCount integer, PrintedDocumentSize integer, "
                              "PageSize %1, PrintTime %3, OperatorName %1, IP %1, MAC %1, "
                              "EmName %1, DeptName %2, JobOutcome integer, PagesPrinted integer, "
                              "ColorPrint integer, Duplex integer)")
                   .arg(t50, t255, dateType),
               QStringLiteral("create table tShowSetting (tableName %1, FieldName %1, FName %2, "
                              "FWidth integer, Findex integer, IsVisible %3)")
                   .arg(t, t50, byteType),
               // Ids of journaled print records that a save has committed but whose journal is not
               // rewritten yet; the agent's save skips them, so no record is stored twice.
               QStringLiteral("create table tSavedRecord (RowId varchar(40) not null primary key)"),
           } +
           printerDataIndexes() +
           QStringList{
               QStringLiteral("create index ixHostName on tHost (HostName)"),
               QStringLiteral("create index ixHostMAC on tHost (MAC)"),
               QStringLiteral("create index ixHostIP on tHost (IP)"),
               QStringLiteral("create index ixDeptName on tDept (Name)"),
               QStringLiteral("create index ixPrinterName on tPrinter (Name)"),
           };
}

// Report widths per column, in the order of the record tables; each list sums to at most
// ReportPageWidth so a report with every column fits the page.
const int PrinterDataWidths[] = {100, 150, 90, 50, 70, 80, 120, 75,
                                 80,  100, 60, 70, 70, 60, 50,  60};
// The first twelve fill the page; the columns appended later (outcome, pages printed, colour,
// two-sided) are in the settings but left out of the report until the administrator adds them.
constexpr size_t ReportedPrinterDataColumns = 12;

// The columns appended to tPrinterData by version 3, all integers (NULL in older records).
const char *const OutcomeColumns[] = {"JobOutcome", "PagesPrinted", "ColorPrint", "Duplex"};
const int HostWidths[] = {120, 95, 125, 100, 110, 85, 85, 85, 120, 120};

bool exec(QSqlQuery &q, const QString &statement, QString *error)
{
    if (q.exec(statement))
        return true;
    if (error)
        *error = q.lastError().text() + QStringLiteral(" [") + statement + u']';
    return false;
}

// Rows for titles[from..] (all of them by default); the ones from `visibleUpTo` on are not
// reported.
bool insertShowSettings(QSqlQuery &q, const QString &table, const std::vector<ColumnTitle> &titles,
                        const int *widths, const LangLookup &lang, QString *error, size_t from = 0,
                        size_t visibleUpTo = SIZE_MAX)
{
    if (!q.prepare(QStringLiteral("insert into tShowSetting (tableName, FieldName, FName, "
                                  "FWidth, Findex, IsVisible) Values (?, ?, ?, ?, ?, ?)"))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    for (size_t i = from; i < titles.size(); ++i) {
        q.addBindValue(table);
        q.addBindValue(titles[i].field);
        q.addBindValue(lang ? columnTitle(titles[i], lang) : titles[i].field);
        q.addBindValue(widths[i]);
        q.addBindValue(static_cast<int>(i));
        q.addBindValue(i < visibleUpTo ? 1 : 0);
        if (!q.exec()) {
            if (error)
                *error = q.lastError().text();
            return false;
        }
    }
    return true;
}

} // namespace

bool createSchema(QSqlDatabase &db, const LangLookup &lang, QString *error)
{
    static_assert(sizeof PrinterDataWidths / sizeof *PrinterDataWidths == 16);
    static_assert(sizeof HostWidths / sizeof *HostWidths == 10);

    if (!beginWrite(db, error))
        return false;
    QSqlQuery q(db);
    bool ok = true;
    for (const QString &s : createStatements(engineOf(db))) {
        if (!(ok = exec(q, s, error)))
            break;
    }
    if (ok) {
        q.prepare(QStringLiteral("insert into tSchemaVersion (Version) Values (?)"));
        q.addBindValue(SchemaVersion);
        ok = q.exec();
        if (!ok && error)
            *error = q.lastError().text();
    }
    if (ok) {
        q.prepare(QStringLiteral("insert into tDept (Name, SuperName) Values (?, '-1')"));
        q.addBindValue(lang(QStringLiteral("RSDefaultDept")));
        ok = q.exec();
        if (!ok && error)
            *error = q.lastError().text();
    }
    ok = ok &&
         insertShowSettings(q, QStringLiteral("tPrinterData"), PrinterDataTitles(),
                            PrinterDataWidths, lang, error, 0, ReportedPrinterDataColumns) &&
         insertShowSettings(q, QStringLiteral("tHost"), HostTitles(), HostWidths, lang, error);
    if (ok)
        return commitWrite(db, error);
    q.finish();
    rollbackWrite(db);
    return false;
}

int storedSchemaVersion(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select max(Version) from tSchemaVersion")) || !q.next())
        return 0;
    return q.value(0).toInt();
}

bool upgradeSchema(QSqlDatabase &db, QString *error, const LangLookup &lang)
{
    const int version = storedSchemaVersion(db);
    if (version == SchemaVersion)
        return true;
    if (version >= 1 && version < SchemaVersion) {
        if (!beginWrite(db, error))
            return false;
        QSqlQuery q(db);
        bool ok = true;
        // 2: the print record indexes carry the page count.
        if (version < 2) {
            for (const QString &create : printerDataIndexes()) {
                const QString name = create.section(u' ', 2, 2);
                ok = ok && exec(q, QStringLiteral("drop index if exists ") + name, error) &&
                     exec(q, create, error);
            }
        }
        // 3: how each job ended, the pages printed, colour and two-sided, appended to the print
        // records (NULL in the records stored before), with their column settings.
        // A column already there (added by hand) is kept; the four settings are written afresh.
        if (version < 3) {
            const QSqlRecord columns = db.record(QStringLiteral("tPrinterData"));
            for (const char *column : OutcomeColumns)
                if (!columns.contains(QLatin1String(column)))
                    ok = ok && exec(q,
                                    QStringLiteral("alter table tPrinterData add column %1 integer")
                                        .arg(QLatin1String(column)),
                                    error);
            ok =
                ok && exec(q,
                           QStringLiteral("delete from tShowSetting where "
                                          "tableName='tPrinterData' and FieldName in "
                                          "('JobOutcome', 'PagesPrinted', 'ColorPrint', 'Duplex')"),
                           error);
            ok = ok && insertShowSettings(q, QStringLiteral("tPrinterData"), PrinterDataTitles(),
                                          PrinterDataWidths, lang, error,
                                          ReportedPrinterDataColumns, ReportedPrinterDataColumns);
        }
        // Later versions add their steps here: if (version < 4) { ... }
        ok =
            ok && exec(q, QStringLiteral("update tSchemaVersion set Version=%1").arg(SchemaVersion),
                       error);
        if (ok)
            return commitWrite(db, error);
        q.finish();
        rollbackWrite(db);
        return false;
    }
    if (error) {
        *error = version == 0
                     ? QStringLiteral("The database holds no Vesk tables.")
                     : QStringLiteral("The database has version %1; this program knows up to %2.")
                           .arg(version)
                           .arg(SchemaVersion);
    }
    return false;
}

} // namespace vesk
