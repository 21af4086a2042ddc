// What the benchmarks share: a generated application folder, child processes, memory figures.
#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace vesk {

class TdmMain;

// Kilobytes of a /proc/self/status line ("VmRSS:", "VmHWM:"); -1 when it cannot be read.
long statusKb(const char *key);

// Runs a program with its output on ours; true when it ended normally with status 0.
bool runProgram(const QString &program, const QStringList &args);

// Writes the folder's Config.ini for `constr` and copies the English catalogue; false on failure.
bool writeBenchConfig(const QString &appDir, const QString &langDir, const QString &constr);

// An application folder (path with a trailing separator) with an English installation and a
// database made by `initdb` and filled by `genDemo`. An SQLite file is kept when it exists
// already; a server's database (an other `constr`) is made every time. With `copies` above 1
// the generator writes records / copies and makes the copies in the database.
bool prepareBenchApp(const QString &appDir, const QString &langDir, const QString &initdb,
                     const QString &genDemo, qint64 records, int hosts,
                     const QString &constr = QStringLiteral("Provider=SQLite;Data Source=vesk.db"),
                     int copies = 1);

// A data benchmark's folder and how to fill it.
struct BenchData
{
    QString appDir, langDir, initdb, genDemo, pgServer; // pgServer: scripts/pg-server
    qint64 records = 0;
    int hosts = 0;
    bool postgres = false; // on a private server in appDir/pg-server, halted (kept) afterwards
    int copies = 1;
};

// The options naming a data benchmark's folder and how to fill it: --app (default
// $TMPDIR/`folderName`), --records, --hosts, --postgres, --copies.
void addBenchDataOptions(QCommandLineParser &cl, const QString &folderName);
// `programs` (its langDir, initdb, genDemo and pgServer) with the folder the options name.
BenchData benchDataFrom(const QCommandLineParser &cl, BenchData programs);

// Fills the folder as prepareBenchApp does; with `postgres`, on the private server a previous
// run left halted when its database holds `records` print records (generating millions of rows
// on a server takes many minutes), else on a new one. The connection string, empty on failure
// (said on standard output).
QString prepareBenchData(const BenchData &data);
// Halts the folder's server, kept for the next run; `pg-server stop` on it removes it.
void haltBenchServer(const BenchData &data);

// Opens `dm`'s connection to the folder's SQLite database and its English language file, as
// the console does; false with the reason in `error`.
bool openBenchApp(TdmMain &dm, const QString &appDir, QString *error);

} // namespace vesk
