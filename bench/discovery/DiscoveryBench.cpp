// vesk-bench-discovery: the network search over a large map painted into the tree, and the
// host collection over a map of computers (run that inside namespaces: see hostinfo-namespaces).
#include "Database.h"
#include "HostInfo.h"
#include "MapNetwork.h"
#include "NetworkPane.h"
#include "NetworkSearch.h"
#include "Schema.h"
#include "WindowMessages.h"
#include "domainSearch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <fstream>
#include <string>

using namespace vesk;

namespace {

class QuietLog : public QObject, public ShowTipReceiver
{
public:
    void ShowTip(const QString &) override { ++lines; }
    int lines = 0;
};

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "VmRSS:" && status >> value)
            return value;
    }
    return 0;
}

QString Map(int groups, int computers, int printers)
{
    QString text = QStringLiteral("network = Bench\n");
    for (int g = 0; g < groups; ++g) {
        text += QStringLiteral("[GROUP%1]\n").arg(g);
        for (int c = 0; c < computers; ++c) {
            QStringList shares;
            for (int p = 0; p < printers; ++p)
                shares << QStringLiteral("printer%1").arg(p);
            text += QStringLiteral("G%1PC%2 = %3\n").arg(g).arg(c).arg(shares.join(u','));
        }
    }
    return text;
}

int BenchSearch(int groups, int computers, int printers)
{
    MapNetwork map = MapNetwork::FromText(Map(groups, computers, printers));
    QuietLog log;
    QTreeWidget tree;
    tree.resize(626, 422);
    tree.show();
    TNetworkSearch search(map, [](const QString &key) { return key; });
    search.LogWindow = &log;
    search.PlatformKind = GetPlatformKind();
    TreeWidgetMirror mirror(&tree, &search);
    QSignalSpy finished(&search, &TNetworkSearch::searchFinished);
    const long before = ResidentKb();
    QElapsedTimer timer;
    timer.start();
    search.Start();
    finished.wait(600000);
    tree.repaint();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("search %d x %d x %d: %d nodes, %d log lines, %.3f s to the painted tree, peak "
                "%d search threads (pool of %d), resident %ld -> %ld kB\n",
                groups, computers, printers, search.ComputerTree.Count(), log.lines, seconds,
                search.PeakThreadCount(), MaxSearchThreads, before, ResidentKb());
    return finished.count() == 1 ? 0 : 1;
}

int BenchHostInfo(const QString &mapFile)
{
    QString error;
    MapNetwork map = MapNetwork::FromFile(mapFile, &error);
    QuietLog log;
    TNetworkSearch search(map, [](const QString &key) { return key; });
    search.LogWindow = &log;
    search.PlatformKind = GetPlatformKind();
    QSignalSpy finished(&search, &TNetworkSearch::searchFinished);
    search.Start();
    finished.wait(600000);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vesk.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "create");
        db.setDatabaseName(file);
        if (!db.open() || !createSchema(
                              db, [](const QString &k) { return k; }, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    QSqlDatabase::removeDatabase("create");
    if (!openDatabase("bench", QStringLiteral("Provider=SQLite;Data Source=") + file, {}).ok)
        return 1;

    HostInfoSettings s;
    s.SourceConnection = QStringLiteral("bench");
    s.Lang = [](const QString &key) { return key; };
    s.LogWindow = &log;
    QElapsedTimer timer;
    timer.start();
    THostInfo info(s, search.ComputerTree);
    info.start();
    while (!info.wait(5))
        QCoreApplication::processEvents();
    std::printf("host collection of %zu computers: %.3f s (%d probes at a time)%s%s\n",
                ComputersOf(search.ComputerTree).size(), timer.nsecsElapsed() / 1e9,
                MaxProbeThreads,
                info.Error().isEmpty() ? "" : ", error: ", qPrintable(info.Error()));
    return info.Error().isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("hostinfo"))
        return BenchHostInfo(args[2]);
    const int groups = args.size() > 2 ? args[2].toInt() : 50;
    const int computers = args.size() > 3 ? args[3].toInt() : 40;
    const int printers = args.size() > 4 ? args[4].toInt() : 2;
    return BenchSearch(groups, computers, printers);
}
