// The shared database's tables, initial rows and version, in one place.
#pragma once

#include "Catalogue.h"
#include "ConnectionString.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <vector>

namespace vesk {

// Version of the tables that this build writes; stored in tSchemaVersion. It is the `to` of the
// last entry of SchemaSteps().
constexpr int SchemaVersion = 11;

// One step from version `to - 1` to `to`: its statements for an engine, run in order inside the
// upgrade's transaction. A schema change is one entry appended to SchemaSteps(), together with
// the same change in the tables a new database is created with.
struct SchemaStep
{
    int to;
    QStringList (*statements)(DbEngine engine);
    // Then, in the same transaction, what statements alone cannot do (build from the rows).
    bool (*build)(QSqlDatabase &db, QString *error) = nullptr;
};
const std::vector<SchemaStep> &SchemaSteps();

// Creates every table and index of a new, empty database and its initial rows (the default
// department and the column display settings) from the catalogue `lang`. All or nothing.
bool createSchema(QSqlDatabase &db, const LangLookup &lang, QString *error);

// Every table of the schema, as the statements name them.
const QStringList &SchemaTables();

// The tables and functions of createSchema without any row, and then its indexes, inside the
// caller's transaction: a copy of another database brings its own rows, and builds the indexes
// once they are in.
bool createSchemaTables(QSqlDatabase &db, QString *error);
bool createSchemaIndexes(QSqlDatabase &db, QString *error);

// The version stored in the database, 0 when it has none (not one of ours).
int storedSchemaVersion(const QSqlDatabase &db);

// What opening a database found, and did, about its version.
struct SchemaCheck
{
    enum class Outcome
    {
        Current,  // nothing to do
        Upgraded, // older, brought up to SchemaVersion
        NoTables, // no tSchemaVersion: a database still to be created, left alone
        Newer,    // written by a newer program: must not be used
        Failed    // the upgrade failed and was rolled back; `error` says why
    };
    Outcome outcome = Outcome::Current;
    int stored = 0; // the version found
    QString error;
    // Failed because this login may not change the tables (a role such as vesk_agent): the
    // owner's login must bring the database up to date.
    bool lacksRights = false;
};

// Brings an older database up to SchemaVersion, applying the steps above the stored version in
// one transaction that holds the database's write lock (BEGIN IMMEDIATE on SQLite, an advisory
// lock on PostgreSQL), so two programs opening an old database together upgrade it once; the
// version is read again under the lock. On SQLite the same transaction rebuilds the NOCASE
// indexes once per file (marked in PRAGMA user_version). A failure leaves the database as it was.
// Every program runs this when it opens the database (openDatabase).
SchemaCheck bringSchemaUpToDate(QSqlDatabase &db);

// bringSchemaUpToDate as a yes or no: false with the reason for a newer, foreign or failed one.
bool upgradeSchema(QSqlDatabase &db, QString *error);

// The column that pages of `table` end their order with: a key column with an index where the
// table has one for paging (tPrinterData on PostgreSQL), else the engine's row key (rowKey).
QString pagingKey(const QSqlDatabase &db, const QString &table);
// The order of a page of `table` whose statement asks for none. On PostgreSQL tPrinterData's
// key follows the time records were stored, which the planner cannot know: a search ordered by
// the key alone walks the key's index from the oldest record and filters every row before the
// matches (1.4 s for a 30-day search at 10M records). Time first lets it take the time index.
QString unsortedPageOrder(const QSqlDatabase &db, const QString &table);
// The column a page sorted on `column` of `table` breaks ties by before the paging key, or empty.
// Every index of tPrinterData carries TotalPageCount after the column it sorts (the trend chart
// reads its totals from the indexes alone), so ties ordered by it and then by the row key follow
// the index, and a page far down is read from the index instead of sorting every row before it
// (scrolling to row 10,000 of a million took ten times as long). Page counts never change once
// stored, so the order is as stable as the key's.
QString pageTieBreak(const QString &table, const QString &column);
// The key column that PostgreSQL's tPrinterData carries for paging; no record field.
inline const QString PrinterDataKeyColumn = QStringLiteral("RecordKey");

// Report widths of the initial column settings; each table's widths fit an A4 landscape page.
constexpr int ReportPageWidth = 1047;

} // namespace vesk
