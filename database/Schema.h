// The shared database's tables, initial rows and version, in one place.
#pragma once

#include "Catalogue.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace vesk {

// Version of the tables that this build writes; stored in tSchemaVersion.
constexpr int SchemaVersion = 2;

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

// Brings an older database up to SchemaVersion, step by step. False on a newer or foreign one.
bool upgradeSchema(QSqlDatabase &db, QString *error);

// Report widths of the initial column settings; each table's widths fit an A4 landscape page.
constexpr int ReportPageWidth = 1047;

} // namespace vesk
