// Both LoadSettings routines: the success path and every failure path.
#include "SettingsRoutines.h"

#include "Errors.h"
#include "MainDM.h"
#include "ScriptedPresenter.h"
#include "TestCatalogue.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TestAppDir;

namespace {

struct ConsoleWindow : ConsoleSettingsTarget
{
    void setForceClose() override { forceClose = true; }
    void postClose() override { ++closeRequests; }
    void setProductCaption(const QString &c) override { caption = c; }
    void applyCatalogue(TdmMain &) override { applied = true; }
    bool forceClose = false;
    int closeRequests = 0;
    QString caption;
    bool applied = false;
};

struct AgentWindow : AgentSettingsTarget
{
    void applyListCharset(int c) override { charset = c; }
    void closeAndWait() override { ++closeRequests; }
    void applyCatalogue(TdmMain &) override { applied = true; }
    int charset = -1;
    int closeRequests = 0;
    bool applied = false;
};

class Settings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::prepareMini(dir);
        console.setMessagePresenter(&boxes);
        agent.setMessagePresenter(&boxes);
    }
    TestAppDir dir;
    test::ScriptedPresenter boxes;
    TdmMain console{TdmMain::Program::Console, dir.path()};
    TdmMain agent{TdmMain::Program::Agent, dir.path()};
    ConsoleWindow consoleWindow;
    AgentWindow agentWindow;
};

} // namespace

TEST_F(Settings, ConsoleLoadsEverything)
{
    ASSERT_TRUE(LoadConsoleSettings(console, consoleWindow));
    EXPECT_TRUE(console.acntVesk.Connected());
    EXPECT_EQ(console.LangCode, QStringLiteral("en"));
    EXPECT_EQ(consoleWindow.caption, QStringLiteral("Vesk Printer Monitor System V9"));
    EXPECT_TRUE(consoleWindow.applied);
    EXPECT_FALSE(consoleWindow.forceClose);
    EXPECT_EQ(console.GetLangString(QStringLiteral("RSDefaultDept")),
              QStringLiteral("Head Office"));
    EXPECT_EQ(console.aqryHost->displayLabel(QStringLiteral("DeptName")),
              QStringLiteral("Department"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Settings, ConsoleConnectionFailureShowsTheDatabaseTextAndForcesClose)
{
    dir.writeConfig(QStringLiteral("Mini.ini"), QStringLiteral("0"),
                    QStringLiteral("[Lang]\nRSConfirmation=From config\n"));
    QFile::remove(dir.databaseFile());
    EXPECT_FALSE(LoadConsoleSettings(console, consoleWindow));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("From config"));
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("vesk.db")));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONEXCLAMATION));
    EXPECT_TRUE(consoleWindow.forceClose);
    EXPECT_EQ(consoleWindow.closeRequests, 1);
    EXPECT_FALSE(consoleWindow.applied);
    EXPECT_EQ(console.LangCode, QString());
}

TEST_F(Settings, ConsoleWithoutConfigReachesTheConnectionFailure)
{
    QFile::remove(dir.file(QStringLiteral("Config.ini")));
    EXPECT_FALSE(LoadConsoleSettings(console, consoleWindow));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, QString());
    EXPECT_TRUE(consoleWindow.forceClose);
}

TEST_F(Settings, ConsoleBadCharsetThrowsAfterConnecting)
{
    dir.writeConfig(QStringLiteral("Mini.ini"), QStringLiteral("GB2312"));
    try {
        LoadConsoleSettings(console, consoleWindow);
        FAIL() << "no conversion error";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'GB2312' is not a valid integer value"));
    }
    EXPECT_TRUE(console.acntVesk.Connected());
    EXPECT_EQ(console.LangFileName, QString());
    EXPECT_TRUE(consoleWindow.caption.isEmpty());
}

TEST_F(Settings, AgentLoadsEverythingAndOpensHosts)
{
    dir.writeConfig(QStringLiteral("Mini.ini"), QStringLiteral("134"));
    ASSERT_TRUE(LoadAgentSettings(agent, agentWindow));
    EXPECT_EQ(agentWindow.charset, 134);
    EXPECT_TRUE(agent.acntVesk.Connected());
    EXPECT_TRUE(agent.aqryHost->Active());
    EXPECT_TRUE(agentWindow.applied);
    EXPECT_EQ(agent.aqryPrinterData->displayLabel(QStringLiteral("OperatorName")),
              QStringLiteral("User"));
    // The agent leaves the language code to the end of its start-up.
    EXPECT_EQ(agent.LangCode, QString());
}

TEST_F(Settings, AgentConnectionFailureShowsTheCatalogueMessageAndStops)
{
    QFile::remove(dir.databaseFile());
    EXPECT_FALSE(LoadAgentSettings(agent, agentWindow));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Cannot connect to the database"));
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONSTOP));
    EXPECT_EQ(agentWindow.closeRequests, 1);
    EXPECT_FALSE(agentWindow.applied);
}

TEST_F(Settings, AgentWithoutConfigStopsAtTheCharsetFirst)
{
    QFile::remove(dir.file(QStringLiteral("Config.ini")));
    EXPECT_THROW(LoadAgentSettings(agent, agentWindow), EConvertError);
    EXPECT_FALSE(agent.acntVesk.Connected());
    EXPECT_EQ(agentWindow.charset, -1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Settings, MissingLanguageFileLeavesTextsEmpty)
{
    dir.writeConfig(QStringLiteral("/absolute/Mini.ini"));
    ASSERT_TRUE(LoadConsoleSettings(console, consoleWindow));
    EXPECT_EQ(console.GetLangString(QStringLiteral("RSDefaultDept")), QString());
    EXPECT_EQ(consoleWindow.caption, QStringLiteral("Vesk Printer Monitor System "));
}

TEST_F(Settings, ConfigNamesFilesInUtf8OrInItsOwnCodePage)
{
    const struct
    {
        const char *charset;
        QByteArray database; // 打印记录.db
        QByteArray language; // 界面.ini
    } cases[] = {
        {"0", "\xE6\x89\x93\xE5\x8D\xB0\xE8\xAE\xB0\xE5\xBD\x95.db",
         "\xE7\x95\x8C\xE9\x9D\xA2.ini"},
        {"134", "\xE6\x89\x93\xE5\x8D\xB0\xE8\xAE\xB0\xE5\xBD\x95.db",
         "\xE7\x95\x8C\xE9\x9D\xA2.ini"},
        {"134", "\xB4\xF2\xD3\xA1\xBC\xC7\xC2\xBC.db", "\xBD\xE7\xC3\xE6.ini"},
    };
    QFile::rename(dir.databaseFile(), dir.file(QStringLiteral("打印记录.db")));
    QFile::copy(dir.file(QStringLiteral("Mini.ini")), dir.file(QStringLiteral("界面.ini")));
    for (const auto &c : cases) {
        dir.writeBytes(QStringLiteral("Config.ini"),
                       "[Connection]\r\nConstr=Provider=SQLite;Data Source=" + c.database +
                           "\r\n[Font]\r\nCharset=" + c.charset +
                           "\r\n[Language]\r\nFileName=" + c.language + "\r\n");
        TdmMain dm(TdmMain::Program::Console, dir.path());
        dm.setMessagePresenter(&boxes);
        EXPECT_TRUE(LoadConsoleSettings(dm, consoleWindow)) << c.database.toHex().toStdString();
        EXPECT_EQ(dm.LangFileName, QStringLiteral("界面.ini"));
        EXPECT_EQ(dm.LangCode, QStringLiteral("en"));
    }
    EXPECT_TRUE(boxes.shown.empty());
}
