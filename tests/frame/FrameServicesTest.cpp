// The frame's services: log lines from any thread, the posted hide, the charset of the fonts.
#include "FrameEvents.h"
#include "LumoForm.h"
#include "MainDM.h"
#include "Skip.h"
#include "WindowMessages.h"

#include <QEventLoop>
#include <QFontDatabase>
#include <QLabel>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

using namespace vesk;
using namespace vesk::test;

namespace {

// A main window that keeps its log lines and the thread each arrived on.
class LogFrm : public TLumoFrm
{
public:
    LogFrm() { SetLogWindow(this); }
    void ShowTip(const QString &text) override
    {
        lines << text;
        threads << QThread::currentThread();
        ++count;
    }
    QStringList lines;
    QList<QThread *> threads;
    std::atomic<int> count{0};
};

// A plain receiver, as a test double of a main window.
class PlainReceiver : public QObject, public ShowTipReceiver
{
public:
    QStringList lines;
    void ShowTip(const QString &text) override { lines << text; }
};

// Hides itself from inside its own show handling, as the agent does when started hidden.
class SelfHidingFrm : public TLumoFrm
{
public:
    int shows = 0;

protected:
    void FormShow() override
    {
        TLumoFrm::FormShow();
        ++shows;
        PostHide();
    }
};

// Runs `work` on a new thread while this thread's event loop keeps going.
template <typename F> void runOnWorker(F work)
{
    QThread *t = QThread::create(work);
    QEventLoop loop;
    QObject::connect(t, &QThread::finished, &loop, &QEventLoop::quit);
    t->start();
    loop.exec();
    t->wait();
    delete t;
}

} // namespace

TEST(FrameServices, SendLogFromWorkerArrivesOnTheWindowThreadBeforeItReturns)
{
    LogFrm frm;
    TLumoFrm dialog(&frm); // a dialog logs to the main window
    dialog.SetLogWindow(&frm);
    std::vector<int> seenAfterSend;
    runOnWorker([&] {
        dialog.SendLog(QStringLiteral("first"));
        seenAfterSend.push_back(frm.count.load());
        SendShowTip(&frm, QStringLiteral("second \u6253\u5370"));
        seenAfterSend.push_back(frm.count.load());
    });
    EXPECT_EQ(frm.lines,
              QStringList({QStringLiteral("first"), QStringLiteral("second \u6253\u5370")}));
    EXPECT_EQ(seenAfterSend, std::vector<int>({1, 2})); // the send waited for the handler
    for (QThread *t : frm.threads)
        EXPECT_EQ(t, frm.thread());

    // On the window thread the call is direct.
    frm.SendLog(QStringLiteral("third"));
    EXPECT_EQ(frm.lines.size(), 3);
}

TEST(FrameServices, SendLogWithoutLogWindowDoesNothing)
{
    TLumoFrm frm;
    EXPECT_EQ(frm.logWindow(), nullptr);
    frm.SendLog(QStringLiteral("nobody listens"));

    // A log window that is gone is the same as none.
    auto *gone = new LogFrm;
    frm.SetLogWindow(gone);
    delete gone;
    EXPECT_EQ(frm.logWindow(), nullptr);
    frm.SendLog(QStringLiteral("after"));
}

TEST(FrameServices, PlainReceiverGetsLinesFromAnyThread)
{
    PlainReceiver receiver;
    TLumoFrm frm;
    frm.SetLogWindow(&receiver);
    runOnWorker([&] { frm.SendLog(QStringLiteral("from worker")); });
    frm.SendLog(QStringLiteral("from window"));
    EXPECT_EQ(receiver.lines,
              QStringList({QStringLiteral("from worker"), QStringLiteral("from window")}));
}

TEST(FrameServices, PostHideHidesRightAfterTheShow)
{
    SelfHidingFrm frm;
    frm.show();
    EXPECT_TRUE(frm.isVisible()); // the request waits for the event loop
    EXPECT_EQ(frm.shows, 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(frm.isVisible());

    // Its owner can show it again, and the next posted request hides it again.
    frm.show();
    EXPECT_TRUE(frm.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(frm.shows, 2);
}

TEST(FrameServices, PostHideOfAWindowDestroyedMeanwhileIsHarmless)
{
    auto *frm = new TLumoFrm;
    frm->show();
    frm->PostHide();
    delete frm;
    QCoreApplication::processEvents();
}

TEST(FrameServices, ShowGivesTheFontsTheConfiguredCharset)
{
    const QStringList han = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    QTemporaryDir dir;
    TdmMain dm(TdmMain::Program::Console, dir.path());
    dm.FontCharset = 134;
    TLumoFrm::SetDataModule(&dm);
    TLumoFrm frm;
    frm.lblCaption->setText(QStringLiteral("Vesk\u6253\u5370\u673a\u76d1\u63a7\u7cfb\u7edf"));
    ASSERT_TRUE(showAndWait(&frm));
    TLumoFrm::SetDataModule(nullptr);

    EXPECT_TRUE(frm.lblCaption->font().bold()); // the caption keeps its own look
    const QStringList families = frm.lblCaption->font().families();
    if (han.isEmpty())
        VESK_SKIP() << "no font for Simplified Chinese on this machine";
    ASSERT_GE(families.size(), 2);
    EXPECT_TRUE(
        QFontDatabase::writingSystems(families.at(1)).contains(QFontDatabase::SimplifiedChinese));
    EXPECT_TRUE(frm.font().families().size() >= 2);

    // Showing again does not pile up fallbacks.
    frm.hide();
    TLumoFrm::SetDataModule(&dm);
    ASSERT_TRUE(showAndWait(&frm));
    TLumoFrm::SetDataModule(nullptr);
    EXPECT_EQ(frm.lblCaption->font().families(), families);
}
