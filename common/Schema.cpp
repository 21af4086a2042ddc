// Schema of the shared database. Text columns ignore letter case, as every statement expects;
// PrintTime is "yyyy-mm-dd hh:mm:ss" text so it sorts and compares chronologically.
#include "Schema.h"

#include "CostTables.h"
#include "Database.h"
#include "DocumentPrivacy.h"
#include "RecordColumns.h"
#include "SqlText.h"
#include "Totals.h"
#include "UnicodeNoCase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>
#include <QVariant>

#include <climits>
#include <cstdint>

namespace vesk {

namespace {

// The console's searches filter and sort on these columns; each index carries the page count too,
// so the trend chart's totals over every record are read from the index alone.
const QString IndexCompanion = QStringLiteral("TotalPageCount");
const struct
{
    const char *name, *column;
} PrinterDataIndexes[] = {
    {"ixPrinterDataTime", "PrintTime"},      {"ixPrinterDataHost", "hostName"},
    {"ixPrinterDataPrinter", "PrinterName"}, {"ixPrinterDataDept", "DeptName"},
    {"ixPrinterDataEm", "EmName"},
};

QStringList printerDataIndexes()
{
    QStringList statements;
    for (const auto &index : PrinterDataIndexes)
        statements << QStringLiteral("create index %1 on tPrinterData (%2, %3)")
                          .arg(QLatin1String(index.name), QLatin1String(index.column),
                               IndexCompanion);
    return statements;
}

// Ids of journaled print records that a save has committed but whose journal is not rewritten
// yet; the agent's save skips them, so no record is stored twice.
QString savedRecordTable(const char *create = "create table")
{
    return QLatin1String(create) +
           QStringLiteral(" tSavedRecord (RowId varchar(40) not null primary key)");
}

// The web view's sign-in accounts: a password hash (Argon2id, never the password), the department
// whose subtree the account may see, the administrator flag, the page language ("en", "cn" or
// empty for the browser's), a disabled flag and the time of the last sign-in. The e-mail
// address (appended by a later step) receives the statements and alerts.
QStringList webAccountStatements(DbEngine e, bool withEmail)
{
    return {QStringLiteral("create table tWebAccount (Name %1 not null, PasswordHash %2 not null, "
                           "DeptName %1, IsAdmin integer not null, Lang %3, Disabled integer not "
                           "null, LastSignIn %3%4)")
                .arg(textColumnType(e, 50), textColumnType(e, 255), textColumnType(e, 50),
                     withEmail ? QStringLiteral(", Email ") + textColumnType(e, 255) : QString()),
            QStringLiteral("create unique index ixWebAccountName on tWebAccount (Name)")};
}

// What was mailed to whom and accepted by the server, so no run sends it again: the account, the
// kind of message ("statement", "budget80", "budget100", "paper"), its month ("yyyy-mm", empty
// for a paper alert) and its item (the department or printer and paper it is about, empty for a
// statement), and when.
QStringList mailSentStatements(DbEngine e)
{
    return {QStringLiteral("create table tMailSent (Account %1 not null, Kind %1 not null, "
                           "Period %1 not null, Item %2 not null, SentAt %1)")
                .arg(textColumnType(e, 50), textColumnType(e, 255)),
            QStringLiteral(
                "create unique index ixMailSent on tMailSent (Account, Kind, Period, Item)")};
}

// The paging key's index; with the name columns' sort keys the engine reads a page from an
// index instead of sorting every row.
QStringList printerDataKeyIndexes(DbEngine e)
{
    if (e != DbEngine::PostgreSQL)
        return {};
    return {QStringLiteral("create unique index ixPrinterDataKey on tPrinterData (") +
            PrinterDataKeyColumn + u')'};
}

// The agent's login may neither read nor change print records; this function, which runs with its
// owner's rights, lets it replace due document names by the fixed text and do nothing else. Its
// search path is pinned to the tables' schema (named when it is made), so no object of the
// caller's can stand in; only the roles that vesk-initdb grants it to may call it.
QStringList redactFunctionStatements()
{
    const QString fixed = QuotedStr(RedactedDocumentName());
    const QString body = QStringLiteral("update tPrinterData set documentName = %1 where "
                                        "PrintTime >= $1 and PrintTime < $2 and documentName <> %1")
                             .arg(fixed);
    return {QStringLiteral("do $do$ begin execute format('create or replace function "
                           "vesk_redact_document_names(text, text) returns void language sql "
                           "security definer set search_path = %I, pg_temp as %L', "
                           "current_schema(), %1); end $do$")
                .arg(QuotedStr(body)),
            QStringLiteral("revoke all on function vesk_redact_document_names(text, text) from "
                           "public")};
}

QStringList createStatements(DbEngine e)
{
    const QString t50 = textColumnType(e, 50), t255 = textColumnType(e, 255),
                  t = textColumnType(e, 0);
    const QString byteType =
        e == DbEngine::PostgreSQL ? QStringLiteral("smallint") : QStringLiteral("tinyint");
    // PostgreSQL pages the print records by a key column of their own (SchemaSteps, version 3).
    const QString printerDataKey =
        e == DbEngine::PostgreSQL ? QStringLiteral(", ") + PrinterDataKeyColumn +
                                        QStringLiteral(" bigint generated by default as identity")
                                  : QString();
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
               QStringLiteral("create table tHost (") + columnDefinitions(HostColumns, e) + u')',
               QStringLiteral("create table tPrinter (Name %1, IP %1, MAC %1, HostName %1, "
                              "tNetGroup %1, DeptName %1, IsMonitor %2)")
                   .arg(t255, byteType),
               // On PostgreSQL the paging key follows the first twelve, where the upgrade to
               // version 3 put it, so new and upgraded tables have one column order.
               QStringLiteral("create table tPrinterData (") +
                   columnDefinitions(OriginalPrinterDataColumns, e) + printerDataKey +
                   QStringLiteral(", ") + columnDefinitions(AppendedPrinterDataColumns, e) + u')',
               QStringLiteral("create table tShowSetting (tableName %1, FieldName %1, FName %2, "
                              "FWidth integer, Findex integer, IsVisible %3)")
                   .arg(t, t50, byteType),
               savedRecordTable(),
           } +
           webAccountStatements(e, true) + mailSentStatements(e) + totalsTableStatements(e) +
           costTableStatements(e) +
           // Checked against the tables when made.
           (e == DbEngine::PostgreSQL ? redactFunctionStatements() : QStringList{});
}

// Apart from the tables: a copy of many rows builds them once at the end, far quicker than
// keeping them up to date row by row.
QStringList indexStatements(DbEngine e)
{
    return printerDataIndexes() + printerDataKeyIndexes(e) +
           QStringList{
               QStringLiteral("create index ixHostName on tHost (HostName)"),
               QStringLiteral("create index ixHostMAC on tHost (MAC)"),
               QStringLiteral("create index ixHostIP on tHost (IP)"),
               QStringLiteral("create index ixDeptName on tDept (Name)"),
               QStringLiteral("create index ixPrinterName on tPrinter (Name)"),
           } +
           // Last: a copy's records are in before their totals are kept.
           totalsTriggerStatements(e);
}

// Schema statements name themselves in their error text: the text alone rarely says which one.
bool exec(QSqlQuery &q, const QString &statement, QString *error)
{
    return execStatement(q, statement, error, StatementInError::Named);
}

// A report with every reported column fits the page.
constexpr int reportWidth(RecordColumns columns)
{
    int width = 0;
    for (const RecordColumn &c : columns)
        width += c.reportWidth;
    return width;
}
static_assert(reportWidth(OriginalPrinterDataColumns) == ReportPageWidth);
static_assert(reportWidth(HostColumns) <= ReportPageWidth);

QString showSettingTitle(const RecordColumn &c, const LangLookup &lang)
{
    return columnTitle(ColumnTitle{QLatin1String(c.field), QLatin1String(c.titleKey)}, lang);
}

// One row per column with its title, report width and position; the columns from
// `reportedUpTo` on are not reported.
bool insertShowSettings(QSqlQuery &q, const QString &table, RecordColumns columns,
                        const LangLookup &lang, QString *error, int reportedUpTo = INT_MAX)
{
    if (!prepareStatement(q,
                          QStringLiteral("insert into tShowSetting (tableName, FieldName, FName, "
                                         "FWidth, Findex, IsVisible) Values (?, ?, ?, ?, ?, ?)"),
                          error))
        return false;
    for (int i = 0; i < columns.size(); ++i) {
        const RecordColumn &c = columns[i];
        q.addBindValue(table);
        q.addBindValue(QLatin1String(c.field));
        q.addBindValue(showSettingTitle(c, lang));
        q.addBindValue(c.reportWidth);
        q.addBindValue(i);
        q.addBindValue(i < reportedUpTo ? 1 : 0);
        if (!execPrepared(q, error))
            return false;
    }
    return true;
}

} // namespace

const QStringList &SchemaTables()
{
    static const QStringList tables{
        QStringLiteral("tSchemaVersion"), QStringLiteral("tDept"),
        QStringLiteral("tHost"),          QStringLiteral("tPrinter"),
        QStringLiteral("tPrinterData"),   QStringLiteral("tShowSetting"),
        QStringLiteral("tSavedRecord"),   QStringLiteral("tWebAccount"),
        QStringLiteral("tMailSent"),
    };
    static const QStringList withTotals = tables + TotalsTables() + CostTables();
    return withTotals;
}

bool createSchemaTables(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    for (const QString &s : createStatements(engineOf(db))) {
        if (!exec(q, s, error))
            return false;
    }
    return true;
}

bool createSchemaIndexes(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    for (const QString &s : indexStatements(engineOf(db))) {
        if (!exec(q, s, error))
            return false;
    }
    return true;
}

bool createSchema(QSqlDatabase &db, const LangLookup &lang, QString *error)
{
    if (!beginWrite(db, error))
        return false;
    QSqlQuery q(db);
    bool ok = createSchemaTables(db, error) && createSchemaIndexes(db, error);
    if (ok) {
        ok = prepareStatement(q, QStringLiteral("insert into tSchemaVersion (Version) Values (?)"),
                              error);
        q.addBindValue(SchemaVersion);
        ok = ok && execPrepared(q, error);
    }
    if (ok) {
        ok = prepareStatement(
            q, QStringLiteral("insert into tDept (Name, SuperName) Values (?, '-1')"), error);
        q.addBindValue(lang(QStringLiteral("RSDefaultDept")));
        ok = ok && execPrepared(q, error);
    }
    ok = ok &&
         insertShowSettings(q, QStringLiteral("tPrinterData"), PrinterDataColumns, lang, error,
                            ReportedPrinterDataColumns) &&
         insertShowSettings(q, QStringLiteral("tHost"), HostColumns, lang, error);
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

namespace {

// Large databases tell the upgrade's progress on standard output, a line per tenth of the work.
constexpr qint64 RecordsWorthTelling = 200000;

bool buildTotals(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    const bool tell = q.exec(QStringLiteral("select count(*) from tPrinterData")) && q.next() &&
                      q.value(0).toLongLong() >= RecordsWorthTelling;
    q.finish();
    int told = 0;
    QTextStream out(stdout);
    return RebuildTotals(
        db,
        [&](int done, int of) {
            if (!tell || done * 10 / of == told)
                return;
            told = done * 10 / of;
            out << "Building the totals of the print records: " << told * 10 << " %" << Qt::endl;
        },
        error);
}

// Columns [first, last) of tPrinterData appended to an older table, NULL in its records, with
// their column settings. A step knows no language: the settings are titled by their field names
// until the console writes its grid's titles into them, as it does whenever it opens the
// settings window.
QStringList appendPrinterDataColumns(DbEngine e, int first, int last)
{
    QStringList s, fields;
    for (int i = first; i < last; ++i) {
        const RecordColumn &c = PrinterDataColumnTable[i];
        s << QStringLiteral("alter table tPrinterData add column %1 %2")
                 .arg(QLatin1String(c.field), columnType(c, e));
        fields << QuotedStr(QLatin1String(c.field));
    }
    s << QStringLiteral("delete from tShowSetting where tableName='tPrinterData' and "
                        "FieldName in (") +
             fields.join(QStringLiteral(", ")) + u')';
    for (int i = first; i < last; ++i) {
        const RecordColumn &c = PrinterDataColumnTable[i];
        s << QStringLiteral(
                 "insert into tShowSetting (tableName, FieldName, FName, FWidth, Findex, "
                 "IsVisible) values ('tPrinterData', %1, %1, %2, %3, 0)")
                 .arg(QuotedStr(QLatin1String(c.field)))
                 .arg(c.reportWidth)
                 .arg(i);
    }
    return s;
}

} // namespace

const std::vector<SchemaStep> &SchemaSteps()
{
    static const std::vector<SchemaStep> steps{
        // 2: the print record indexes carry the page count, so the chart's totals are read from
        // an index; the save's marker table, which databases of the first days lack.
        {2,
         [](DbEngine) {
             QStringList s{savedRecordTable("create table if not exists")};
             for (const QString &create : printerDataIndexes())
                 s << QStringLiteral("drop index if exists ") + create.section(u' ', 2, 2)
                   << create;
             return s;
         }},
        // 3: PostgreSQL's print records get a key column with an index to page by (ctid has
        // none, so the first page of every record was a sort of the whole table). Adding it
        // numbers the existing rows. SQLite pages by rowid, which is such a key already.
        {3,
         [](DbEngine e) {
             if (e != DbEngine::PostgreSQL)
                 return QStringList{};
             return QStringList{QStringLiteral("alter table tPrinterData add column ") +
                                PrinterDataKeyColumn +
                                QStringLiteral(" bigint generated by default as identity")} +
                    printerDataKeyIndexes(e);
         }},
        // 4: PostgreSQL's function through which the agent's own login replaces due document
        // names (it may not change print records itself).
        {4,
         [](DbEngine e) {
             return e == DbEngine::PostgreSQL ? redactFunctionStatements() : QStringList{};
         }},
        // 5: how each job ended, the pages printed, colour and two-sided, appended to the print
        // records (NULL in the records stored before), with their column settings.
        {5, [](DbEngine e) { return appendPrinterDataColumns(e, colJobOutcome, colCost); }},
        // 6: the web view's accounts.
        {6, [](DbEngine e) { return webAccountStatements(e, false); }},
        // 7: the accounts' e-mail addresses and the record of what was mailed.
        {7,
         [](DbEngine e) {
             return QStringList{QStringLiteral("alter table tWebAccount add column Email ") +
                                textColumnType(e, 255)} +
                    mailSentStatements(e);
         }},
        // 8: the kept totals. Step 9 makes them, with their cost figure, where they are missing:
        // its triggers and build read the records' cost column.
        {8, [](DbEngine) { return QStringList{}; }},
        // 9: the price list, paper factors, budgets and paper stock; each record's cost
        // (NULL in the records stored before) and the kept totals' cost figure.
        {9,
         [](DbEngine e) {
             return costTableStatements(e) + appendPrinterDataColumns(e, colCost, colCost + 1);
         },
         [](QSqlDatabase &db, QString *error) { return addCostToTotals(db, buildTotals, error); }},
        // 10: the totals by year, summed from those by month, so that a period of a year reads
        // a row per name.
        {10, [](DbEngine e) { return totalsYearStatements(e); }},
        // 11: SQLite's totals log without constraints, which made each record's insert keep a
        // statement journal.
        {11, [](DbEngine e) { return totalsLogWithoutConstraints(e); }},
    };
    return steps;
}

namespace {

// Any fixed number: the lock that serialises upgrades of one PostgreSQL database.
constexpr qint64 UpgradeLockId = 0x5665736b; // "Vesk"
// How long an opener waits for another program's upgrade of the same SQLite file before giving
// up; each try waits the connection's busy timeout.
constexpr int UpgradeLockTries = 30;

int sqliteUserVersion(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt() : 0;
}

// Takes the upgrade lock inside a new transaction.
bool lockForUpgrade(QSqlDatabase &db, QString *error)
{
    if (engineOf(db) == DbEngine::PostgreSQL) {
        if (!beginWrite(db, error))
            return false;
        QSqlQuery q(db);
        if (exec(q, QStringLiteral("select pg_advisory_xact_lock(%1)").arg(UpgradeLockId), error))
            return true;
        rollbackWrite(db);
        return false;
    }
    for (int i = 0;; ++i) {
        QString e;
        if (beginWrite(db, &e))
            return true;
        if (i + 1 >= UpgradeLockTries || !e.contains(QStringLiteral("locked"))) {
            if (error)
                *error = e;
            return false;
        }
    }
}

} // namespace

SchemaCheck bringSchemaUpToDate(QSqlDatabase &db)
{
    using Outcome = SchemaCheck::Outcome;
    const bool sqlite = engineOf(db) == DbEngine::SQLite;
    SchemaCheck check;
    check.stored = storedSchemaVersion(db);
    if (check.stored == 0) {
        check.outcome = Outcome::NoTables;
        return check;
    }
    if (check.stored > SchemaVersion) {
        check.outcome = Outcome::Newer;
        return check;
    }
    const bool reindex = sqlite && sqliteUserVersion(db) < NoCaseOrderVersion;
    if (check.stored == SchemaVersion && !reindex)
        return check;

    // Only the NOCASE rebuild due: a busy or read-only file is left for a later start, as the
    // tables themselves are current.
    const bool mustUpgrade = check.stored < SchemaVersion;
    if (!lockForUpgrade(db, &check.error)) {
        check.outcome = mustUpgrade ? Outcome::Failed : Outcome::Current;
        return check;
    }
    // Another program may have upgraded while this one waited for the lock.
    check.stored = storedSchemaVersion(db);
    QSqlQuery q(db);
    bool ok = check.stored > 0 && check.stored <= SchemaVersion;
    for (const SchemaStep &step : SchemaSteps()) {
        if (!ok || step.to <= check.stored)
            continue;
        for (const QString &statement : step.statements(engineOf(db)))
            ok = ok && exec(q, statement, &check.error);
        if (ok && step.build)
            ok = step.build(db, &check.error);
    }
    // PostgreSQL's insufficient_privilege, which "must be owner" is too.
    check.lacksRights = !ok && q.lastError().nativeErrorCode() == u"42501";
    if (ok && check.stored < SchemaVersion)
        ok = exec(q, QStringLiteral("update tSchemaVersion set Version=%1").arg(SchemaVersion),
                  &check.error);
    // Indexes written by a tool with SQLite's own ASCII-only NOCASE may be ordered otherwise for
    // letters beyond ASCII: rebuilt once under the collation that every connection registers.
    if (ok && sqlite && sqliteUserVersion(db) < NoCaseOrderVersion)
        ok =
            exec(q, QStringLiteral("REINDEX NOCASE"), &check.error) &&
            exec(q, QStringLiteral("PRAGMA user_version=%1").arg(NoCaseOrderVersion), &check.error);
    q.finish();
    if (ok && commitWrite(db, &check.error)) {
        check.outcome = check.stored < SchemaVersion ? Outcome::Upgraded : Outcome::Current;
        return check;
    }
    rollbackWrite(db);
    if (check.stored > SchemaVersion) {
        check.outcome = Outcome::Newer;
        check.error.clear();
    } else {
        check.outcome = mustUpgrade ? Outcome::Failed : Outcome::Current;
    }
    return check;
}

bool upgradeSchema(QSqlDatabase &db, QString *error)
{
    const SchemaCheck check = bringSchemaUpToDate(db);
    switch (check.outcome) {
    case SchemaCheck::Outcome::Current:
    case SchemaCheck::Outcome::Upgraded:
        return true;
    case SchemaCheck::Outcome::NoTables:
        if (error)
            *error = QStringLiteral("The database holds no Vesk tables.");
        return false;
    case SchemaCheck::Outcome::Newer:
        if (error)
            *error = QStringLiteral("The database has version %1; this program knows up to %2.")
                         .arg(check.stored)
                         .arg(SchemaVersion);
        return false;
    case SchemaCheck::Outcome::Failed:
        break;
    }
    if (error)
        *error = check.error;
    return false;
}

QString pagingKey(const QSqlDatabase &db, const QString &table)
{
    if (engineOf(db) == DbEngine::PostgreSQL &&
        table.compare(QStringLiteral("tPrinterData"), Qt::CaseInsensitive) == 0)
        return PrinterDataKeyColumn;
    return rowKey(db);
}

QString pageTieBreak(const QString &table, const QString &column)
{
    if (table.compare(QStringLiteral("tPrinterData"), Qt::CaseInsensitive) != 0)
        return {};
    for (const auto &index : PrinterDataIndexes) {
        if (column.compare(QLatin1String(index.column), Qt::CaseInsensitive) == 0)
            return IndexCompanion;
    }
    return {};
}

QString unsortedPageOrder(const QSqlDatabase &db, const QString &table)
{
    const QString key = pagingKey(db, table);
    if (key == PrinterDataKeyColumn)
        return QStringLiteral("PrintTime, ") + key;
    return key;
}

} // namespace vesk
