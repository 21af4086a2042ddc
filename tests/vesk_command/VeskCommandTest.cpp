// vesk dept and vesk host as an administrator runs them: output, exit status and the rows they
// leave, with names that break pasted statements, on SQLite and on PostgreSQL alike.
#include "Database.h"
#include "HostileTexts.h"
#include "IniFile.h"
#include "PostgresServer.h"
#include "Schema.h"
#include "TestAppDir.h"
#include "TestRows.h"
#include "VeskRun.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace vesk::test {
namespace {

::testing::Environment *const server = ::testing::AddGlobalTestEnvironment(new PostgresServer);

class VeskCommand : public EitherEngine
{
protected:
    void SetUp() override
    {
        const QString constr = engineConstr();
        if (constr.isEmpty())
            return;
        if (GetParam() == Engine::PostgreSQL) {
            dir.write(u"Config.ini"_qs, u"[Connection]\nConstr=%1\n[Font]\nCharset=0\n"
                                        "[Language]\nFileName=English.ini\n"_qs.arg(constr));
            dir.copyLanguage(u"English.ini"_qs);
        } else {
            dir.prepareEnglish();
        }
        connection_ = u"command-test-"_qs + dir.path();
        const OpenResult opened = openDatabase(connection_, constr, dir.path());
        ASSERT_TRUE(opened.ok) << opened.error.toStdString();
        if (GetParam() == Engine::PostgreSQL) {
            const IniFile catalogue(dir.file(u"English.ini"_qs), 0);
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            QString error;
            ASSERT_TRUE(createSchema(
                db, [&](const QString &key) { return catalogue.readString(u"Lang"_qs, key); },
                &error))
                << error.toStdString();
        }
    }
    void TearDown() override
    {
        if (connection_.isEmpty())
            return;
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }

    Outcome vesk(const QStringList &args) { return runVesk(dir.path(), args); }
    void exec(const QString &statement)
    {
        QSqlQuery q(QSqlDatabase::database(connection_));
        ASSERT_TRUE(q.exec(statement)) << q.lastError().text().toStdString();
    }
    QStringList rows(const QString &statement) { return queryRows(connection_, statement); }
    const QString &connection() const { return connection_; }

    TestAppDir dir;

private:
    QString connection_;
};

// One administrator's session: each step's arguments, exit status, and what it prints (stdout
// exactly, or a part of stderr).
TEST_P(VeskCommand, ManagesDepartmentsAndComputersWithHostileNames)
{
    const QString sales = u"Sales & Marketing's"_qs, lab = u"R&D [Lab]"_qs, off = u"50%_off"_qs;
    const struct
    {
        QStringList args;
        int code;
        QString out;
        QString err;
    } steps[] = {
        {{"dept", "add", sales}, 0, sales + "\n", ""},
        {{"dept", "add", lab, "--under", "sales & marketing's"}, 0, lab + "\n", ""},
        {{"dept", "add", "r&d [LAB]"}, 1, "", "Another department is already called r&d [LAB]."},
        {{"dept", "add"}, 0, "New Department1\n", ""},
        {{"dept", "add", off}, 0, off + "\n", ""},
        {{"dept", "add", "--under", "Nowhere"}, 1, "", "Department Nowhere does not exist."},
    };
    for (const auto &s : steps) {
        const Outcome r = vesk(s.args);
        EXPECT_EQ(r.code, s.code) << s.args.join(u' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, s.out) << s.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(s.err)) << r.err.toStdString();
    }
    exec(u"insert into tHost (HostName, DeptName) values ('PC''1', 'R&D [Lab]'), "
         "('PC_2', '50%_off')"_qs);
    exec(u"insert into tPrinter (Name, HostName, DeptName) values ('P1', 'PC''1', 'R&D [Lab]')"_qs);
    exec(u"insert into tPrinterData (PrinterName, hostName, DeptName) values "
         "('P1', 'PC''1', 'R&D [Lab]')"_qs);
    EXPECT_EQ(vesk({"dept", "tree"}).out, "Default Department\n" + sales + "\n\t" + lab +
                                              "\n\t\tPC'1\n\t\t\tP1\nNew Department1\n" + off +
                                              "\n\tPC_2\n");

    const auto all = [this] {
        return rows(u"select Name, SuperName from tDept union all select DeptName, HostName from "
                    "tHost union all select DeptName, Name from tPrinter union all "
                    "select DeptName, hostName from tPrinterData order by 1, 2"_qs);
    };
    const QStringList before = all();
    const struct
    {
        QStringList args;
        int code;
        QString err;
    } refusals[] = {
        {{"dept", "move", sales, lab}, 1, "cannot be moved into itself"},
        {{"dept", "rename", lab, "new department1"}, 1, "already called new department1"},
        {{"dept", "rename", "Default Department", "Head Office"}, 1, "cannot be edited"},
        {{"dept", "delete", sales}, 1, "Run the command again with --yes."},
        {{"--yes", "dept", "delete", "DEFAULT DEPARTMENT"}, 1, "cannot be edited or deleted"},
        {{"dept", "set", lab, "--name", off.toUpper()}, 1, "already called 50%_OFF"},
        {{"host", "set", "PC'1", "--name", "pc_2"}, 1, "Another computer is already called pc_2"},
        {{"host", "set", "PC'1", "--name", ""}, 1, "Please enter a computer name."},
        {{"host", "delete", "PC'1"}, 1, "Delete computer PC'1?"},
        {{"host", "move", "PC'1", "Nowhere"}, 1, "Department Nowhere does not exist."},
        {{"host", "show", "Nobody"}, 1, "Computer Nobody does not exist."},
        {{"dept", "rename", lab}, 2, "missing argument"},
        {{"dept", "frobnicate"}, 2, "vesk dept tree"},
        {{"dept", "set", lab, "--colour", "red"}, 2, "unknown option --colour"},
    };
    for (const auto &s : refusals) {
        const Outcome r = vesk(s.args);
        EXPECT_EQ(r.code, s.code) << s.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(s.err))
            << s.args.join(u' ').toStdString() << ": " << r.err.toStdString();
    }
    EXPECT_EQ(all(), before);

    // The changes, each carried over.
    EXPECT_EQ(vesk({"dept", "rename", lab, "Lab's Corner"}).code, 0);
    EXPECT_EQ(rows(u"select count(*) from tPrinterData where DeptName='Lab''s Corner'"_qs),
              QStringList{"1"});
    EXPECT_EQ(vesk({"dept", "set", "lab's corner", "--manager", "O'Brien", "--memo", "2nd"}).code,
              0);
    const Outcome shown = vesk({"dept", "show", "Lab's Corner"});
    EXPECT_TRUE(shown.out.endsWith(u"***\nName:Lab's Corner\nManager:O'Brien\nPhone:\nFax:\n"
                                   "Notes:2nd\n" +
                                   QString(47, u'*') + u'\n'))
        << shown.out.toStdString();
    EXPECT_EQ(vesk({"host", "set", "PC'1", "--name", "PC'9", "--ip", "10.0.0.9"}).code, 0);
    EXPECT_EQ(rows(u"select HostName from tPrinter"_qs), QStringList{"PC'9"});
    EXPECT_EQ(vesk({"host", "move", "PC'9", off}).code, 0);
    EXPECT_EQ(vesk({"dept", "move", off, sales}).code, 0);
    EXPECT_EQ(vesk({"--yes", "dept", "delete", sales}).code, 0);
    // Computers in the order their table returns them: an updated row keeps its place in SQLite
    // and goes to the end in PostgreSQL.
    const QString pcs = GetParam() == Engine::SQLite ? u"\t\tPC'9\n\t\t\tP1\n\t\tPC_2\n"_qs
                                                     : u"\t\tPC_2\n\t\tPC'9\n\t\t\tP1\n"_qs;
    EXPECT_EQ(vesk({"dept", "tree"}).out,
              "Default Department\n\tLab's Corner\n\t" + off + "\n" + pcs + "New Department1\n");
    const Outcome deleted = vesk({"host", "delete", "--yes", "PC'9"});
    EXPECT_EQ(deleted.code, 0);
    EXPECT_TRUE(deleted.out.startsWith(u"Delete computer PC'9:succeeded:"_qs));
    EXPECT_EQ(rows(u"select count(*) from tHost"_qs), QStringList{"1"});
}

// Each hostile text as a department name and as a computer name: added, shown, set and moved
// verbatim, or refused with a message and nothing changed.
TEST_P(VeskCommand, HostileDepartmentAndComputerNamesAreKeptVerbatimOrRefused)
{
    const auto all = [this] {
        return rows(u"select Name, SuperName, Manager from tDept union all select HostName, "
                    "DeptName, EmName from tHost order by 1, 2, 3"_qs);
    };
    QString tree = u"Default Department\n"_qs;
    int hosts = 0;
    for (const auto &h : HostileTexts()) {
        SCOPED_TRACE(h.label);
        const QStringList before = all();
        const Outcome added = vesk({"dept", "add", "--", h.text});
        // Only the empty name is refused, with the product's message; every other is a name.
        ASSERT_EQ(added.code != 0, h.text.isEmpty()) << added.err.toStdString();
        if (added.code != 0) {
            EXPECT_EQ(added.code, 1);
            EXPECT_TRUE(added.err.contains(u"Please enter a department name"_qs))
                << added.err.toStdString();
            EXPECT_EQ(all(), before);
            continue;
        }
        EXPECT_EQ(added.out, h.text + u'\n');
        EXPECT_EQ(vesk({"dept", "set", "--manager", h.text, "--", h.text}).code, 0);
        EXPECT_TRUE(
            vesk({"dept", "show", "--", h.text}).out.contains(u"\nManager:"_qs + h.text + u'\n'));

        QSqlQuery q(QSqlDatabase::database(connection()));
        q.prepare(u"insert into tHost (HostName, DeptName) values (?, 'Default Department')"_qs);
        q.addBindValue(h.text);
        ASSERT_TRUE(q.exec());
        EXPECT_EQ(vesk({"host", "set", "--employee", h.text, "--", h.text}).code, 0);
        EXPECT_EQ(vesk({"host", "move", "--", h.text, h.text}).code, 0);
        EXPECT_TRUE(vesk({"host", "show", "--", h.text}).out.contains(h.text));
        EXPECT_EQ(
            rows(u"select count(*) from tHost where DeptName=HostName and EmName=HostName"_qs),
            QStringList{QString::number(++hosts)});
        tree += h.text + u"\n\t"_qs + h.text + u'\n';
    }
    EXPECT_EQ(vesk({"dept", "tree"}).out, tree);
}

// The price list: parts set, kept and cleared, bad amounts and printers not in the printer list
// refused with nothing changed, and a recost of a period that costs each record by the rule
// (colour or mono price, paper by size, two-sided).
TEST_P(VeskCommand, PricesAreSetListedAndAppliedByARecost)
{
    if (connection().isEmpty())
        return;
    exec(u"insert into tPrinter (Name) values ('Laser'), ('Ink')"_qs);
    // Prices left by a printer since removed.
    exec(u"insert into tPrice (PrinterName, MonoPrice) values ('Gone', 1)"_qs);
    const struct
    {
        QStringList args;
        int code;
        QString err;
    } steps[] = {
        {{"price", "set", "--default", "--mono", "0.03", "--colour", "0.25", "--two-sided-factor",
          "0.8"},
         0,
         ""},
        // Stored as the printer list spells it.
        {{"price", "set", "LASER", "--colour", "0.5", "--mono", "0.1", "--two-sided-factor", "1"},
         0,
         ""},
        {{"price", "set", "Lazer", "--mono", "0.1"}, 1, "Printer Lazer does not exist."},
        {{"price", "set", "Gone", "--mono", "0.1"}, 1, "Printer Gone does not exist."},
        {{"price", "clear", "Lazer"}, 1, "Printer Lazer does not exist."},
        {{"price", "clear", "gone"}, 0, ""},
        // Back on the default: the parts named, or all of them (the row goes).
        {{"price", "clear", "laser", "--mono", "--two-sided-factor"}, 0, ""},
        {{"price", "set", "Ink", "--mono", "0.2"}, 0, ""},
        {{"price", "clear", "Ink"}, 0, ""},
        {{"price", "clear", "--default", "Laser"}, 2, "--default"},
        {{"price", "paper", "iso_a3_297x420mm", "2"}, 0, ""},
        {{"price", "set", "Laser", "--mono", "-1"}, 1, "not a negative amount: -1"},
        {{"price", "set", "Laser", "--mono", "0,5"}, 1, "not a number: 0,5"},
        {{"price", "set", "--default", "--colour", "0.000000001"}, 1, "at most 8 decimals"},
        {{"price", "set", "Laser", "--two-sided-factor", "0.12345"}, 1, "at most 4 decimals"},
        {{"price", "paper", "A5", "half"}, 1, "not a number: half"},
        {{"price", "set", "--default"}, 2, "--mono"},
        {{"price", "set", "--default", "Laser", "--mono", "1"}, 2, "--default"},
        {{"price", "recost"}, 1, "--yes"},
    };
    for (const auto &st : steps) {
        const Outcome r = vesk(st.args);
        EXPECT_EQ(r.code, st.code)
            << st.args.join(u' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(st.err)) << r.err.toStdString();
    }
    EXPECT_EQ(vesk({"price", "list"}).out, u"(default)\tmono 0.03\tcolour 0.25\ttwo-sided x0.8\n"
                                           "laser\tmono -\tcolour 0.50\ttwo-sided x-\n"
                                           "paper iso_a3_297x420mm\tx2\n"_qs);
    EXPECT_EQ(rows(u"select PrinterName from tPrice order by PrinterName"_qs),
              (QStringList{"", "Laser"}));

    exec(u"insert into tPrinterData (PrinterName, PageSize, TotalPageCount, ColorPrint, Duplex, "
         "PrintTime) values ('Laser', 'A3 Sheet, 297- by 420-millimeters', 3, 1, 0, "
         "'2026-11-02 10:00:00'), ('Other', 'A4', 1, 0, 1, '2026-11-02 11:00:00'), "
         "('Laser', 'A4', 1, 0, 0, '2025-11-02 10:00:00')"_qs);
    const Outcome r = vesk({"--yes", "price", "recost", "--from", "2026-01-01"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u"Laser: 1 records, 0.00 -> 3.00\nOther: 1 records, 0.00 -> 0.02\n"
                     "Recosted 2 records: 0.00 -> 3.02\n"_qs);
    // 3 x 0.50 x 2; 0.03 x 0.8 = 0.024; the record before the period keeps no cost.
    EXPECT_EQ(rows(u"select coalesce(Cost, -1) from tPrinterData order by PrintTime"_qs),
              (QStringList{"-1", "300", "2"}));
    EXPECT_EQ(rows(u"select Cost from tTotalMonth where Dim=1 and Period='2026-11' order by "
                   "Name"_qs),
              (QStringList{"300", "2"}));
}

// Budgets and paper stock: amounts and unknown printers refused before anything changes, the
// listings as CSV.
TEST_P(VeskCommand, KeepsBudgetsAndPaperStock)
{
    if (connection().isEmpty())
        return;
    ASSERT_EQ(vesk({"dept", "add", "Sales"}).code, 0);
    ASSERT_EQ(vesk({"dept", "add", "=Lab"}).code, 0);
    exec(u"insert into tPrinterData (PrintTime, DeptName, PrinterName, PageSize, TotalPageCount, "
         "Duplex, Cost) values ('2026-03-05 10:00:00', 'sales', 'P1', 'iso_a4_210x297mm', 3, 1, "
         "300), ('2026-04-01 00:00:00', 'Sales', 'P1', 'A4', 1, 0, 1)"_qs);
    exec(u"insert into tPrinter (Name) values ('P1')"_qs);
    const struct
    {
        QStringList args;
        int code;
        QString out;
        QString err;
    } steps[] = {
        {{"budget", "set", "Sales", "12.5"}, 0, "", ""},
        {{"budget", "set", "Sales", "-1"}, 1, "", "not a negative amount: -1"},
        {{"budget", "set", "Sales", "ten"}, 1, "", "not a number: ten"},
        {{"budget", "set", "Sales", "1.234"}, 1, "", "at most 2 decimals: 1.234"},
        {{"budget", "set", "Nowhere", "1"}, 1, "", "no department: Nowhere"},
        {{"budget", "list", "--month", "2026-13"}, 2, "", "YYYY-MM"},
        {{"budget", "list", "--month", "2026-03", "--csv"},
         0,
         "Department,Budget,Spent,Share,Forecast\r\nDefault Department,,0.00,,0.00\r\n"
         "Sales,12.50,3.00,24.00 %,3.00\r\n'=Lab,,0.00,,0.00\r\n",
         ""},
        // The printer as the printer list spells it.
        {{"paper", "buy", "p1", "--paper", "A4", "--pages", "500", "--money", "25", "--date",
          "2026-03-01"},
         0,
         "",
         ""},
        {{"paper", "buy", "P9", "--paper", "A4", "--pages", "5", "--money", "1"},
         1,
         "",
         "Printer P9 does not exist."},
        {{"paper", "buy", "P1", "--paper", "A4", "--pages", "-5", "--money", "1"}, 1, "", "-5"},
        {{"paper", "buy", "P1", "--paper", "A4", "--pages", "5", "--money", "0.001"},
         1,
         "",
         "at most 2 decimals"},
        {{"paper", "buy", "P1", "--paper", "A4", "--pages", "5", "--money", "1", "--date", "3/1"},
         1,
         "",
         "not a date"},
        {{"paper", "minimum", "iso_a4_210x297mm", "499"}, 0, "", ""},
        {{"paper", "stock", "--csv"},
         3,
         "Printer,Paper,Bought,Used,Left,Minimum\r\nP1,A4,500,3,497,499\r\n",
         ""},
        {{"paper", "minimum", "A4", "x"}, 1, "", "not a number"},
        {{"paper", "minimum", "A4", "10"}, 0, "", ""},
        {{"paper", "stock"},
         0,
         "Printer\tPaper\tBought\tUsed\tLeft\tMinimum\nP1\tA4\t500\t3\t497\t10\n",
         ""},
    };
    for (const auto &s : steps) {
        const Outcome r = vesk(s.args);
        EXPECT_EQ(r.code, s.code) << s.args.join(u' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, s.out) << s.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(s.err)) << r.err.toStdString();
    }
    EXPECT_EQ(rows(u"select DeptName, Amount from tBudget"_qs), (QStringList{"Sales|1250"}));
    EXPECT_EQ(rows(u"select PrinterName from tPageManager"_qs), QStringList{"P1"});
}

INSTANTIATE_TEST_SUITE_P(Engines, VeskCommand, BothEngines);

// Texts in the configured language, written as UTF-8; help without a database.
TEST(VeskCommandText, SpeaksTheConfiguredLanguageInUtf8)
{
    TestAppDir dir;
    dir.writeConfig(u"Chinese.ini"_qs, u"134"_qs);
    dir.copyLanguage(u"Chinese.ini"_qs);
    dir.createDatabase(u"Chinese.ini"_qs, 134);
    auto run = [&](const QStringList &args) {
        QProcess p;
        p.start(QStringLiteral(VESK_COMMAND), QStringList{u"--app"_qs, dir.path()} + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return Outcome{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                       QString::fromUtf8(p.readAllStandardError())};
    };
    EXPECT_EQ(run({"dept", "add"}).out, u"新部门1\n"_qs);
    EXPECT_EQ(run({"dept", "tree"}).out, u"默认部门\n新部门1\n"_qs);
    // Listings and their CSV headed in the language too.
    EXPECT_EQ(run({"budget", "list"}).out.section(u'\n', 0, 0).simplified(),
              u"部门 预算 已用 占比 月底预计"_qs);
    EXPECT_EQ(run({"paper", "stock", "--csv"}).out, u"打印机,纸张,购入,已用,剩余,最低库存\r\n"_qs);
    const Outcome refused = run({"dept", "delete", u"新部门1"_qs});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(u"--yes 再次运行"_qs)) << refused.err.toStdString();
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains(u"vesk host move HOST DEPT"_qs));
    EXPECT_TRUE(run({"help", "dept"}).out.contains(u"vesk dept rename OLD NEW"_qs));
    // A folder without Config.ini: refused, not a crash.
    TestAppDir empty;
    QProcess p;
    p.start(QStringLiteral(VESK_COMMAND), {u"--app"_qs, empty.path(), u"dept"_qs, u"tree"_qs});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
}

} // namespace
} // namespace vesk::test
