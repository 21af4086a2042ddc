// vesk-initdb run as a program: creates, refuses to overwrite, reports bad configuration.
#include "TestCatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

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
