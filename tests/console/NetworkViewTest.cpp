// The console's network view: the saved tree at start-up, the search-again command and its end.
#include "ConsoleFixture.h"
#include "DeptTreeView.h"
#include "MessageFlags.h"
#include "NetworkPane.h"
#include "NetworkSearch.h"
#include "ViewButton.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

using namespace vesk;
using namespace vesk::test;

namespace {

// "level:image:text" of every item, with '+' for an expanded one.
QStringList Items(QTreeWidget *tree)
{
    QStringList items;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        int level = 0;
        for (QTreeWidgetItem *p = (*it)->parent(); p; p = p->parent())
            ++level;
        items << QStringLiteral("%1:%2:%3%4")
                     .arg(level)
                     .arg((*it)->data(0, Qt::UserRole).toInt())
                     .arg((*it)->text(0), (*it)->isExpanded() ? "+" : "");
    }
    return items;
}

class NetworkView : public ConsoleFixture
{
};

} // namespace

TEST_F(NetworkView, StartUpLoadsTheSavedTreeOrAsks)
{
    struct Case
    {
        const char *name;
        std::optional<QByteArray> file; // nothing: no NetDate.dat
        QStringList items;
        QStringList boxes;
        bool complete;
    };
    const Case cases[] = {
        {"saved tree",
         QByteArray("Net\r\n\tOFFICE\r\n\t\t\\\\PC1\r\n\t\t\t\\\\PC1\\laser\r\n"),
         {"0:0:Net+", "1:1:OFFICE+", "2:2:\\\\PC1+", "3:3:\\\\PC1\\laser+"},
         {},
         true},
        {"empty file", QByteArray(), {}, {}, true},
        {"level jump",
         QByteArray("Net\r\n  PC\r\n"),
         {"0:0:Net+"},
         {"Invalid level (2) for item \"PC\""},
         false},
        {"no file, Cancel",
         std::nullopt,
         {},
         {"No saved network data was found. Search the "
          "network now?"},
         true},
    };
    for (const Case &c : cases) {
        if (c.file)
            dir.writeBytes("Data/NetDate.dat", *c.file);
        else
            QFile::remove(dir.file("Data/NetDate.dat"));
        boxes.shown.clear();
        boxes.answer(IDCANCEL);
        window.reset();
        TComputerMFrm &w = showWindow();
        EXPECT_EQ(Items(w.ComputerTree), c.items) << c.name;
        EXPECT_EQ(boxTexts(), c.boxes) << c.name;
        EXPECT_EQ(w.MemLog->toPlainText().endsWith("Saved data loaded."), c.complete) << c.name;
        EXPECT_EQ(w.DeptTree->topLevelItemCount(), c.complete ? 1 : 0) << c.name; // the default
    }
}

TEST_F(NetworkView, SearchAgainDisablesTheViewsUntilTheLastThreadEnds)
{
    dir.write("network.map", "network = Net\n[OFFICE]\nlocalhost = laser\n[LAB] unreachable\n");
    TComputerMFrm &w = showWindow();
    w.BtnComputerTreeSearch->click();
    EXPECT_FALSE(w.btnHost->isEnabled());
    QSignalSpy finished(w.NetworkPane->Search(), &TNetworkSearch::searchFinished);
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_TRUE(w.btnHost->isEnabled());
    EXPECT_TRUE(w.BtnComputerTreeSearch->isEnabled());
    EXPECT_EQ(w.SearchThreadCount(), 0);
    EXPECT_EQ(Items(w.ComputerTree), QStringList({"0:0:Net+", "1:1:OFFICE+", "2:2:\\\\localhost+",
                                                  "3:3:\\\\localhost\\laser", "1:1:LAB"}));
    // The host collection runs on; its row arrives.
    for (int i = 0; i < 2000 && count("select count(*) from tHost where hostName='LOCALHOST'") == 0;
         ++i)
        QTest::qWait(10);
    EXPECT_EQ(count("select count(*) from tPrinter where HostName='LOCALHOST'"), 1);

    // The tree file cannot be written: the buttons come back first, then the error is shown.
    QDir(dir.file("Data")).removeRecursively();
    boxes.shown.clear();
    w.BtnComputerTreeSearch->click();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(boxTexts().size(), 1);
    EXPECT_TRUE(w.btnHost->isEnabled());
}

namespace {

// A probe that holds every collection in its first probe until released.
struct HeldProbe
{
    std::shared_ptr<std::atomic<bool>> released = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<int>> entered = std::make_shared<std::atomic<int>>(0);
    std::function<HostProbeResult(const QString &)> probe() const
    {
        return [released = released, entered = entered](const QString &name) {
            ++*entered;
            while (!*released)
                std::this_thread::yield();
            return HostProbeResult{name.toUpper(), {}, {}};
        };
    }
};

} // namespace

// The collection reads texts of the language file on its thread: closing ends it first.
TEST_F(NetworkView, ClosingEndsTheHostCollectionBeforeTheLanguageFileGoes)
{
    dir.write("network.map", "network = Net\n[OFFICE]\nPC1\n");
    boxes.answer(IDCANCEL); // no search at start-up
    TComputerMFrm &w = showWindow();
    const HeldProbe held;
    w.NetworkPane->Probe = held.probe();
    w.BtnComputerTreeSearch->click();
    QSignalSpy finished(w.NetworkPane->Search(), &TNetworkSearch::searchFinished);
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_TRUE(w.NetworkPane->HostInfoRunning());
    *held.released = true;
    w.ForceClose = true;
    w.close();
    EXPECT_FALSE(w.NetworkPane->HostInfoRunning());
}

// "Search again" while the last search's collection still probes: the new collection waits for
// the old one, which it replaces, and every computer is stored once.
TEST_F(NetworkView, OneHostCollectionRunsAtATime)
{
    dir.write("network.map", "network = Net\n[OFFICE]\nPC1\n");
    boxes.answer(IDCANCEL);
    TComputerMFrm &w = showWindow();
    const HeldProbe held;
    w.NetworkPane->Probe = held.probe();
    w.BtnComputerTreeSearch->click();
    QSignalSpy finished(w.NetworkPane->Search(), &TNetworkSearch::searchFinished);
    ASSERT_TRUE(finished.wait(20000));
    // The first collection is probing PC1 (a collection stopped before its first probe ends
    // without its closing line).
    ASSERT_TRUE(QTest::qWaitFor([&] { return *held.entered > 0; }, 20000));
    w.BtnComputerTreeSearch->click();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(w.NetworkPane->RunningHostInfos(), 1);
    *held.released = true;
    const QString end = dm->GetLangString(QStringLiteral("RSPrefixInfoEnd"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.MemLog->toPlainText().count(end) == 2; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.NetworkPane->HostInfoRunning(); }, 20000));
    EXPECT_EQ(count("select count(*) from tHost where hostName='PC1'"), 1);
}
