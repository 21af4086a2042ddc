// vesk-initdb run as a program: creates, refuses to overwrite, reports bad configuration; its
// routine CreateDatabase called directly, case by case.
#include "CreateDatabase.h"
#include "TestCatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using vesk::CreateDatabase;
using vesk::CreateRequest;
using vesk::CreateResult;
using vesk::test::TestAppDir;

namespace {

struct InitDbRun
{
    int code;
    QString errors;
};

InitDbRun initdb(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VESK_INITDB), args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

void prepareConfig(const TestAppDir &dir, const QString &charset = QStringLiteral("0"))
{
    dir.write(QStringLiteral("Mini.ini"), QString::fromUtf8(vesk::test::MiniCatalogue));
    dir.writeConfig(QStringLiteral("Mini.ini"), charset);
}

} // namespace

TEST(InitDb, CreatesOnceAndKeepsAnExistingDatabase)
{
    TestAppDir dir;
    prepareConfig(dir);
    EXPECT_EQ(initdb({dir.path()}).code, 0);
    ASSERT_TRUE(QFileInfo(dir.databaseFile()).size() > 0);
    EXPECT_FALSE(QFileInfo::exists(dir.databaseFile() + QStringLiteral(".new")));

    const InitDbRun again = initdb({dir.path()});
    EXPECT_EQ(again.code, 2);
    EXPECT_TRUE(again.errors.contains(QStringLiteral("--force")));
    EXPECT_EQ(initdb({QStringLiteral("--if-missing"), dir.path()}).code, 0);
    EXPECT_EQ(initdb({QStringLiteral("--force"), dir.path()}).code, 0);
}

TEST(InitDb, ReportsBadConfiguration)
{
    TestAppDir dir;
    EXPECT_EQ(initdb({dir.path()}).code, 3); // no Config.ini
    prepareConfig(dir, QStringLiteral("x"));
    const InitDbRun badCharset = initdb({dir.path()});
    EXPECT_EQ(badCharset.code, 3);
    EXPECT_TRUE(badCharset.errors.contains(QStringLiteral("'x' is not a valid integer value")));
    dir.write(
        QStringLiteral("Config.ini"),
        QStringLiteral("[Connection]\nConstr=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb\n"
                       "[Font]\nCharset=0\n[Language]\nFileName=Mini.ini\n"));
    EXPECT_EQ(initdb({dir.path()}).code, 3);
    EXPECT_EQ(initdb({QStringLiteral("--bogus")}).code, 1);
}

TEST(InitDb, ReportsAnUnwritableFolder)
{
    TestAppDir dir;
    prepareConfig(dir);
    dir.write(QStringLiteral("Config.ini"),
              QStringLiteral("[Connection]\nConstr=Provider=SQLite;Data Source=missing/sub/v.db\n"
                             "[Font]\nCharset=0\n[Language]\nFileName=Mini.ini\n"));
    EXPECT_EQ(initdb({dir.path()}).code, 4);
}

TEST(CreateDatabase, FollowsTheFolderAndTheMode)
{
    const QString sqliteConfig =
        QStringLiteral("[Connection]\nConstr=Provider=SQLite;Data Source=%1\n"
                       "[Font]\nCharset=0\n[Language]\nFileName=Mini.ini\n");
    const struct
    {
        const char *what;
        QString config; // Config.ini; empty: none
        bool existing;  // the database is made first
        CreateRequest::Mode mode;
        CreateResult::Status status;
        const char *says; // in the error, or in the first line of what was done
    } cases[] = {
        {"new", sqliteConfig.arg(QStringLiteral("vesk.db")), false, CreateRequest::New,
         CreateResult::Done, "created "},
        {"exists", sqliteConfig.arg(QStringLiteral("vesk.db")), true, CreateRequest::New,
         CreateResult::Exists, "--force"},
        {"if missing", sqliteConfig.arg(QStringLiteral("vesk.db")), true, CreateRequest::IfMissing,
         CreateResult::Done, ""},
        {"forced", sqliteConfig.arg(QStringLiteral("vesk.db")), true, CreateRequest::Force,
         CreateResult::Done, "created "},
        {"roles on SQLite", sqliteConfig.arg(QStringLiteral("vesk.db")), false,
         CreateRequest::RolesOnly, CreateResult::BadConfig, "PostgreSQL"},
        {"no Config.ini", QString(), false, CreateRequest::New, CreateResult::BadConfig,
         "Config.ini not found"},
        {"bad charset",
         sqliteConfig.arg(QStringLiteral("vesk.db"))
             .replace(QStringLiteral("Charset=0"), QStringLiteral("Charset=x")),
         false, CreateRequest::New, CreateResult::BadConfig, "'x' is not a valid integer value"},
        {"no language file",
         sqliteConfig.arg(QStringLiteral("vesk.db"))
             .replace(QStringLiteral("Mini.ini"), QStringLiteral("None.ini")),
         false, CreateRequest::New, CreateResult::BadConfig, "None.ini not found"},
        {"unknown provider",
         QStringLiteral("[Connection]\nConstr=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb\n"
                        "[Font]\nCharset=0\n[Language]\nFileName=Mini.ini\n"),
         false, CreateRequest::New, CreateResult::BadConfig, "no known provider"},
        {"missing folder", sqliteConfig.arg(QStringLiteral("missing/sub/v.db")), false,
         CreateRequest::New, CreateResult::CannotWrite, "does not exist"},
    };
    for (const auto &c : cases) {
        TestAppDir dir;
        dir.write(QStringLiteral("Mini.ini"), QString::fromUtf8(vesk::test::MiniCatalogue));
        if (!c.config.isEmpty())
            dir.write(QStringLiteral("Config.ini"), c.config);
        CreateRequest request;
        request.appDir = dir.path();
        request.mode = c.mode;
        if (c.existing) {
            CreateRequest first;
            first.appDir = dir.path();
            ASSERT_EQ(CreateDatabase(first).status, CreateResult::Done) << c.what;
        }
        const qint64 before = QFileInfo(dir.databaseFile()).size();
        const CreateResult r = CreateDatabase(request);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.error.toStdString();
        const QString text = r.status == CreateResult::Done ? r.done.value(0) : r.error;
        EXPECT_TRUE(text.contains(QLatin1String(c.says))) << c.what << ": " << text.toStdString();
        if (r.status == CreateResult::Done) {
            EXPECT_GT(QFileInfo(dir.databaseFile()).size(), 0) << c.what;
        } else {
            // A refusal leaves the folder as it was.
            EXPECT_EQ(QFileInfo(dir.databaseFile()).size(), before) << c.what;
        }
        EXPECT_FALSE(QFileInfo::exists(dir.databaseFile() + QStringLiteral(".new"))) << c.what;
    }
}
