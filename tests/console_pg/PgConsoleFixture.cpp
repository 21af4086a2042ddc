// The fixture of the console tests on PostgreSQL.
#include "PgConsoleFixture.h"

#include "Database.h"
#include "IniFile.h"
#include "LumoForm.h"
#include "Schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace vesk::test {

namespace {

// The shared server starts once for the program, before the first test.
::testing::Environment *const server = ::testing::AddGlobalTestEnvironment(new PostgresServer);

} // namespace

void PgConsoleFixture::SetUp()
{
    FreshPostgresDatabase::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    dir = std::make_unique<TestAppDir>();
    dir->write(QStringLiteral("Config.ini"),
               QStringLiteral("[Connection]\nConstr=%1\n[Font]\nCharset=0\n[Language]\n"
                              "FileName=English.ini\n[Network]\nProvider=Map\n"
                              "MapFile=network.map\n")
                   .arg(postgresConstr(database)));
    dir->writeSavedNetwork();
    dir->copyLanguage(QStringLiteral("English.ini"));
    dir->copyLanguage(QStringLiteral("Chinese.ini"));

    connection_ = QStringLiteral("fixture-") + database;
    const OpenResult opened = openDatabase(connection_, postgresConstr(database), {});
    ASSERT_TRUE(opened.ok) << opened.error.toStdString();
    const IniFile catalogue(dir->file(QStringLiteral("English.ini")), 0);
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QString error;
    ASSERT_TRUE(createSchema(
        db,
        [&catalogue](const QString &key) {
            return catalogue.readString(QStringLiteral("Lang"), key);
        },
        &error))
        << error.toStdString();
}

void PgConsoleFixture::TearDown()
{
    window.reset();
    TLumoFrm::SetDataModule(nullptr);
    dm.reset();
    if (!connection_.isEmpty()) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

TdmMain &PgConsoleFixture::openModule()
{
    dm = std::make_unique<TdmMain>(TdmMain::Program::Console, dir->path());
    dm->acntVesk.ConnectionString = postgresConstr(database);
    QString error;
    if (!dm->acntVesk.Open(dm->AppDir(), &error))
        ADD_FAILURE() << error.toStdString();
    dm->OpenIniFile(dir->file(QStringLiteral("English.ini")));
    dm->applyDisplayLabels();
    dm->setMessagePresenter(&boxes);
    return *dm;
}

TComputerMFrm &PgConsoleFixture::showWindow()
{
    dm = std::make_unique<TdmMain>(TdmMain::Program::Console, dir->path());
    dm->setMessagePresenter(&boxes);
    TLumoFrm::SetDataModule(dm.get());
    window = std::make_unique<TComputerMFrm>(*dm);
    window->OpenDocument = [](const QUrl &) { return true; };
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(dm->acntVesk.Connected()) << boxTexts().join(u'|').toStdString();
    return *window;
}

void PgConsoleFixture::exec(const QString &statement)
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    ASSERT_TRUE(q.exec(statement))
        << statement.toStdString() << ": " << q.lastError().text().toStdString();
}

int PgConsoleFixture::count(const QString &statement)
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(statement) || !q.next()) {
        ADD_FAILURE() << statement.toStdString() << ": " << q.lastError().text().toStdString();
        return -1;
    }
    return q.value(0).toInt();
}

void PgConsoleFixture::addPrint(const PgPrintRow &r)
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("insert into tPrinterData (PrinterName, documentName, hostName, "
                             "TotalPageCount, PageSize, PrintTime, OperatorName, IP, EmName, "
                             "DeptName) values (?, ?, ?, ?, 'A4', ?, 'user', '10.0.0.1', ?, ?)"));
    for (const QVariant &v : {QVariant(r.printer), QVariant(r.document), QVariant(r.host),
                              QVariant(r.pages), QVariant(r.time), r.em, QVariant(r.dept)})
        q.addBindValue(v);
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
}

void PgConsoleFixture::addHost(const QString &name, const QString &ip, const QString &dept,
                               const QString &em, const QString &net)
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("insert into tHost (HostName, IP, tNetGroup, DeptName, EmName) "
                             "values (?, ?, ?, ?, ?)"));
    for (const QString &v : {name, ip, net, dept, em})
        q.addBindValue(v);
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
}

void PgConsoleFixture::addPrinter(const QString &name, const QString &host, int isMonitor)
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("insert into tPrinter (Name, HostName, IsMonitor) values (?, ?, ?)"));
    q.addBindValue(name);
    q.addBindValue(host);
    q.addBindValue(isMonitor);
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
}

QStringList PgConsoleFixture::boxTexts() const
{
    QStringList texts;
    for (const auto &b : boxes.shown)
        texts << b.text;
    return texts;
}

} // namespace vesk::test
