// The account the agent runs under, against Debian's stock CUPS policy, laid out as the package
// installs it: programs and settings in a folder the account cannot write, the database, journal
// and lock in a state folder ([Agent] StateFolder) that it owns.
#include "AgentProcess.h"
#include "Skip.h"
#include "TestAppDir.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace vesk::test {

namespace {

constexpr uid_t Nobody = 65534; // outside CUPS's SystemGroup (root lpadmin)

const QByteArray Withheld = "CUPS withholds the document name, user and computer";

// Lines of `out` that hold `text`.
qsizetype linesWith(const QByteArray &out, const QByteArray &text)
{
    qsizetype n = 0;
    for (const QByteArray &line : out.split('\n'))
        n += line.contains(text) ? 1 : 0;
    return n;
}

} // namespace

// CUPS hands an account outside its system group other users' jobs without name, user and host;
// the agent stored such rows silently. It now says so once per printer, on start (a job already
// queued) and at hand-over (jobs printed while it runs), naming the account and the remedy.
TEST(AccountTest, OutsideCupsSystemGroupTheAgentNamesTheRemedyOncePerPrinter)
{
    if (::geteuid() != 0)
        VESK_SKIP() << "starting the agent as another account needs root";
    PrivateCups cups(PrivateCups::Policy::Debian);
    if (cups.rc() == 77)
        VESK_SKIP() << "cupsd is not installed";
    ASSERT_EQ(cups.rc(), 0);
    const QProcessEnvironment env = cups.clientEnv();
    // queued: a job held before the agent starts; printed: two jobs printed while it runs.
    const QStringList queues{QStringLiteral("queued"), QStringLiteral("printed")};
    for (const QString &q : queues)
        ASSERT_TRUE(cups.addRawQueue(q));

    TestAppDir app;
    app.prepareEnglish();
    ASSERT_TRUE(installProgram(app));
    ASSERT_TRUE(execSql(app, QStringLiteral("insert into tPrinter(Name,IsMonitor) "
                                            "values('queued',1),('printed',1)")));
    QTemporaryDir state;
    ASSERT_TRUE(QFile::rename(app.databaseFile(), state.filePath(QStringLiteral("vesk.db"))));
    app.write(QStringLiteral("Config.ini"),
              QStringLiteral("[Connection]\nConstr=Provider=SQLite;Data Source=%1/vesk.db\n"
                             "[Font]\nCharset=0\n[Language]\nFileName=English.ini\n"
                             "[Agent]\nStateFolder=%1\n")
                  .arg(state.path()));
    const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                          QFile::ReadOther | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    for (const QString &f : {app.path(), app.file(QStringLiteral("Veskagent")),
                             app.file(QStringLiteral("libVesk.so"))})
        ASSERT_TRUE(QFile::setPermissions(f, readable));
    for (const QString &f : {state.path(), state.filePath(QStringLiteral("vesk.db"))})
        ASSERT_EQ(::chown(QFile::encodeName(f).constData(), Nobody, Nobody), 0);
    app.write(QStringLiteral("page.txt"), QStringLiteral("one page\n"));
    const auto lp = [&](const QString &queue, const QStringList &extra) {
        return run(QStringLiteral("lp"),
                   QStringList{QStringLiteral("-d"), queue, QStringLiteral("-U"),
                               QStringLiteral("alice"), QStringLiteral("-t"),
                               QStringLiteral("Alice secret title")} +
                       extra + QStringList{app.file(QStringLiteral("page.txt"))},
                   env);
    };
    ASSERT_EQ(lp(QStringLiteral("queued"), {QStringLiteral("-H"), QStringLiteral("hold")}), 0);

    AgentProcess agent(app, env);
    agent.runAs(Nobody, Nobody);
    agent.start();
    ASSERT_TRUE(agent.waitForOutput("queued: " + Withheld)) << agent.output().constData();
    ASSERT_TRUE(agent.waitForOutput("Monitoring printer printed.")) << agent.output().constData();
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(lp(QStringLiteral("printed"), {}), 0);
    ASSERT_TRUE(agent.waitForOutput("printed: " + Withheld)) << agent.output().constData();
    // Both jobs handed over (journaled beside the lock, in the state folder), then saved.
    const QString journal = state.filePath(QStringLiteral("RecordJournal.dat"));
    ASSERT_TRUE(waitUntil([&] {
        QFile f(journal);
        return f.open(QIODevice::ReadOnly) && f.readAll().count("\"printed\"") >= 2;
    })) << agent.output().constData();
    EXPECT_EQ(agent.terminate(), 0) << agent.output().constData();

    const QByteArray out = agent.output();
    for (const QString &q : queues)
        EXPECT_EQ(linesWith(out, q.toUtf8() + ": " + Withheld), 1) << out.constData();
    EXPECT_TRUE(out.contains("account nobody that the agent runs as")) << out.constData();
    EXPECT_TRUE(out.contains("(Debian: lpadmin)")) << out.constData();
    EXPECT_TRUE(QFile::exists(state.filePath(QStringLiteral("Veskagent.lock"))));
    int stored = -1;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("state"));
        db.setDatabaseName(state.filePath(QStringLiteral("vesk.db")));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select count(*) from tPrinterData "
                                      "where PrinterName='printed'")) &&
                q.next())
                stored = q.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("state"));
    EXPECT_EQ(stored, 2);
}

} // namespace vesk::test
