// vesk migrate: a folder's SQLite database holding hostile texts copied to PostgreSQL value for
// value, the source file untouched, a dry run writing nothing, a non-empty target refused.
#include "Database.h"
#include "HostileTexts.h"
#include "PostgresServer.h"
#include "Schema.h"
#include "TestAppDir.h"
#include "VeskRun.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return f.open(QIODevice::ReadOnly) && hash.addData(&f) ? hash.result() : QByteArray();
}

// Every row of the table as one text, values told apart from null, sorted; column names and
// order as the statement gives them (lower case on both engines).
QStringList tableRows(const QString &connection, const QString &table)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select * from ") + table))
        throw std::runtime_error(q.lastError().text().toStdString());
    QStringList rows;
    while (q.next()) {
        QStringList values;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i) {
            if (r.fieldName(i).compare(PrinterDataKeyColumn, Qt::CaseInsensitive) == 0)
                continue; // the paging key the server fills
            values << r.fieldName(i).toLower() + u'=' +
                          (q.value(i).isNull() ? u"<null>"_qs : q.value(i).toString());
        }
        rows << values.join(u'\x1f');
    }
    rows.sort();
    return rows;
}

class VeskMigrate : public FreshPostgresDatabase
{
protected:
    void SetUp() override
    {
        FreshPostgresDatabase::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        dir.prepareEnglish();
        ASSERT_TRUE(
            openDatabase(u"source"_qs, u"Provider=SQLite;Data Source=vesk.db"_qs, dir.path()).ok);
        ASSERT_TRUE(openDatabase(u"target"_qs, postgresConstr(database), {}).ok);
    }
    void TearDown() override
    {
        for (const QString &name : {u"source"_qs, u"target"_qs}) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }
    Outcome vesk(const QStringList &args) { return runVesk(dir.path(), args); }
    int targetTables()
    {
        QSqlQuery q(QSqlDatabase::database(u"target"_qs, false));
        return q.exec(u"select count(*) from pg_tables where schemaname = current_schema()"_qs) &&
                       q.next()
                   ? q.value(0).toInt()
                   : -1;
    }

    TestAppDir dir;
};

TEST_F(VeskMigrate, CopiesEveryValueVerbatimAndLeavesTheSourceAlone)
{
    // Every hostile text in every kind of column, and the texts that COPY's own format escapes.
    QStringList texts;
    for (const auto &h : HostileTexts())
        texts << h.text;
    texts << u"line\nbreak\r\nend"_qs << u"\\N"_qs << u"\\."_qs << u"tab\tand\\t"_qs;
    {
        QSqlDatabase db = QSqlDatabase::database(u"source"_qs, false);
        QSqlQuery q(db);
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QString &t = texts.at(i);
            q.prepare(u"insert into tPrinterData (PrinterName, documentName, hostName, "
                      "TotalPageCount, PrintedDocumentSize, PageSize, PrintTime, OperatorName, "
                      "IP, MAC, EmName, DeptName) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_qs);
            for (const QVariant &v :
                 {QVariant(t), QVariant(t), QVariant(t), QVariant(int(i)), QVariant(2147483647),
                  QVariant(t), QVariant(u"2026-12-01 10:00:%1"_qs.arg(int(i), 2, 10, QChar(u'0'))),
                  QVariant(t), QVariant(t), QVariant(t), QVariant(t), QVariant(t)})
                q.addBindValue(v);
            ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
            for (const QString &insert :
                 {u"insert into tDept values (?, ?, ?, ?, ?, ?)"_qs,
                  u"insert into tHost values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_qs,
                  u"insert into tPrinter (Name, HostName, DeptName, IsMonitor) values (?, ?, ?, "
                  "1)"_qs}) {
                q.prepare(insert);
                const int n = static_cast<int>(insert.count(u'?'));
                for (int c = 0; c < n; ++c)
                    q.addBindValue(t);
                ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
            }
        }
        // A record with nulls where the agent leaves nothing.
        ASSERT_TRUE(q.exec(u"insert into tPrinterData (PrinterName) values ('nulls')"_qs));
        ASSERT_TRUE(q.exec(u"insert into tSavedRecord values ('{0b0c-id}')"_qs));
    }
    QSqlDatabase::database(u"source"_qs, false).close();
    const QByteArray before = fileHash(dir.databaseFile());

    const Outcome dry =
        vesk({u"migrate"_qs, u"--to"_qs, postgresConstr(database), u"--dry-run"_qs});
    EXPECT_EQ(dry.code, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains(u"  tPrinterData\t%1\n"_qs.arg(texts.size() + 1)))
        << dry.out.toStdString();
    EXPECT_EQ(targetTables(), 0);

    const Outcome done = vesk({u"migrate"_qs, u"--to"_qs, postgresConstr(database)});
    ASSERT_EQ(done.code, 0) << done.err.toStdString();
    EXPECT_TRUE(done.out.contains(u"row counts checked"_qs)) << done.out.toStdString();
    EXPECT_EQ(fileHash(dir.databaseFile()), before);
    {
        // The totals built by the copy are vacuumed (only a vacuum marks pages all-visible) and
        // analyzed, not left to autovacuum.
        QSqlQuery settled(QSqlDatabase::database(u"target"_qs));
        ASSERT_TRUE(settled.exec(u"select relallvisible > 0 and reltuples > 0 from pg_class where "
                                 "relname = 'ttotalmonth'"_qs) &&
                    settled.next());
        EXPECT_TRUE(settled.value(0).toBool());
    }

    ASSERT_TRUE(QSqlDatabase::database(u"source"_qs, false).open());
    for (const char *table : {"tSchemaVersion", "tDept", "tHost", "tPrinter", "tPrinterData",
                              "tShowSetting", "tSavedRecord"}) {
        const QStringList source = tableRows(u"source"_qs, QLatin1String(table));
        EXPECT_FALSE(source.isEmpty()) << table;
        EXPECT_EQ(tableRows(u"target"_qs, QLatin1String(table)), source) << table;
    }

    // Once there is something in the target, it is refused, and nothing changes there.
    const Outcome again = vesk({u"migrate"_qs, u"--to"_qs, postgresConstr(database)});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains(u"not empty"_qs)) << again.err.toStdString();
    EXPECT_EQ(tableRows(u"target"_qs, u"tDept"_qs), tableRows(u"source"_qs, u"tDept"_qs));
}

} // namespace
} // namespace vesk::test
