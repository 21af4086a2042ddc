// Letter case ignored beyond ASCII on SQLite: the NOCASE collation and like.
#pragma once

#include <QStringView>

struct sqlite3;

namespace vesk {

// Registers on an open SQLite handle a NOCASE collation and a like function that ignore letter
// case by Unicode case folding ("MÜLLER" = "müller", Cyrillic and Greek alike), as citext does
// on PostgreSQL. NOCASE itself is replaced rather than a new name added, so the stored schema
// (columns and indexes declared COLLATE NOCASE) stays valid and readable by any SQLite tool,
// and every comparison, sort and index of those columns follows the same rule. False when
// SQLite refuses.
bool registerUnicodeNoCase(sqlite3 *handle);

// PRAGMA user_version of a file whose NOCASE indexes were rebuilt under this order (indexes
// written by a tool with the built-in, ASCII-only NOCASE may be ordered otherwise for non-ASCII
// letters). The rebuild runs once per file with the schema steps when a program opens it.
constexpr int NoCaseOrderVersion = 1;

// like with % and _ and an optional escape character, letter case folded. For tests and the
// SQLite function alike.
bool likeMatches(QStringView pattern, QStringView text, QChar escape = {});

} // namespace vesk
