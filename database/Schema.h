// The shared database's tables, initial rows and version, in one place.
#pragma once

#include "Catalogue.h"

#include <QSqlDatabase>
#include <QString>

namespace vesk {

// Version of the tables that this build writes; stored in tSchemaVersion.
constexpr int SchemaVersion = 3;

// Creates every table and index of a new, empty database and its initial rows (the default
// department and the column display settings) from the catalogue `lang`. All or nothing.
bool createSchema(QSqlDatabase &db, const LangLookup &lang, QString *error);

// The version stored in the database, 0 when it has none (not one of ours).
int storedSchemaVersion(const QSqlDatabase &db);

// Brings an older database up to SchemaVersion, step by step. False on a newer or foreign one.
// Column settings that a step adds take their titles from `lang` (the field names without it).
bool upgradeSchema(QSqlDatabase &db, QString *error, const LangLookup &lang = {});

// Report widths of the initial column settings; each table's widths fit an A4 landscape page.
constexpr int ReportPageWidth = 1047;

} // namespace vesk
