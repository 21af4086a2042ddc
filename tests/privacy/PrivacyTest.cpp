// Document name privacy: the agent's saves and vesk redact on a real SQLite file, read back byte
// by byte, and the replacing statement on a private PostgreSQL server.
#include "AgentFixture.h"
#include "Database.h"
#include "DocumentPrivacy.h"
#include "PostgresServer.h"
#include "PrinterDataSaver.h"
#include "Schema.h"

#include <QFile>
#include <QProcess>

using namespace vesk;

namespace {

const QString OldName = QStringLiteral("Payroll-Old-Secret");        // 69 days ago, ten records
const QString RecentName = QStringLiteral("Recent-Plan-Draft.docx"); // 2 days ago
const QString SavedName = QStringLiteral("Saved-Now-Memo.doc");      // 2026-03-01, by the save
const QDateTime Now(QDate(2026, 3, 20), QTime(12, 0));

void addRecord(const QSqlDatabase &db, const QString &document, const QString &time)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("insert into tPrinterData (PrinterName, documentName, PrintTime) "
                             "values ('Laser', ?, ?)"));
    q.addBindValue(document);
    q.addBindValue(time);
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
}

// The two earlier records, written home into the database file.
void addEarlierRecords(const QSqlDatabase &db, const QDateTime &now)
{
    const QString format = QStringLiteral("yyyy-MM-dd 09:00:00");
    // Ten to a page: a shorter name rewritten in place would leave the longer one in free space.
    for (int i = 0; i < 10; ++i)
        addRecord(db, OldName + QString::number(i), now.addDays(-69).toString(format));
    addRecord(db, RecentName, now.addDays(-2).toString(format));
    QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

// Everything SQLite keeps of the database on disk.
QByteArray fileBytes(const test::TestAppDir &dir)
{
    QByteArray bytes;
    for (const char *suffix : {"", "-wal", "-journal"}) {
        QFile f(dir.databaseFile() + QLatin1String(suffix));
        if (f.open(QIODevice::ReadOnly))
            bytes += f.readAll();
    }
    return bytes;
}

QStringList storedNames(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.exec(
        QStringLiteral("select documentName from tPrinterData order by PrintTime, documentName"));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

} // namespace

TEST(Privacy, AgentSavesLeaveOnlyTheNamesConfigIniKeeps)
{
    const struct
    {
        const char *privacy;
        QStringList kept; // names still in the file, in PrintTime order of the three records
    } cases[] = {
        {"", {OldName, SavedName, RecentName}},
        {"[Privacy]\nKeepDocumentNames=30\n", {SavedName, RecentName}},
        {"[Privacy]\nKeepDocumentNames=5\n", {RecentName}},
        {"[Privacy]\nStoreDocumentNames=0\n", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.privacy);
        test::TestAppDir dir;
        dir.prepareEnglish();
        dir.writeConfig(QStringLiteral("English.ini"), QStringLiteral("0"),
                        QString::fromLatin1(c.privacy));
        auto dm = test::startAgentModule(dir);
        QSqlDatabase db = dm->acntVesk.database();
        addEarlierRecords(db, Now);
        ASSERT_TRUE(fileBytes(dir).contains(OldName.toUtf8())); // the check can see a name

        PrinterDataSaver saver(*dm, nullptr, [] { return Now; });
        RecordList list;
        list.Rows.push_back(test::row(SavedName));
        ASSERT_EQ(saver.SavePrinterData(list).outcome, SaveResult::Outcome::Saved);

        const QByteArray bytes = fileBytes(dir);
        QStringList expected;
        for (const QString &name : {OldName, SavedName, RecentName}) {
            const bool kept = c.kept.contains(name);
            EXPECT_EQ(bytes.contains(name.toUtf8()), kept) << name.toStdString();
            for (int i = 0; i < (name == OldName ? 10 : 1); ++i)
                expected << (!kept             ? RedactedDocumentName()
                             : name == OldName ? name + QString::number(i)
                                               : name);
        }
        EXPECT_EQ(storedNames(db), expected);
    }
}

TEST(Privacy, VeskRedactReplacesTheDueNamesOnce)
{
    test::TestAppDir dir;
    dir.prepareEnglish();
    {
        auto dm = test::startAgentModule(dir);
        addEarlierRecords(dm->acntVesk.database(), QDateTime::currentDateTime());
    }
    const auto vesk = [&](const QStringList &args, QString *out) {
        QProcess p;
        p.start(QStringLiteral(VESK_COMMAND),
                QStringList{QStringLiteral("--app"), dir.path()} + args);
        p.waitForFinished(60000);
        *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
        return p.exitCode();
    };
    const struct
    {
        const char *config;
        QStringList args;
        int status;
        const char *said;
    } cases[] = {
        {"[Privacy]\nKeepDocumentNames=many\n",
         {},
         1,
         "Config.ini, [Privacy]: KeepDocumentNames is not a whole number of days or 0/1."},
        {"", {}, 0, "Document names replaced: 0"},
        {"[Privacy]\nKeepDocumentNames=30\n", {}, 0, "Document names replaced: 10"},
        {"[Privacy]\nKeepDocumentNames=30\n", {}, 0, "Document names replaced: 0"},
        {"", {QStringLiteral("--days"), QStringLiteral("0")}, 2, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.config);
        dir.writeConfig(QStringLiteral("English.ini"), QStringLiteral("0"),
                        QString::fromLatin1(c.config));
        QString out;
        EXPECT_EQ(vesk(QStringList{QStringLiteral("redact")} + c.args, &out), c.status)
            << out.toStdString();
        if (c.said) {
            EXPECT_EQ(out.toStdString(), c.said);
        }
    }
    const QByteArray bytes = fileBytes(dir);
    EXPECT_FALSE(bytes.contains(OldName.toUtf8()));
    EXPECT_TRUE(bytes.contains(RecentName.toUtf8()));
}

using PrivacyOnPostgres = test::FreshPostgresDatabase;

TEST_F(PrivacyOnPostgres, ReplacesOnlyTheNamesBeforeTheCutoff)
{
    const QString name = QStringLiteral("privacy");
    {
        const OpenResult r = openDatabase(name, test::postgresConstr(database), {});
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        QSqlDatabase db = QSqlDatabase::database(name);
        QString error;
        ASSERT_TRUE(createSchema(
            db, [](const QString &k) { return k; }, &error))
            << error.toStdString();
        addEarlierRecords(db, Now);
        DocumentPrivacy privacy;
        privacy.keepDays = 30;
        const QString cutoff = RedactionCutoff(privacy, Now);
        EXPECT_EQ(cutoff, QStringLiteral("2026-02-18 00:00:00"));
        EXPECT_EQ(RedactDocumentNames(db, QString(), cutoff, &error), 10) << error.toStdString();
        EXPECT_EQ(RedactDocumentNames(db, QString(), cutoff, &error), 0) << error.toStdString();
        QStringList expected;
        expected.fill(RedactedDocumentName(), 10);
        EXPECT_EQ(storedNames(db), expected << RecentName);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

int main(int argc, char **argv)
{
    return test::runWithPostgresServer(argc, argv);
}
