// vesk discover through the real binary: a map of this machine, the files and rows it leaves.
#include "DiscoveryFixture.h"
#include "TestAppDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace vesk::test;

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

Result Discover(const TestAppDir &dir, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VESK_COMMAND), QStringList{"--app", dir.path(), "discover"} + args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(DiscoverCommand, SearchesAMapStoresItsComputersAndExitsByOutcome)
{
    TestAppDir dir;
    dir.prepareEnglish();
    // Only names of this machine: the probes must not leave it.
    dir.write("office.map", "network = Head office\n[OFFICE]\nlocalhost = laser1\n[LAB]\n");

    const Result found = Discover(dir, {"--map", dir.file("office.map")});
    EXPECT_EQ(found.status, 0) << found.err.toStdString();
    EXPECT_TRUE(found.out.startsWith("Searching the network...\n")) << found.out.toStdString();
    EXPECT_TRUE(found.out.contains("Name:LOCALHOST   IP:127.0.0.1    MAC:\n"));
    EXPECT_TRUE(found.out.endsWith(
        "Head office\n\tOFFICE\n\t\t\\\\localhost\n\t\t\t\\\\localhost\\laser1\n\tLAB\n"))
        << found.out.toStdString();
    QFile saved(dir.file("Data/NetDate.dat"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("Head office\r\n\tOFFICE\r\n\t\t\\\\localhost\r\n"
                                          "\t\t\t\\\\localhost\\laser1\r\n\tLAB\r\n"));
    EXPECT_TRUE(QFile::exists(dir.file("Data/DeptTreeData.dat")));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(dir.databaseFile());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("select hostName, IP, tNetGroup, DeptName from tHost"));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString() + '|' + q.value(1).toString() + '|' +
                      q.value(2).toString() + '|' + q.value(3).toString(),
                  "LOCALHOST|127.0.0.1|OFFICE|Default Department");
        EXPECT_FALSE(q.next());
    }
    QSqlDatabase::removeDatabase("check");

    // A map that cannot be read: the search ends with its messages and an empty tree.
    const Result missing = Discover(dir, {"--map", dir.file("nothing.map")});
    EXPECT_EQ(missing.status, 0);
    EXPECT_TRUE(missing.err.contains("error code 0:open network error \n"
                                     "error code 1:can not open network,please try to find "
                                     "yourself\n"))
        << missing.err.toStdString();

    // No Data folder: the tree file cannot be written.
    QDir(dir.file("Data")).removeRecursively();
    const Result unwritable = Discover(dir, {"--map", dir.file("office.map")});
    EXPECT_EQ(unwritable.status, 1);
}
