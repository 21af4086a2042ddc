// The save on a PostgreSQL server (private, on loopback): rows stored once, also after a death
// between commit and journal rewrite.
#include "AgentFixture.h"
#include "Database.h"
#include "MainDM.h"
#include "PostgresServer.h"
#include "PrinterDataSaver.h"
#include "RecordJournal.h"
#include "Schema.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vesk;

namespace {

class DiesAfterCommit : public RecordJournal
{
public:
    using RecordJournal::RecordJournal;
    QStringList RemoveSaved(const QStringList &) override { return {}; }
};

// The fixture's row with quotes, a doubled blank and Chinese text in the cells the save binds.
ListedRecord row(const QString &document, int pages)
{
    ListedRecord r = test::row(document, pages);
    r.Cells[colPrinterName] = QStringLiteral("Laser 'Front'");
    r.Cells[colPrintedDocumentSize] = QStringLiteral("2048");
    r.Cells[colPageSize] = QStringLiteral("C3 Envelope,  324- by 458-millimeters");
    r.Cells[colMAC].clear();
    r.Cells[colDeptName] = QStringLiteral("销售部");
    return r;
}

} // namespace

using SaveOnPostgres = test::FreshPostgresDatabase;

TEST_F(SaveOnPostgres, StoresRowsOnceAcrossADeathAfterCommit)
{
    const QString constr = test::postgresConstr(database);
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

TEST_F(SaveOnPostgres, ASessionEndedByTheServerIsOpenedAgainByTheSaveThatMeetsIt)
{
    QTemporaryDir folder;
    TdmMain dm(TdmMain::Program::Agent, folder.path());
    dm.acntVesk.ConnectionString = test::postgresConstr(database);
    QString error;
    ASSERT_TRUE(dm.acntVesk.Open(dm.AppDir(), &error)) << error.toStdString();
    QSqlDatabase db = dm.acntVesk.database();
    ASSERT_TRUE(createSchema(
        db, [](const QString &k) { return k; }, &error))
        << error.toStdString();
    PrinterDataSaver saver(dm, nullptr);
    RecordList list;
    list.Rows = {row(QStringLiteral("before"), 1)};
    ASSERT_EQ(saver.SavePrinterData(list).outcome, SaveResult::Outcome::Saved);

    // What a server restart does to the agent's session.
    QSqlQuery pid(db);
    ASSERT_TRUE(pid.exec(QStringLiteral("select pg_backend_pid()")) && pid.next());
    const int backend = pid.value(0).toInt();
    pid.finish();
    {
        TConnection admin(QStringLiteral("pg-admin"));
        admin.ConnectionString = test::postgresConstr(database);
        ASSERT_TRUE(admin.Open(dm.AppDir(), &error)) << error.toStdString();
        QSqlQuery kill(admin.database());
        ASSERT_TRUE(kill.exec(QStringLiteral("select pg_terminate_backend(%1)").arg(backend)));
    }

    // The save that meets the ended session opens it again and stores at once: an agent told to
    // end right after a server restart must not leave its rows to a next start.
    list.Rows.push_back(row(QStringLiteral("after"), 2));
    const SaveResult again = saver.SavePrinterData(list);
    ASSERT_EQ(again.outcome, SaveResult::Outcome::Saved) << again.error.toStdString();
    EXPECT_TRUE(again.reconnected);
    EXPECT_EQ(again.written, 1);
}

int main(int argc, char **argv)
{
    return test::runWithPostgresServer(argc, argv);
}
