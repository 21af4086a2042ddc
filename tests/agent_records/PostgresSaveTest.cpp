// The save on a PostgreSQL server (private, on loopback): rows stored once, also after a death
// between commit and journal rewrite.
#include "Database.h"
#include "MainDM.h"
#include "PrinterDataSaver.h"
#include "RecordJournal.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

using namespace vesk;

namespace {

class PostgresServer : public ::testing::Environment
{
public:
    void SetUp() override
    {
        dir_ = QDir::tempPath() + QStringLiteral("/vesk-pg-records-") +
               QUuid::createUuid().toString(QUuid::WithoutBraces);
        QProcess p;
        p.start(QStringLiteral(VESK_PG_SERVER_SCRIPT), {QStringLiteral("start"), dir_});
        p.waitForFinished(120000);
        if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            port = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt();
        else
            startError = QString::fromUtf8(p.readAllStandardError());
    }
    void TearDown() override
    {
        QProcess::execute(QStringLiteral(VESK_PG_SERVER_SCRIPT), {QStringLiteral("stop"), dir_});
    }

    static inline int port = 0;
    static inline QString startError;

private:
    QString dir_;
};

class DiesAfterCommit : public RecordJournal
{
public:
    using RecordJournal::RecordJournal;
    QStringList RemoveSaved(const QStringList &) override { return {}; }
};

ListedRecord row(const QString &document, int pages)
{
    ListedRecord r;
    r.Id = NewRecordId();
    r.Cells = {QStringLiteral("Laser 'Front'"),
               document,
               QStringLiteral("\\\\PC1"),
               QString::number(pages),
               QStringLiteral("2048"),
               QStringLiteral("C3 Envelope,  324- by 458-millimeters"),
               QStringLiteral("2026-03-01 10:00:00"),
               QStringLiteral("bob"),
               QStringLiteral("127.0.0.1"),
               QString(),
               QStringLiteral("Bob"),
               QStringLiteral("销售部")};
    return r;
}

} // namespace

TEST(SaveOnPostgres, StoresRowsOnceAcrossADeathAfterCommit)
{
    if (PostgresServer::port == 0)
        GTEST_SKIP() << "no PostgreSQL server: " << PostgresServer::startError.toStdString();
    const QString constr =
        QStringLiteral(
            "Provider=PostgreSQL;Host=127.0.0.1;Port=%1;Database=postgres;User ID=postgres")
            .arg(PostgresServer::port);
    QTemporaryDir folder;
    const auto run = [&](auto journalTag, auto &&body) {
        using J = typename decltype(journalTag)::type;
        TdmMain dm(TdmMain::Program::Agent, folder.path());
        dm.acntVesk.ConnectionString = constr;
        QString error;
        ASSERT_TRUE(dm.acntVesk.Open(dm.AppDir(), &error)) << error.toStdString();
        J journal(folder.path());
        PrinterDataSaver saver(dm, &journal);
        RecordList list;
        list.Rows = journal.Pending();
        body(dm, journal, saver, list);
    };
    const auto count = [](TdmMain &dm, const QString &from) {
        QSqlQuery q(dm.acntVesk.database());
        return q.exec(QStringLiteral("select count(*) from ") + from) && q.next()
                   ? q.value(0).toInt()
                   : -1;
    };
    struct Real
    {
        using type = RecordJournal;
    };
    struct Dying
    {
        using type = DiesAfterCommit;
    };

    run(Dying{},
        [&](TdmMain &dm, RecordJournal &journal, PrinterDataSaver &saver, RecordList &list) {
            QSqlDatabase db = dm.acntVesk.database();
            QString error;
            ASSERT_TRUE(createSchema(
                db, [](const QString &k) { return k; }, &error))
                << error.toStdString();
            for (const ListedRecord &r :
                 {row(QStringLiteral("O'Neil 计划"), 2), row(QStringLiteral("b"), 3)}) {
                ASSERT_TRUE(journal.Append(r));
                list.Rows.push_back(r);
            }
            const SaveResult res = saver.SavePrinterData(list);
            ASSERT_EQ(res.outcome, SaveResult::Outcome::Saved) << res.error.toStdString();
            EXPECT_EQ(count(dm, QStringLiteral("tPrinterData")), 2);
        });
    run(Real{},
        [&](TdmMain &dm, RecordJournal &journal, PrinterDataSaver &saver, RecordList &list) {
            ASSERT_EQ(list.Rows.size(), 2u);
            const ListedRecord extra = row(QStringLiteral("c"), 4);
            ASSERT_TRUE(journal.Append(extra));
            list.Rows.push_back(extra);
            const SaveResult res = saver.SavePrinterData(list);
            ASSERT_EQ(res.outcome, SaveResult::Outcome::Saved) << res.error.toStdString();
            EXPECT_EQ(res.written, 1);
            EXPECT_EQ(count(dm, QStringLiteral("tPrinterData")), 3);
            EXPECT_EQ(count(dm, QStringLiteral("tPrinterData where documentName='o''neil 计划' "
                                               "and TotalPageCount=2 and DeptName='销售部'")),
                      1);
            EXPECT_EQ(count(dm, QStringLiteral("tSavedRecord")), 0);
            EXPECT_TRUE(journal.Pending().empty());
        });
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PostgresServer);
    return RUN_ALL_TESTS();
}
