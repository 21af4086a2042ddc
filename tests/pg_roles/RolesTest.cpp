// The login roles that vesk-initdb sets up on PostgreSQL: what each may do, how their passwords
// are set, and the real agent at work under its own role.
#include "AgentProcess.h"
#include "Database.h"
#include "MainDM.h"
#include "MessageFlags.h"
#include "PostgresServer.h"
#include "PrinterRoster.h"
#include "RecordColumns.h"
#include "Schema.h"
#include "ScriptedPresenter.h"
#include "Skip.h"
#include "TestAppDir.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace vesk;

namespace {

// Passwords with the characters a connection string or a statement would stumble over.
const QString AgentPassword = QStringLiteral("ag'ent \"pw\" -- 1");
const QString ConsolePassword = QStringLiteral("con$ole\\pw");
const QString WebPassword = QStringLiteral("web pw 2");

QString constrAs(const QString &database, const QString &role, const QString &password)
{
    return QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=%1;Database=%2;User ID=%3;"
                          "Password=%4")
        .arg(test::PostgresServer::port)
        .arg(database, role, password);
}

struct ToolRun
{
    int code = -1;
    QByteArray output;
};

ToolRun runInitDb(const QStringList &args, const QProcessEnvironment &env)
{
    ToolRun r;
    r.code = test::run(QStringLiteral(VESK_INITDB), args, env, &r.output);
    return r;
}

// A folder whose Config.ini names the test's database as its owner (the server's superuser);
// vesk-initdb has made the tables and both roles with their passwords from files.
class Roles : public test::FreshPostgresDatabase
{
protected:
    void SetUp() override
    {
        test::FreshPostgresDatabase::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        owner.copyLanguage(QStringLiteral("English.ini"));
        writeConfig(owner, test::postgresConstr(database));
        owner.write(QStringLiteral("agent.pw"), AgentPassword + u'\n');
        owner.write(QStringLiteral("console.pw"), ConsolePassword + u'\n');
        owner.write(QStringLiteral("web.pw"), WebPassword + u'\n');
        const ToolRun r =
            initDb({QStringLiteral("--agent-password-file"), owner.file(QStringLiteral("agent.pw")),
                    QStringLiteral("--console-password-file"),
                    owner.file(QStringLiteral("console.pw")), QStringLiteral("--web-password-file"),
                    owner.file(QStringLiteral("web.pw")), owner.path()});
        ASSERT_EQ(r.code, 0) << r.output.constData();
        ASSERT_FALSE(r.output.contains(AgentPassword.toUtf8())) << r.output.constData();
        ASSERT_FALSE(r.output.contains(ConsolePassword.toUtf8())) << r.output.constData();
        ASSERT_TRUE(openDatabase(QStringLiteral("owner"), test::postgresConstr(database), {}).ok);
    }
    void TearDown() override
    {
        for (const char *name : {"owner", "role"})
            QSqlDatabase::removeDatabase(QLatin1String(name));
    }

    static void writeConfig(const test::TestAppDir &app, const QString &constr,
                            const QString &extra = {})
    {
        app.write(QStringLiteral("Config.ini"),
                  QStringLiteral("[Connection]\nConstr=%1\n[Font]\nCharset=0\n"
                                 "[Language]\nFileName=English.ini\n%2")
                      .arg(constr, extra));
    }
    ToolRun initDb(const QStringList &args,
                   const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        return runInitDb(args, env);
    }
    QSqlDatabase ownerDb() { return QSqlDatabase::database(QStringLiteral("owner"), false); }
    bool ownerExec(const QString &statement)
    {
        QSqlDatabase db = ownerDb();
        return QSqlQuery(db).exec(translateStatement(db, statement));
    }
    QString ownerValue(const QString &statement)
    {
        QSqlDatabase db = ownerDb();
        QSqlQuery q(db);
        return q.exec(statement) && q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    }

    test::TestAppDir owner;
};

} // namespace

// Every statement of the table runs as the role, alone; it must go through exactly when the
// role's program needs it. The agent never reads, changes or deletes print records.
TEST_F(Roles, EachRoleMayRunOnlyWhatItsProgramsNeed)
{
    ASSERT_TRUE(ownerExec(QStringLiteral(
        "insert into tPrinterData (PrinterName, documentName, PrintTime) values ('P', "
        "'secret.doc', '2026-01-01 10:00:00')")));
    ASSERT_TRUE(ownerExec(QStringLiteral("insert into tHost (HostName, DeptName) values ('PC1', "
                                         "'Sales')")));
    const QString agent = QStringLiteral("vesk_agent");
    struct Case
    {
        const char *role;
        const char *statement;
        bool allowed;
    };
    const Case cases[] = {
        // The agent: its save, its roster, its host lookup, its bookkeeping.
        {"vesk_agent",
         "insert into tPrinterData (PrinterName, documentName, hostName, TotalPageCount, "
         "PrintedDocumentSize, PageSize, PrintTime, OperatorName, IP, MAC, EmName, DeptName, "
         "Cost) values ('P', 'd', 'PC1', 1, 10, 'A4', '2026-12-01 10:00:00', 'u', '1.2.3.4', "
         "'00-11-22-33-44-55', 'e', 'Sales', 7)",
         true},
        // It costs each job at the prices and changes no price, budget or stock.
        {"vesk_agent", "select * from tPrice", true},
        {"vesk_agent", "select * from tPaperFactor", true},
        {"vesk_agent", "insert into tPrice (PrinterName, MonoPrice) values ('P', 1)", false},
        {"vesk_agent", "update tPrice set MonoPrice=0", false},
        {"vesk_agent", "delete from tPaperFactor", false},
        {"vesk_agent", "select * from tBudget", false},
        {"vesk_agent", "insert into tBudget (DeptName, Amount) values ('Sales', 1)", false},
        {"vesk_agent", "insert into tPageManager (PrinterName, PageCount) values ('P', 1)", false},
        {"vesk_agent", "update tPageType set MinCount=0", false},
        {"vesk_agent", "select * from tHost", true},
        {"vesk_agent", "select * from tDept", true},
        {"vesk_agent", "select * from tPrinter", true},
        {"vesk_agent", "select * from tprinter where name='Q'", true},
        {"vesk_agent", "Insert into tPrinter(Name,IsMonitor) Values('Q',0)", true},
        {"vesk_agent", "update tprinter set IsMonitor=1 where  name='Q'", true},
        {"vesk_agent", "delete from tPrinter where Name='Q'", true},
        {"vesk_agent", "insert into tSavedRecord (RowId) values ('r1')", true},
        {"vesk_agent", "select RowId from tSavedRecord", true},
        {"vesk_agent", "delete from tSavedRecord where RowId in ('r1')", true},
        {"vesk_agent", "select max(Version) from tSchemaVersion", true},
        {"vesk_agent", "select vesk_redact_document_names('', '2000-01-01 00:00:00')", true},
        {"vesk_agent", "select * from tPrinterData", false},
        {"vesk_agent", "select count(*) from tPrinterData", false},
        {"vesk_agent", "select documentName from tPrinterData where PrinterName='P'", false},
        {"vesk_agent", "insert into tPrinterData (PrinterName) values ('P') returning documentName",
         false},
        {"vesk_agent", "update tPrinterData set documentName='x'", false},
        {"vesk_agent", "update tPrinterData set PrinterName='x' where PrinterName='P'", false},
        {"vesk_agent", "delete from tPrinterData", false},
        {"vesk_agent", "delete from tPrinterData where PrinterName='P'", false},
        {"vesk_agent", "truncate tPrinterData", false},
        {"vesk_agent", "alter table tPrinterData add column x integer", false},
        {"vesk_agent", "drop table tPrinterData", false},
        {"vesk_agent", "create table tOther (x integer)", false},
        {"vesk_agent", "create table if not exists tSavedRecord (RowId varchar(40))", false},
        {"vesk_agent", "update tHost set EmName='x'", false},
        {"vesk_agent", "insert into tHost (HostName) values ('x')", false},
        {"vesk_agent", "delete from tDept", false},
        {"vesk_agent", "update tPrinter set HostName='x'", false},
        {"vesk_agent", "insert into tPrinter (Name, HostName) values ('x', 'y')", false},
        {"vesk_agent", "select * from tShowSetting", false},
        {"vesk_agent", "update tSchemaVersion set Version=99", false},
        // The console and the vesk command: everything but the agent's bookkeeping and the
        // schema.
        {"vesk_console", "select * from tPrinterData", true},
        {"vesk_console", "update TPrinterData set DeptName='New' where DeptName='Old'", true},
        {"vesk_console", "delete from tPrinterData where PrinterName='none'", true},
        {"vesk_console", "insert into tDept (Name, SuperName) values ('New', '-1')", true},
        {"vesk_console", "update tHost set EmName='x' where HostName='PC1'", true},
        {"vesk_console", "insert into tPrinter (Name, HostName, IsMonitor) values ('x', 'y', 1)",
         true},
        {"vesk_console", "update tShowSetting set FWidth=10 where FieldName='IP'", true},
        {"vesk_console", "select max(Version) from tSchemaVersion", true},
        {"vesk_console", "insert into tPrinterData (PrinterName) values ('P')", false},
        {"vesk_console", "select * from tSavedRecord", false},
        {"vesk_console", "insert into tShowSetting (tableName) values ('x')", false},
        {"vesk_console", "update tSchemaVersion set Version=99", false},
        {"vesk_console", "drop table tHost", false},
        {"vesk_console", "create table tOther (x integer)", false},
        {"vesk_console",
         "insert into tWebAccount (Name, PasswordHash, IsAdmin, Disabled) values "
         "('w', 'h', 0, 0)",
         true},
        {"vesk_console", "update tWebAccount set Disabled=1 where Name='w'", true},
        {"vesk_console",
         "insert into tMailSent (Account, Kind, Period, Item) values ('w', 'statement', "
         "'2026-11', '')",
         true},
        {"vesk_console", "update tMailSent set Period='2026-12'", false},
        {"vesk_console", "insert into tPrice (PrinterName, MonoPrice) values ('', 30000)", true},
        {"vesk_console", "update tPaperFactor set Factor=20000 where Paper='A3'", true},
        {"vesk_console", "insert into tBudget (DeptName, Amount) values ('Sales', 5000)", true},
        {"vesk_console",
         "insert into tPageManager (PrinterName, PageType, PageCount, MoneyCount) values ('P', "
         "'A4', 500, 450)",
         true},
        {"vesk_console", "delete from tPageType", true},
        {"vesk_console", "update tPrinterData set Cost=3 where PrinterName='none'", true},
        // The web view: reads the records and its accounts, notes a sign-in, nothing else.
        {"vesk_web", "select * from tPrinterData", true},
        {"vesk_web", "select * from tHost", true},
        {"vesk_web", "select Name, SuperName from tDept", true},
        {"vesk_web", "select * from tShowSetting", true},
        {"vesk_web", "select max(Version) from tSchemaVersion", true},
        {"vesk_web", "select * from tWebAccount", true},
        {"vesk_web", "update tWebAccount set LastSignIn='2026-01-01 10:00:00' where Name='w'",
         true},
        {"vesk_web", "update tWebAccount set IsAdmin=1 where Name='w'", false},
        {"vesk_web", "update tWebAccount set PasswordHash='x'", false},
        {"vesk_web",
         "insert into tWebAccount (Name, PasswordHash, IsAdmin, Disabled) values "
         "('x', 'h', 1, 0)",
         false},
        {"vesk_web", "delete from tWebAccount", false},
        {"vesk_web", "update tPrinterData set documentName='x'", false},
        {"vesk_web", "delete from tPrinterData", false},
        {"vesk_web", "insert into tPrinterData (PrinterName) values ('P')", false},
        {"vesk_web", "update tHost set EmName='x'", false},
        {"vesk_web", "insert into tDept (Name, SuperName) values ('x', '-1')", false},
        {"vesk_web", "select * from tPrinter", false},
        {"vesk_web", "select * from tSavedRecord", false},
        {"vesk_web", "select * from tMailSent", false},
        {"vesk_web", "select * from tPrice, tPaperFactor, tBudget, tPageManager, tPageType", true},
        {"vesk_web", "update tBudget set Amount=0", false},
        {"vesk_web", "insert into tPrice (PrinterName) values ('x')", false},
        {"vesk_web", "update tShowSetting set FWidth=1", false},
        {"vesk_web", "select vesk_redact_document_names('', '2000-01-01 00:00:00')", false},
        {"vesk_web", "create table tOther (x integer)", false},
    };
    for (const Case &c : cases) {
        const QString role = QLatin1String(c.role);
        const QString password = role == agent         ? AgentPassword
                                 : role == u"vesk_web" ? WebPassword
                                                       : ConsolePassword;
        const OpenResult r =
            openDatabase(QStringLiteral("role"), constrAs(database, role, password), {});
        ASSERT_TRUE(r.ok) << c.role << ": " << r.error.toStdString();
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("role"), false);
        QSqlQuery q(db);
        const bool ran = q.exec(translateStatement(db, QString::fromLatin1(c.statement)));
        EXPECT_EQ(ran, c.allowed) << c.role << ": " << c.statement << " -> "
                                  << q.lastError().text().toStdString();
        q.finish();
        db.close();
    }
    // The agent's tries left the record as it was.
    EXPECT_EQ(ownerValue(QStringLiteral("select documentName from tPrinterData where "
                                        "PrintTime='2026-01-01 10:00:00'")),
              QStringLiteral("secret.doc"));
}

// A password comes from its file or from the environment, replaces the old one, and is never
// shown: not by vesk-initdb, not in the error of a refused login.
TEST_F(Roles, PasswordsAreSetFromFilesOrTheEnvironmentAndNeverShown)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString newAgent = QStringLiteral("new agent pw");
    env.insert(QStringLiteral("VESK_AGENT_PASSWORD"), newAgent);
    const ToolRun again = initDb({QStringLiteral("--roles"), owner.path()}, env);
    ASSERT_EQ(again.code, 0) << again.output.constData();
    EXPECT_TRUE(again.output.contains("vesk_agent: updated, password set")) << again.output.data();
    EXPECT_TRUE(again.output.contains("vesk_console: updated, password kept"));
    EXPECT_FALSE(again.output.contains(newAgent.toUtf8()));

    struct Case
    {
        const char *role;
        QString password;
        bool opens;
    };
    const Case cases[] = {
        {"vesk_agent", newAgent, true},
        {"vesk_agent", AgentPassword, false},
        {"vesk_agent", ConsolePassword, false},
        {"vesk_console", ConsolePassword, true},
        {"vesk_console", QStringLiteral("guess"), false},
    };
    for (const Case &c : cases) {
        const OpenResult r = openDatabase(
            QStringLiteral("role"), constrAs(database, QLatin1String(c.role), c.password), {});
        EXPECT_EQ(r.ok, c.opens) << c.role << " " << c.password.toStdString();
        EXPECT_FALSE(r.error.contains(c.password)) << r.error.toStdString();
        QSqlDatabase::removeDatabase(QStringLiteral("role"));
    }
    // A password file that cannot be read stops before anything changes.
    const ToolRun missing =
        initDb({QStringLiteral("--roles"), QStringLiteral("--agent-password-file"),
                owner.file(QStringLiteral("nowhere.pw")), owner.path()});
    EXPECT_EQ(missing.code, 3) << missing.output.constData();
}

// The built agent, in service mode on a private cupsd, logged in as vesk_agent: it reads its
// roster, takes a job in, stores it, and replaces the due document names of older records
// through the owner's function.
TEST_F(Roles, TheRealAgentWorksUnderItsRole)
{
    test::PrivateCups cups;
    if (cups.rc() == 77)
        VESK_SKIP() << "cupsd is not installed";
    ASSERT_EQ(cups.rc(), 0);
    ASSERT_TRUE(cups.addRawQueue(QStringLiteral("roles_q")));
    ASSERT_TRUE(ownerExec(QStringLiteral("insert into tPrinter (Name, IsMonitor) values "
                                         "('roles_q', 1)")));
    ASSERT_TRUE(ownerExec(QStringLiteral(
        "insert into tPrinterData (PrinterName, documentName, PrintTime) values ('old', "
        "'old secret.doc', '2020-01-01 10:00:00')")));

    test::TestAppDir app;
    app.copyLanguage(QStringLiteral("English.ini"));
    writeConfig(app, constrAs(database, QStringLiteral("vesk_agent"), AgentPassword),
                QStringLiteral("[Privacy]\nKeepDocumentNames=30\n"));
    ASSERT_TRUE(test::installProgram(app));
    app.write(QStringLiteral("page.txt"), QStringLiteral("one page\n"));

    test::AgentProcess agent(app, cups.clientEnv());
    agent.start();
    ASSERT_TRUE(agent.waitForOutput("Monitoring printer roles_q.")) << agent.output().data();
    ASSERT_NE(cups.print(QStringLiteral("roles_q"), QStringLiteral("O'Neil's report"),
                         app.file(QStringLiteral("page.txt"))),
              0u);
    ASSERT_TRUE(test::waitUntil([&] { return test::journalText(app).contains("O'Neil's report"); }))
        << agent.output().data();
    ASSERT_EQ(agent.terminate(), 0) << agent.output().data();
    EXPECT_TRUE(agent.output().contains("Print records saved:")) << agent.output().data();
    EXPECT_FALSE(agent.output().contains("permission denied")) << agent.output().data();

    EXPECT_EQ(ownerValue(QStringLiteral("select documentName from tPrinterData where "
                                        "PrinterName='roles_q'")),
              QStringLiteral("O'Neil's report"));
    EXPECT_EQ(ownerValue(QStringLiteral("select documentName from tPrinterData where "
                                        "PrinterName='old'")),
              QStringLiteral("***"));
    EXPECT_EQ(ownerValue(QStringLiteral("select count(*) from tSavedRecord")), QStringLiteral("0"));
}

// The roster commands that service mode has no window for, driven directly under the agent's
// login: add (with the dialog's check for an existing name), switch off and on, delete.
TEST_F(Roles, TheAgentsRosterCommandsWorkUnderItsRole)
{
    test::TestAppDir app;
    app.copyLanguage(QStringLiteral("English.ini"));
    TdmMain dm(TdmMain::Program::Agent, app.path());
    test::ScriptedPresenter presenter;
    dm.setMessagePresenter(&presenter);
    dm.OpenIniFile(app.file(QStringLiteral("English.ini")));
    dm.acntVesk.ConnectionString = constrAs(database, QStringLiteral("vesk_agent"), AgentPassword);
    QString error;
    ASSERT_TRUE(dm.acntVesk.Open(app.path(), &error)) << error.toStdString();

    PrinterRoster roster(dm, {[](const TMonitorEntry &) { return true; }, {}, {}});
    const QString name = QStringLiteral("O'Neil Laser");
    EXPECT_TRUE(roster.ReadPrinterList().empty());
    EXPECT_TRUE(dm.RecordMissing(QStringLiteral("tprinter"), QStringLiteral("name"), name));
    EXPECT_TRUE(roster.AddPrinter(name, true));
    EXPECT_EQ(ownerValue(QStringLiteral("select IsMonitor from tPrinter")), QStringLiteral("1"));
    presenter.answer(IDOK);
    EXPECT_FALSE(roster.CheckBoxChanged(name, false));
    EXPECT_EQ(ownerValue(QStringLiteral("select IsMonitor from tPrinter")), QStringLiteral("0"));
    EXPECT_TRUE(roster.DeletePrinter(name, false));
    EXPECT_EQ(ownerValue(QStringLiteral("select count(*) from tPrinter")), QStringLiteral("0"));
    roster.StopAll();
}

// A database older than the program: the agent's login may not bring it up to date, so the agent
// refuses to start with a clear text instead of failing later; the owner's vesk-initdb --roles
// upgrades it and the agent starts.
TEST_F(Roles, AnOlderDatabaseIsUpgradedByTheOwnerNotByTheAgent)
{
    // As the cost step found it: without the cost tables, the records' and totals' cost and the
    // year totals of the step after it.
    constexpr int BeforeCost = 8;
    for (const char *statement :
         {"drop table tTotalYear",
          "drop table tPrice, tPaperFactor, tBudget, tPageManager, tPageType",
          "alter table tPrinterData drop column Cost cascade",
          "alter table tTotalDay drop column Cost", "alter table tTotalMonth drop column Cost",
          "alter table tTotalLog drop column Cost",
          "delete from tShowSetting where FieldName='Cost'"})
        ASSERT_TRUE(ownerExec(QLatin1String(statement))) << statement;
    ASSERT_TRUE(ownerExec(QStringLiteral("update tSchemaVersion set Version=%1").arg(BeforeCost)));
    test::TestAppDir app;
    app.copyLanguage(QStringLiteral("English.ini"));
    writeConfig(app, constrAs(database, QStringLiteral("vesk_agent"), AgentPassword));
    ASSERT_TRUE(test::installProgram(app));
    const auto startAgent = [&] {
        test::AgentProcess agent(app, QProcessEnvironment::systemEnvironment());
        agent.start();
        agent.process().waitForFinished(30000);
        return agent.process().readAllStandardError();
    };
    const QByteArray refused = startAgent();
    EXPECT_TRUE(refused.contains("older layout")) << refused.constData();
    EXPECT_EQ(ownerValue(QStringLiteral("select Version from tSchemaVersion")),
              QString::number(BeforeCost));

    const ToolRun upgraded = initDb({QStringLiteral("--roles"), owner.path()});
    ASSERT_EQ(upgraded.code, 0) << upgraded.output.constData();
    EXPECT_EQ(ownerValue(QStringLiteral("select Version from tSchemaVersion")),
              QString::number(SchemaVersion));
    test::AgentProcess agent(app, QProcessEnvironment::systemEnvironment());
    agent.start();
    EXPECT_TRUE(agent.waitForOutput("Printer list read.")) << agent.output().data();
    EXPECT_EQ(agent.terminate(), 0);
}

int main(int argc, char **argv)
{
    return test::runWithPostgresServer(argc, argv);
}
