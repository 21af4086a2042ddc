// The tray commands that leave the agent: starting the console and opening the web page.
#include "AgentFixture.h"
#include "AgentShell.h"

#include <QAction>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <chrono>

namespace vesk::test {

namespace {

// Stands in for the desktop's browser: records what it is asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

// Waits, with the event loop running, until `done` holds or a generous time has passed.
template <class P> bool waitUntil(P done, int seconds = 30)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return true;
}

} // namespace

class ShellTest : public AgentFixture
{
protected:
    void SetUp() override
    {
        AgentFixture::SetUp();
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &catcher, "open");
    }
    void TearDown() override
    {
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
        AgentFixture::TearDown();
    }

    // A stand-in console: a script that notes how it was started, then ends.
    void writeConsole(QFile::Permissions permissions) const
    {
        app.write(QStringLiteral("Veskadmin"),
                  QStringLiteral("#!/bin/sh\n"
                                 "d=$(dirname \"$0\")\n"
                                 "{ echo \"$0\"; pwd; } > \"$d/started.part\"\n"
                                 "mv \"$d/started.part\" \"$d/started\"\n"));
        QFile::setPermissions(app.file(QStringLiteral("Veskadmin")), permissions);
    }

    // The start-up's busy cursor stays until the splash ends; these windows are never shown,
    // so it is cleared to see whether a command leaves one of its own behind.
    static void clearBusyCursor()
    {
        while (QApplication::overrideCursor() != nullptr)
            QApplication::restoreOverrideCursor();
    }

    UrlCatcher catcher;
};

TEST_F(ShellTest, TheConsoleStartsFromTheAgentsOwnFolder)
{
    writeConsole(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    start();
    frm->Shell()->MenuStartManageTool->trigger();
    const QString marker = app.file(QStringLiteral("started"));
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(marker); }));
    QFile f(marker);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(f.readAll()).split(u'\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], app.file(QStringLiteral("Veskadmin")));
    EXPECT_EQ(QFileInfo(lines[1]).canonicalFilePath(), QFileInfo(app.path()).canonicalFilePath());
    EXPECT_FALSE(log().contains(QStringLiteral("Could not start")));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellTest, AConsoleThatIsMissingOrCannotRunIsLoggedWithoutABox)
{
    // The text comes from the catalogue, so a Chinese installation shows its own.
    QFile english(app.file(QStringLiteral("English.ini")));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    QByteArray texts = english.readAll();
    english.close();
    ASSERT_TRUE(texts.contains("RSStartManageToolErr=Could not start %s"));
    app.writeBytes(QStringLiteral("English.ini"),
                   texts.replace("RSStartManageToolErr=Could not start %s",
                                 "RSStartManageToolErr=Cannot run %s"));
    start();
    const QString program = app.file(QStringLiteral("Veskadmin"));
    const QString line = QStringLiteral("Cannot run ") + program;
    frm->Shell()->MenuStartManageTool->trigger();
    EXPECT_EQ(log().count(line), 1) << log().toStdString();

    // Present but not executable: the start fails the same way.
    writeConsole(QFile::ReadOwner | QFile::WriteOwner);
    frm->Shell()->MenuStartManageTool->trigger();
    EXPECT_EQ(log().count(line), 2) << log().toStdString();
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("started"))));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellTest, TheWebPageComesFromWebSearchUrlWhateverTheBlanksAndLetterCase)
{
    // As the desktop writes an internet shortcut, with a decoy section first.
    app.write(QStringLiteral("WebSearch.url"),
              QStringLiteral("[DEFAULT]\r\nBASEURL=https://wrong.example.org/\r\n"
                             "[ internetSHORTCUT ]\r\n"
                             "  Url  =  https://print.example.org/search?q=Vesk  \r\n"
                             "IDList=\r\nHotKey=0\r\n"));
    start();
    clearBusyCursor();
    frm->Shell()->MenuWebSearch->trigger();
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("https://print.example.org/search?q=Vesk")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellTest, AMissingWebSearchUrlOrKeyOpensNothingAndSaysNothing)
{
    start();
    clearBusyCursor();
    const QString logBefore = log();
    frm->Shell()->MenuWebSearch->trigger();
    // The section without its key.
    app.write(QStringLiteral("WebSearch.url"),
              QStringLiteral("[InternetShortcut]\nIDList=\nURLs=https://wrong.example.org/\n"));
    frm->Shell()->MenuWebSearch->trigger();
    EXPECT_TRUE(catcher.opened.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(log(), logBefore);
}

} // namespace vesk::test

#include "ShellTest.moc"
