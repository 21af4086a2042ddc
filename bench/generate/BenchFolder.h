// The benchmarks' application folders: made once with vesk-initdb and vesk-gen-demo, then kept.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace vesk {

// Runs a program with its output on ours and waits; true when it ended with status 0.
bool runProgram(const QString &program, const QStringList &args);

// An application folder with an English installation and a generated database (`records` print
// records, `hosts` computers); a folder that has its database already is kept as it is. Progress
// and the time taken go to `log`.
bool prepareBenchFolder(const QString &appDir, qint64 records, int hosts, QTextStream &log);

} // namespace vesk
