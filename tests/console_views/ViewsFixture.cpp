// The fixture of the console view tests.
#include "ViewsFixture.h"

#include <QSqlError>
#include <QSqlQuery>

namespace vesk::test {

namespace {

TestAppDir &prepared(TestAppDir &dir)
{
    dir.prepareEnglish();
    return dir;
}

} // namespace

ViewsFixture::ViewsFixture() : dm(TdmMain::Program::Console, prepared(dir).path())
{
    dir.openEnglish(dm);
    dm.setMessagePresenter(&boxes);
}

void ViewsFixture::exec(const QString &statement)
{
    QSqlQuery q(dm.acntVesk.database());
    ASSERT_TRUE(q.exec(statement))
        << statement.toStdString() << ": " << q.lastError().text().toStdString();
}

void ViewsFixture::addPrint(const PrintRow &r)
{
    QSqlQuery q(dm.acntVesk.database());
    q.prepare(QStringLiteral("insert into tPrinterData (PrinterName, documentName, hostName, "
                             "TotalPageCount, PrintedDocumentSize, PageSize, PrintTime, "
                             "OperatorName, IP, MAC, EmName, DeptName) "
                             "values (?, ?, ?, ?, 1000, 'A4', ?, 'user', '10.0.0.1', "
                             "'00-11-22-33-44-55', ?, ?)"));
    for (const QVariant &v :
         {QVariant(r.printer), QVariant(r.document), QVariant(r.host), QVariant(r.pages),
          QVariant(r.time), QVariant(r.em), QVariant(r.dept)})
        q.addBindValue(v);
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
}

void ViewsFixture::addHost(const QString &name, const QString &ip, const QString &dept,
                           const QString &em, const QString &tel, const QString &net)
{
    QSqlQuery q(dm.acntVesk.database());
    q.prepare(QStringLiteral("insert into tHost (HostName, IP, MAC, tNetGroup, DeptName, EmName, "
                             "Tel) values (?, ?, '', ?, ?, ?, ?)"));
    for (const QString &v : {name, ip, net, dept, em, tel})
        q.addBindValue(v);
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
}

int ViewsFixture::count(const QString &statement)
{
    QSqlQuery q(dm.acntVesk.database());
    if (!q.exec(statement) || !q.next())
        return -1;
    return q.value(0).toInt();
}

QStringList ViewsFixture::column(const TDataset &ds, const QString &field)
{
    PagedQueryModel *m = ds.model();
    while (m->canFetchMore())
        m->fetchMore();
    const int col = ds.columnOf(field);
    QStringList values;
    for (int row = 0; row < m->rowCount(); ++row)
        values << m->index(row, col).data().toString();
    return values;
}

} // namespace vesk::test
