// A new database: tables, column order, letter case, initial rows.
#include "Schema.h"

#include "Database.h"
#include "TestCatalogue.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <tuple>

using namespace vesk;

namespace {

class NewDatabase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::prepareMini(dir);
        const OpenResult r = openDatabase(QStringLiteral("schema"),
                                          QStringLiteral("Data Source=vesk.db"), dir.path());
        ASSERT_TRUE(r.ok) << r.error.toStdString();
    }
    void TearDown() override { QSqlDatabase::removeDatabase(QStringLiteral("schema")); }
    QSqlDatabase db() { return QSqlDatabase::database(QStringLiteral("schema"), false); }

    test::TestAppDir dir;
};

} // namespace

TEST_F(NewDatabase, PrintRecordColumnsKeepTheirOrder)
{
    const QSqlRecord rec = db().record(QStringLiteral("tPrinterData"));
    QStringList names;
    for (int i = 0; i < rec.count(); ++i)
        names << rec.fieldName(i);
    EXPECT_EQ(names.join(u','),
              QStringLiteral("PrinterName,documentName,hostName,TotalPageCount,"
                             "PrintedDocumentSize,PageSize,PrintTime,OperatorName,"
                             "IP,MAC,EmName,DeptName,JobOutcome,PagesPrinted,ColorPrint,"
                             "Duplex,Cost"));
    EXPECT_EQ(storedSchemaVersion(db()), SchemaVersion);
    QString error;
    QSqlDatabase d = db();
    EXPECT_TRUE(upgradeSchema(d, &error));
}

TEST_F(NewDatabase, HoldsTheDefaultDepartmentAndColumnSettings)
{
    QSqlQuery q(db());
    ASSERT_TRUE(q.exec(QStringLiteral("select Name, SuperName from tdept")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("Head Office"));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("-1"));
    EXPECT_FALSE(q.next());

    // The print records' columns appended later are listed but not reported: the first twelve
    // fill the page.
    for (const auto &[table, count, reported] :
         {std::tuple{"tPrinterData", 17, 12}, std::tuple{"tHost", 10, 10}}) {
        ASSERT_TRUE(q.exec(QStringLiteral("select FieldName, FName, FWidth, Findex, IsVisible from "
                                          "tShowSetting where tableName='%1' order by Findex")
                               .arg(QLatin1String(table))));
        int n = 0, width = 0;
        while (q.next()) {
            EXPECT_EQ(q.value(3).toInt(), n);
            EXPECT_EQ(q.value(4).toInt(), n < reported ? 1 : 0);
            EXPECT_FALSE(q.value(1).toString().isEmpty());
            width += n < reported ? q.value(2).toInt() : 0;
            ++n;
        }
        EXPECT_EQ(n, count) << table;
        EXPECT_LE(width, ReportPageWidth) << table;
    }
    ASSERT_TRUE(q.exec(QStringLiteral("select FName from tShowSetting where FieldName='MAC' and "
                                      "tableName='tPrinterData'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("MAC"));
}

TEST_F(NewDatabase, NamesAndComparisonsIgnoreLetterCase)
{
    QSqlQuery q(db());
    ASSERT_TRUE(q.exec(
        QStringLiteral("insert into THost (HostName, DeptName) values ('PC-Ünter', 'Sales')")));
    ASSERT_TRUE(q.exec(QStringLiteral("select hostname as [Computer name] from thost where "
                                      "DEPTNAME='SALES' and HostName like 'pc-%'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.record().fieldName(0), QStringLiteral("Computer name"));
    ASSERT_TRUE(q.exec(QStringLiteral("select count(*) from tDept where name='head office'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

TEST_F(NewDatabase, CreatingTwiceFailsWithoutHalfChanges)
{
    QSqlDatabase d = db();
    QString error;
    EXPECT_FALSE(createSchema(
        d, [](const QString &) { return QStringLiteral("X"); }, &error));
    EXPECT_FALSE(error.isEmpty());
    QSqlQuery q(d);
    ASSERT_TRUE(q.exec(QStringLiteral("select count(*) from tDept")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}
