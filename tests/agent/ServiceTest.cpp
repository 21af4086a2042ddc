// The built Veskagent as a headless service: SIGTERM closes it like the exit command and saves.
#include "ListedRecord.h"
#include "RecordJournal.h"
#include "TestAppDir.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <csignal>

namespace vesk::test {

namespace {

// The program runs from a copy in the temporary folder: its folder is its application folder.
void installProgram(const TestAppDir &app)
{
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(VESK_AGENT_PROGRAM), app.file(QStringLiteral("Veskagent"))));
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(VESK_PROBE_LIBRARY), app.file(QStringLiteral("libVesk.so"))));
    QFile::setPermissions(app.file(QStringLiteral("Veskagent")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

int countRows(const TestAppDir &app, const QString &statement)
{
    int n = -1;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("svc"));
        db.setDatabaseName(app.databaseFile());
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(statement) && q.next())
                n = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("svc"));
    return n;
}

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
    installProgram(app);
    {
        RecordJournal journal(app.path());
        ListedRecord row;
        row.Id = NewRecordId();
        row.Cells = {QStringLiteral("Office"),
                     QStringLiteral("taken in before a crash"),
                     QStringLiteral("PC-ONE"),
                     QStringLiteral("2"),
                     QStringLiteral("4096"),
                     QStringLiteral("A4"),
                     QStringLiteral("2026-03-04 05:06:07"),
                     QStringLiteral("carol"),
                     {},
                     {},
                     QStringLiteral("Carol"),
                     QStringLiteral("IT")};
        ASSERT_TRUE(journal.Append(row));
    }

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
    installProgram(app);

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
