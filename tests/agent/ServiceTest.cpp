// The built Veskagent as a headless service: SIGTERM closes it like the exit command and saves.
#include "AgentProcess.h"
#include "JournalRow.h"
#include "RecordJournal.h"
#include "TestAppDir.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace vesk::test {

namespace {

bool waitForOutput(QProcess &p, QByteArray &out, const QByteArray &text)
{
    while (!out.contains(text)) {
        if (!p.waitForReadyRead(30000))
            return false;
        out += p.readAllStandardOutput();
    }
    return true;
}

} // namespace

TEST(ServiceTest, SigtermInHeadlessModeSavesTheJournaledRowsAndEndsCleanly)
{
    TestAppDir app;
    app.prepareEnglish();
    ASSERT_TRUE(installProgram(app));
    ASSERT_TRUE(
        RecordJournal(app.path()).Append(journalRow(QStringLiteral("taken in before a crash"))));

    QProcess agent;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DISPLAY"));
    agent.setProcessEnvironment(env);
    agent.setWorkingDirectory(app.path());
    agent.setProcessChannelMode(QProcess::SeparateChannels);
    agent.start(app.file(QStringLiteral("Veskagent")), {});
    ASSERT_TRUE(agent.waitForStarted(30000));

    QByteArray out;
    // Log lines reach standard output in service mode; the roster line ends the start-up.
    ASSERT_TRUE(waitForOutput(agent, out, "Printer list read.")) << out.constData();
    ASSERT_EQ(::kill(static_cast<pid_t>(agent.processId()), SIGTERM), 0);
    ASSERT_TRUE(agent.waitForFinished(30000));
    out += agent.readAllStandardOutput();

    EXPECT_EQ(agent.exitStatus(), QProcess::NormalExit) << agent.readAllStandardError().constData();
    EXPECT_EQ(agent.exitCode(), 0);
    EXPECT_TRUE(out.contains("Print records saved:")) << out.constData();
    EXPECT_EQ(countRows(app, QStringLiteral("select count(*) from tPrinterData where "
                                            "documentName='taken in before a crash'")),
              1);
    EXPECT_TRUE(RecordJournal(app.path()).Pending().empty());
}

TEST(ServiceTest, HeadlessWithoutADatabaseEndsWithAnErrorInsteadOfIdling)
{
    TestAppDir app;
    app.writeConfig();
    app.copyLanguage(QStringLiteral("English.ini"));
    ASSERT_TRUE(installProgram(app));

    QProcess agent;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    agent.setProcessEnvironment(env);
    agent.start(app.file(QStringLiteral("Veskagent")), {});
    ASSERT_TRUE(agent.waitForFinished(30000));
    EXPECT_NE(agent.exitCode(), 0);
    EXPECT_TRUE(agent.readAllStandardError().contains("Cannot connect to the database"));
}

} // namespace vesk::test

namespace vesk::test {

TEST(ServiceTest, EndToEndAJobPrintedThroughCupsReachesTheDatabase)
{
    PrivateCups cups;
    if (cups.rc() == 77)
        GTEST_SKIP() << "cupsd is not installed";
    ASSERT_EQ(cups.rc(), 0);
    const QProcessEnvironment env = cups.clientEnv();
    ASSERT_EQ(run(QStringLiteral("lpadmin"),
                  {QStringLiteral("-p"), QStringLiteral("vesk_e2e"), QStringLiteral("-E"),
                   QStringLiteral("-v"), QStringLiteral("file:///dev/null"), QStringLiteral("-m"),
                   QStringLiteral("raw")},
                  env),
              0);

    TestAppDir app;
    app.prepareEnglish();
    ASSERT_TRUE(installProgram(app));
    ASSERT_TRUE(
        execSql(app, QStringLiteral("insert into tPrinter(Name,IsMonitor) values('vesk_e2e',1)")));
    app.write(QStringLiteral("page.txt"), QStringLiteral("one page\n"));

    QProcess agent;
    QProcessEnvironment agentEnv = env;
    agentEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    agent.setProcessEnvironment(agentEnv);
    agent.start(app.file(QStringLiteral("Veskagent")), {});
    ASSERT_TRUE(agent.waitForStarted(30000));
    QByteArray out;
    ASSERT_TRUE(waitForOutput(agent, out, "Monitoring printer vesk_e2e.")) << out.constData();

    ASSERT_EQ(run(QStringLiteral("lp"),
                  {QStringLiteral("-d"), QStringLiteral("vesk_e2e"), QStringLiteral("-U"),
                   QStringLiteral("erin"), QStringLiteral("-t"), QStringLiteral("O'Neil report"),
                   app.file(QStringLiteral("page.txt"))},
                  env),
              0);

    // The monitor hands the job over after the queue has been quiet; the journal shows it.
    const QString journal = app.file(QStringLiteral("RecordJournal.dat"));
    for (int i = 0; i < 600; ++i) {
        QFile f(journal);
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains("O'Neil report"))
            break;
        QThread::msleep(100);
    }
    ASSERT_EQ(::kill(static_cast<pid_t>(agent.processId()), SIGTERM), 0);
    ASSERT_TRUE(agent.waitForFinished(30000));
    out += agent.readAllStandardOutput();
    EXPECT_EQ(agent.exitCode(), 0) << out.constData();

    EXPECT_EQ(countRows(app, QStringLiteral("select count(*) from tPrinterData where "
                                            "PrinterName='vesk_e2e' and "
                                            "documentName='O''Neil report' and "
                                            "OperatorName='erin'")),
              1)
        << out.constData();
}

} // namespace vesk::test
