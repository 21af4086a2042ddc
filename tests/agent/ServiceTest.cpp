// The built Veskagent as a headless service: SIGTERM closes it like the exit command and saves.
#include "AgentProcess.h"
#include "HostileTexts.h"
#include "JournalRow.h"
#include "RecordJournal.h"
#include "Skip.h"
#include "TestAppDir.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <cups/cups.h>
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

// Waits until a row holding `text` has been journaled (the agent took the job in).
void waitForJournal(const TestAppDir &app, const QByteArray &text)
{
    const QString journal = app.file(QStringLiteral("RecordJournal.dat"));
    for (int i = 0; i < 600; ++i) {
        QFile f(journal);
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(text))
            return;
        QThread::msleep(100);
    }
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

// What CUPS holds for the queue's jobs: title and user, as the agent must store them.
QStringList cupsJobs(const QProcessEnvironment &env, const char *queue)
{
    const QStringList server = env.value(QStringLiteral("CUPS_SERVER")).split(u':');
    http_t *http = httpConnect2(server[0].toLatin1().constData(), server[1].toInt(), nullptr,
                                AF_INET, HTTP_ENCRYPTION_NEVER, 1, 30000, nullptr);
    QStringList jobs;
    cups_job_t *list = nullptr;
    const int n = http ? cupsGetJobs2(http, &list, queue, 0, CUPS_WHICHJOBS_ALL) : 0;
    for (int i = 0; i < n; ++i)
        jobs << QString::fromUtf8(list[i].title) + u'|' + QString::fromUtf8(list[i].user);
    cupsFreeJobs(n, list);
    httpClose(http);
    return jobs;
}

// Every hostile text of the table printed as a document title and a user name, beside a plain
// job, each stored with its cost at the prices set before the agent started. CUPS itself replaces
// some (a title with control characters or over 255 bytes becomes "Untitled", such a user
// "anonymous", an empty user the caller's); the agent stores what CUPS holds.
TEST(ServiceTest, EndToEndJobsPrintedThroughCupsReachTheDatabaseVerbatim)
{
    PrivateCups cups;
    if (cups.rc() == 77)
        VESK_SKIP() << "cupsd is not installed";
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
    // Prices in force when the agent takes the jobs in: 0.0125 a page, A3 paper twice that.
    ASSERT_TRUE(execSql(
        app, QStringLiteral("insert into tPrice (PrinterName, MonoPrice) values ('', 1250000)")));
    ASSERT_TRUE(execSql(
        app, QStringLiteral("insert into tPaperFactor (Paper, Factor) values ('A3', 20000)")));
    app.write(QStringLiteral("page.txt"), QStringLiteral("one page\n"));

    QProcess agent;
    QProcessEnvironment agentEnv = env;
    agentEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    agent.setProcessEnvironment(agentEnv);
    agent.start(app.file(QStringLiteral("Veskagent")), {});
    ASSERT_TRUE(agent.waitForStarted(30000));
    QByteArray out;
    ASSERT_TRUE(waitForOutput(agent, out, "Monitoring printer vesk_e2e.")) << out.constData();

    QStringList printed{QStringLiteral("O'Neil report|erin")};
    for (const auto &h : HostileTexts())
        printed << h.text + u'|' + h.text;
    for (const QString &job : printed) {
        const QStringList titleAndUser = job.split(u'|');
        ASSERT_EQ(run(QStringLiteral("lp"),
                      {QStringLiteral("-d"), QStringLiteral("vesk_e2e"), QStringLiteral("-U"),
                       titleAndUser[1], QStringLiteral("-o"), QStringLiteral("media=A3"),
                       QStringLiteral("-t"), titleAndUser[0], app.file(QStringLiteral("page.txt"))},
                      env),
                  0)
            << job.toStdString();
    }

    QStringList expected = cupsJobs(env, "vesk_e2e");
    ASSERT_EQ(expected.size(), printed.size());
    EXPECT_GE(QSet<QString>(expected.begin(), expected.end())
                  .intersect(QSet<QString>(printed.begin(), printed.end()))
                  .size(),
              printed.size() - 3);

    // The monitor hands each job over after the queue has been quiet; the journal shows their rows.
    EXPECT_TRUE(waitUntil([&] { return journalText(app).count("\"cells\"") >= expected.size(); }));
    ASSERT_EQ(::kill(static_cast<pid_t>(agent.processId()), SIGTERM), 0);
    ASSERT_TRUE(agent.waitForFinished(30000));
    out += agent.readAllStandardOutput();
    EXPECT_EQ(agent.exitCode(), 0) << out.constData();

    QStringList stored;
    withDatabase(app, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("select documentName, OperatorName from tPrinterData "
                                          "where PrinterName='vesk_e2e'")));
        while (q.next())
            stored << q.value(0).toString() + u'|' + q.value(1).toString();
    });
    expected.sort();
    stored.sort();
    EXPECT_EQ(stored.join(u'\n').toStdString(), expected.join(u'\n').toStdString())
        << out.constData();
    // Each one page on A3 (the agent reads the size CUPS gives), costed as it was stored:
    // 1 x 0.0125 x 2 = 0.025, rounded once, half away from zero.
    EXPECT_EQ(countRows(app, QStringLiteral("select count(*) from tPrinterData where PrinterName="
                                            "'vesk_e2e' and TotalPageCount=1 and Cost=3")),
              expected.size());
}

// make run on a machine without CUPS: run-app starts the demo queue, says how to print on it,
// and the agent records the job.
TEST(ServiceTest, MakeRunWithoutCupsRecordsAJobOfTheDemoQueue)
{
    if (QFile::exists(QStringLiteral("/run/cups/cups.sock")))
        VESK_SKIP() << "this machine runs CUPS: run-app leaves it as it is";
    if (!QFile::exists(QStringLiteral("/usr/sbin/cupsd")))
        VESK_SKIP() << "cupsd is not installed";
    TestAppDir app;
    app.prepareEnglish();
    installProgram(app);
    struct Stop
    {
        QString dir;
        ~Stop()
        {
            run(QStringLiteral(VESK_SOURCE_DIR "/scripts/demo-cups"), {QStringLiteral("stop"), dir},
                QProcessEnvironment::systemEnvironment());
        }
    } stop{app.path()};

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "CUPS_SERVER"})
        env.remove(QLatin1String(name));
    QProcess runApp;
    runApp.setProcessEnvironment(env);
    runApp.start(QStringLiteral(VESK_SOURCE_DIR "/scripts/run-app"), {app.path()});
    ASSERT_TRUE(runApp.waitForStarted(30000));
    QByteArray out;
    ASSERT_TRUE(waitForOutput(runApp, out, "Monitoring printer VeskDemo.")) << out.constData();
    EXPECT_TRUE(out.contains("\"Save Records\"")) << out.constData();
    // The command it printed, as a newcomer would paste it.
    QString command;
    for (const QString &line : QString::fromLocal8Bit(out).split(u'\n')) {
        if (line.contains(QStringLiteral(" lp -d VeskDemo ")))
            command = line.mid(line.indexOf(QStringLiteral("CUPS_SERVER=")));
    }
    ASSERT_FALSE(command.isEmpty()) << out.constData();
    ASSERT_EQ(run(QStringLiteral("sh"), {QStringLiteral("-c"), command},
                  QProcessEnvironment::systemEnvironment()),
              0)
        << command.toStdString();

    waitForJournal(app, "Vesk demo");
    // run-app became the agent: SIGTERM ends it like the exit command, which saves.
    ASSERT_EQ(::kill(static_cast<pid_t>(runApp.processId()), SIGTERM), 0);
    ASSERT_TRUE(runApp.waitForFinished(30000));
    out += runApp.readAllStandardOutput();
    EXPECT_EQ(countRows(app, QStringLiteral("select count(*) from tPrinterData where "
                                            "PrinterName='VeskDemo' and documentName='Vesk demo' "
                                            "and TotalPageCount=1")),
              1)
        << out.constData();
}

} // namespace vesk::test
