// Where a report or an export is written when its name is given: the one rule for every format.
#pragma once

#include <QSaveFile>
#include <QString>

#include <optional>

namespace vesk {

// The file that writing `fileName` replaces: the file a symbolic link names (followed to the
// end, so the link stays a link and its target gets the new content), or `fileName` itself. An
// existing file that this process may not write is refused, although a rename over it would
// succeed in a writable folder. None with the reason ("Permission denied: /path").
std::optional<QString> OutputFile(const QString &fileName, QString *error = nullptr);

// Opens `file` on OutputFile(fileName) for writing under a temporary name (QSaveFile: a failure
// leaves the old file as it was). False with the reason.
bool OpenOutputFile(const QString &fileName, QSaveFile &file, QString *error = nullptr);

} // namespace vesk
