// The console test fixture.
#include "ConsoleFixture.h"

#include "LumoForm.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <stdexcept>

namespace vesk::test {

ConsoleFixture::ConsoleFixture()
{
    dir.prepareEnglish();
    connection_ = QStringLiteral("fixture-") + dir.path();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(dir.databaseFile());
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw std::runtime_error("cannot open the test database");
}

ConsoleFixture::~ConsoleFixture()
{
    window.reset();
    TLumoFrm::SetDataModule(nullptr);
    dm.reset();
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

TComputerMFrm &ConsoleFixture::createWindow()
{
    dm = std::make_unique<TdmMain>(TdmMain::Program::Console, dir.path());
    dm->setMessagePresenter(&boxes);
    TLumoFrm::SetDataModule(dm.get());
    window = std::make_unique<TComputerMFrm>(*dm);
    // The help viewer is never started by a test.
    window->OpenDocument = [](const QUrl &) { return true; };
    return *window;
}

TComputerMFrm &ConsoleFixture::showWindow()
{
    createWindow();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return *window;
}

void ConsoleFixture::exec(const QString &statement)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    if (!q.exec(statement))
        throw std::runtime_error(
            QString(statement + QStringLiteral(": ") + q.lastError().text()).toStdString());
}

int ConsoleFixture::count(const QString &statement)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    if (!q.exec(statement) || !q.next())
        throw std::runtime_error(statement.toStdString());
    return q.value(0).toInt();
}

void ConsoleFixture::addPrinter(const QString &name, const QString &host, int isMonitor)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    q.prepare(QStringLiteral("insert into tPrinter (Name, HostName, IsMonitor) values (?, ?, ?)"));
    q.addBindValue(name);
    q.addBindValue(host);
    q.addBindValue(isMonitor);
    if (!q.exec())
        throw std::runtime_error(q.lastError().text().toStdString());
}

void ConsoleFixture::addHost(const QString &host)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    q.prepare(QStringLiteral("insert into tHost (HostName, DeptName) values (?, 'Head Office')"));
    q.addBindValue(host);
    if (!q.exec())
        throw std::runtime_error(q.lastError().text().toStdString());
}

void ConsoleFixture::addPrintRecord(const QString &printer, const QString &host)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    q.prepare(QStringLiteral("insert into tPrinterData (PrinterName, documentName, hostName, "
                             "TotalPageCount, PrintTime) values (?, 'report.pdf', ?, 3, "
                             "'2026-03-02 09:41:17')"));
    q.addBindValue(printer);
    q.addBindValue(host);
    if (!q.exec())
        throw std::runtime_error(q.lastError().text().toStdString());
}

QStringList ConsoleFixture::boxTexts() const
{
    QStringList texts;
    for (const auto &b : boxes.shown)
        texts << b.text;
    return texts;
}

} // namespace vesk::test
