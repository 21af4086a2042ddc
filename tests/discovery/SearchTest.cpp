// The network search over a map: tree, log lines, thread counting, failures.
#include "DiscoveryFixture.h"
#include "MapNetwork.h"
#include "NetworkSearch.h"
#include "TreeFile.h"
#include "domainSearch.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using namespace vesk;
using namespace vesk::test;

namespace {

QStringList Shape(const TreeNodes &tree)
{
    QStringList lines;
    tree.ForEach([&](const TreeNode &n) {
        lines << QStringLiteral("%1:%2:%3").arg(n.Level()).arg(n.ImageIndex).arg(n.Text);
    });
    return lines;
}

struct SearchRun
{
    QStringList log;
    QStringList messages;
    QStringList shape;
    int finished = 0;
    int peak = 0;
    QString error;
};

SearchRun Search(NetworkEnum &network, const QString &treeFile = {})
{
    LogRecorder log;
    SearchRun run;
    {
        TNetworkSearch search(network, KeyText);
        search.LogWindow = &log;
        search.PlatformKind = GetPlatformKind();
        search.TreeFileName = treeFile;
        int saved = 0;
        search.StartHostInfo = [&](const TreeNodes &) { ++saved; };
        QObject::connect(&search, &TNetworkSearch::plainMessage, &search,
                         [&](const QString &t) { run.messages << t; });
        QSignalSpy finished(&search, &TNetworkSearch::searchFinished);
        search.Start();
        EXPECT_TRUE(finished.wait(20000));
        run.finished = static_cast<int>(finished.count());
        run.error = finished.isEmpty() ? QString() : finished.first().first().toString();
        // Whatever arrives later would be a second end.
        QCoreApplication::processEvents();
        run.finished = static_cast<int>(finished.count());
        EXPECT_EQ(saved, run.finished);
        EXPECT_EQ(search.SearchThreadCount, 0);
        run.shape = Shape(search.ComputerTree);
        run.peak = search.PeakThreadCount();
    }
    run.log = log.lines;
    return run;
}

} // namespace

TEST(NetworkSearch, FindsGroupsComputersAndPrintersInOrder)
{
    // One enumeration thread, 3 group threads, 5 printer threads (one per computer).
    // A group without computers and one that cannot be listed keep their nodes.
    MapNetwork map = MapNetwork::FromText(QStringLiteral("network = Net\n"
                                                         "[OFFICE]\nPC1 = laser1, laser2\nPC2\n"
                                                         "[LAB]\nPC3 = plotter\nPC4\n"
                                                         "[EMPTY]\n[HIDDEN] unreachable\n"));
    QTemporaryDir dir;
    const SearchRun run = Search(map, dir.filePath(QStringLiteral("NetDate.dat")));
    EXPECT_EQ(run.finished, 1);
    EXPECT_TRUE(run.error.isEmpty());
    EXPECT_TRUE(run.messages.isEmpty());
    EXPECT_EQ(run.shape,
              QStringList({"0:0:Net", "1:1:OFFICE", "2:2:\\\\PC1", "3:3:\\\\PC1\\laser1",
                           "3:3:\\\\PC1\\laser2", "2:2:\\\\PC2", "1:1:LAB", "2:2:\\\\PC3",
                           "3:3:\\\\PC3\\plotter", "2:2:\\\\PC4", "1:1:EMPTY", "1:1:HIDDEN"}));
    EXPECT_EQ(run.log.first(), "<RSBeginSearch>");
    EXPECT_EQ(run.log.count("<RSFindGroup>OFFICE"), 1);
    EXPECT_EQ(run.log.filter("<RShost>").size(), 4);
    EXPECT_EQ(run.log.filter("<RSPrinter>").size(), 3);
    EXPECT_EQ(run.log.mid(run.log.size() - 2),
              QStringList({"<RSSearchComplete>", "<RSSaveTreeData>"}));
    EXPECT_LE(run.peak, MaxSearchThreads);

    TreeNodes saved;
    QString error;
    ASSERT_TRUE(ReadTreeFile(dir.filePath(QStringLiteral("NetDate.dat")), 0, saved, &error));
    EXPECT_EQ(saved.Count(), 12);
}

TEST(NetworkSearch, CountsEveryThreadAndEndsAfterTheLast)
{
    // 3 groups, 5 computers: 1 + 3 + 5 threads, the search ends after the ninth end report.
    MapNetwork map = MapNetwork::FromText(
        QStringLiteral("[A]\nP1 = x, y\nP2\n[B]\nP3 = z\nP4 = w, v\n[C]\nP5\n"));
    LogRecorder log;
    TNetworkSearch search(map, KeyText);
    search.LogWindow = &log;
    search.PlatformKind = GetPlatformKind();
    QList<int> remaining;
    int endedAfter = -1;
    QObject::connect(&search, &TNetworkSearch::threadEnded, &search,
                     [&](int left) { remaining << left; });
    QObject::connect(&search, &TNetworkSearch::searchFinished, &search,
                     [&] { endedAfter = static_cast<int>(remaining.size()); });
    QSignalSpy finished(&search, &TNetworkSearch::searchFinished);
    search.Start();
    ASSERT_TRUE(finished.wait(20000));
    QCoreApplication::processEvents();
    EXPECT_EQ(remaining.size(), 9);
    EXPECT_EQ(remaining.count(0), 1);
    EXPECT_EQ(remaining.last(), 0);
    EXPECT_EQ(endedAfter, 9);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(search.ComputerTree.Count(), 1 + 3 + 5 + 5);
}

TEST(NetworkSearch, FailuresShowTheirPlainMessages)
{
    struct Case
    {
        const char *name;
        QString map;
        QStringList messages;
        QStringList shape;
    };
    const Case cases[] = {
        {"no provider", QStringLiteral("[broken"), {OpenNetworkError, NetworkClosedError}, {}},
        {"nothing below the provider", QStringLiteral("network = Net\n"), {NetworkEmptyError}, {}},
    };
    for (const Case &c : cases) {
        MapNetwork map = MapNetwork::FromText(c.map);
        const SearchRun run = Search(map);
        EXPECT_EQ(run.finished, 1) << c.name;
        EXPECT_EQ(run.messages, c.messages) << c.name;
        EXPECT_EQ(run.shape, c.shape) << c.name;
    }
}

TEST(NetworkSearch, FailedTreeFileIsReportedAtTheEnd)
{
    MapNetwork map = MapNetwork::FromText(QStringLiteral("[A]\nP1\n"));
    const SearchRun run = Search(map, QStringLiteral("/nonexistent-folder/Data/NetDate.dat"));
    EXPECT_EQ(run.finished, 1);
    EXPECT_FALSE(run.error.isEmpty());
}

namespace {

// A network whose computer listings wait at a gate, as silent computers keep SMB listings
// waiting; counts the listings opened.
class GatedNetwork : public NetworkEnum
{
public:
    explicit GatedNetwork(MapNetwork &map) : map_(map) {}
    std::unique_ptr<NetEnumeration> OpenEnum(int scope, int type, int usage,
                                             const NetResource *resource) override
    {
        if (LevelOf(resource) == NetLevel::Computer) {
            std::unique_lock<std::mutex> lock(mutex_);
            ++opened_;
            changed_.wait(lock, [this] { return open_; });
        }
        return map_.OpenEnum(scope, type, usage, resource);
    }
    int Opened()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return opened_;
    }
    void OpenGate()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    MapNetwork &map_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int opened_ = 0;
    bool open_ = false;
};

} // namespace

TEST(NetworkSearch, StoppingDropsTheListingsStillQueued)
{
    QString text = QStringLiteral("[OFFICE]\n");
    for (int i = 0; i < 5 * MaxSearchThreads; ++i)
        text += QStringLiteral("PC%1\n").arg(i);
    MapNetwork map = MapNetwork::FromText(text);
    GatedNetwork network(map);
    LogRecorder log;
    auto search = std::make_unique<TNetworkSearch>(network, KeyText);
    search->LogWindow = &log;
    search->PlatformKind = GetPlatformKind();
    search->Start();
    // Every pool thread waits in a listing; the other computers wait in the queue.
    const auto computers = [&] {
        int n = 0;
        search->ComputerTree.ForEach([&](const TreeNode &node) { n += node.ImageIndex == 2; });
        return n;
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return network.Opened() == MaxSearchThreads && computers() == 5 * MaxSearchThreads; },
        20000));
    TNetworkSearch *stopping = search.get();
    std::thread opener([&] {
        while (!stopping->Stopping())
            std::this_thread::yield();
        network.OpenGate();
    });
    search.reset(); // as the console closes
    opener.join();
    EXPECT_EQ(network.Opened(), MaxSearchThreads); // only the listings under way
}
