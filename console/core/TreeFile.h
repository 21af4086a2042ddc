// TreeFile: the saved tree files (NetDate.dat, DeptTreeData.dat) written and read byte for byte.
#pragma once

#include "TreeNodes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vesk {

// The tree-view error of a level jump: the level in place of %d, then the item in quotes.
inline constexpr const char *InvalidLevelText = "Invalid level (%d) for item ";

// One line per node in tree order: as many TABs as the node's level, its text in the code page
// of `charset`, CR LF. No byte-order mark, no header; an empty tree gives no bytes.
QByteArray TreeFileBytes(const TreeNodes &tree, int charset);

// The lines of TreeFileBytes as texts: as many TABs as the level, then the text.
QStringList TreeFileLines(const TreeNodes &tree);

// Creates `fileName` anew with TreeFileBytes. False with the reason in `error`.
bool WriteTreeFile(const QString &fileName, const TreeNodes &tree, int charset, QString *error);

// Clears `tree` and fills it from the bytes: lines end at CR LF, a lone CR or a lone LF, the text
// ends at a zero byte; each leading TAB or blank is one level. A line more than one level deeper
// than the one before stops the reading with InvalidLevelText in `error`; the nodes read so far
// stay. Read nodes get no image.
bool ParseTreeFile(const QByteArray &bytes, int charset, TreeNodes &tree, QString *error);

// ParseTreeFile of the file's bytes; a file that cannot be read is an error too.
bool ReadTreeFile(const QString &fileName, int charset, TreeNodes &tree, QString *error);

} // namespace vesk
