// The department test fixture.
#include "DeptFixture.h"

#include "LumoForm.h"
#include "TestRows.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <stdexcept>

namespace vesk::test {

DeptFixture::DeptFixture()
{
    dir.prepareEnglish();
    dm = std::make_unique<TdmMain>(TdmMain::Program::Console, dir.path());
    dm->acntVesk.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    QString error;
    if (!dm->acntVesk.Open(dm->AppDir(), &error))
        throw std::runtime_error(error.toStdString());
    dm->OpenIniFile(dir.file(QStringLiteral("English.ini")));
    dm->setMessagePresenter(&boxes);
    TLumoFrm::SetDataModule(dm.get());

    connection_ = QStringLiteral("fixture-") + dir.path();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(dir.databaseFile());
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw std::runtime_error("cannot open the test database");
}

DeptFixture::~DeptFixture()
{
    TLumoFrm::SetDataModule(nullptr);
    dm.reset();
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

void DeptFixture::addOrganisation()
{
    exec(QStringLiteral("insert into tDept (Name, SuperName) values "
                        "('Sales & Marketing''s', '-1'), ('R&D [Lab]', 'Sales & Marketing''s')"));
    exec(QStringLiteral("insert into tHost (HostName, DeptName) values "
                        "('PC''1', 'Sales & Marketing''s'), ('PC2', 'sales & marketing''s'), "
                        "('LAB1', 'R&D [Lab]')"));
    exec(QStringLiteral("insert into tPrinter (Name, HostName, DeptName) values "
                        "('P1', 'PC''1', 'Sales & Marketing''s'), ('P2', 'pc''1', 'x')"));
    exec(QStringLiteral("insert into tPrinterData (PrinterName, hostName, DeptName) values "
                        "('P1', 'PC''1', 'Sales & Marketing''s'), ('P9', 'LAB1', 'R&D [Lab]')"));
}

void DeptFixture::exec(const QString &statement)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    if (!q.exec(statement))
        throw std::runtime_error(
            QString(statement + QStringLiteral(": ") + q.lastError().text()).toStdString());
}

QStringList DeptFixture::rows(const QString &statement)
{
    return queryRows(connection_, statement);
}

int DeptFixture::count(const QString &statement)
{
    return rows(statement).value(0).toInt();
}

QStringList DeptFixture::boxTexts() const
{
    QStringList texts;
    for (const auto &b : boxes.shown)
        texts << b.text;
    return texts;
}

} // namespace vesk::test
