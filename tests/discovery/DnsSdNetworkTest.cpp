// Printers announced by multicast DNS in private namespaces (scripts/discovery-dnssd-network):
// vesk discover over Provider=DNSSD, alone and beside SMB browsing, fills the tree, tHost and
// tPrinter.
#include "Skip.h"
#include "TestAppDir.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <gtest/gtest.h>

using namespace vesk::test;

namespace {

// name=ip=mac of each printer host, from the script.
QStringList HostRows()
{
    QStringList rows;
    for (const QString &item :
         qEnvironmentVariable("VESK_DD_HOSTS").split(u';', Qt::SkipEmptyParts)) {
        const QStringList f = item.split(u'=');
        if (f.size() == 3)
            rows << QStringList{f[0].toUpper(), QStringLiteral("local"), f[1],
                                f[2].toUpper().replace(u':', u'-')}
                        .join(u'|');
    }
    return rows;
}

// The computer tree that vesk discover prints last, from its root line on.
QString Discover(const TestAppDir &dir, const QString &root, QString *log,
                 const QString &bus = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"))
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.path()); // no ~/.smb/smb.conf of the machine
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", bus);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VESK_COMMAND), {"--app", dir.path(), "discover"});
    p.waitForFinished(120000);
    *log = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    const qsizetype at = log->lastIndexOf(u'\n' + root + u'\n');
    return p.exitCode() != 0 || at < 0 ? QString() : log->mid(at + 1);
}

QStringList Rows(const TestAppDir &dir, const QString &statement)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "dnssd-check");
        db.setDatabaseName(dir.databaseFile());
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(statement));
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << q.value(i).toString();
            rows << fields.join(u'|');
        }
    }
    QSqlDatabase::removeDatabase("dnssd-check");
    rows.sort();
    return rows;
}

const QString Announced = QStringLiteral("\tlocal\n"
                                         "\t\t\\\\prn-one\n"
                                         "\t\t\t\\\\prn-one\\Label Printer\n"
                                         "\t\t\t\\\\prn-one\\Office Laser\n"
                                         "\t\t\\\\prn-two\n"
                                         "\t\t\t\\\\prn-two\\Old Matrix\n");

} // namespace

TEST(DnsSdNetwork, DiscoverListsTheAnnouncedPrintersAndStoresTheirHosts)
{
    const QStringList announcing = HostRows();
    if (announcing.isEmpty())
        VESK_SKIP() << "run through scripts/discovery-dnssd-network";
    const QStringList announcedPrinters = {"\\\\prn-one\\Label Printer|PRN-ONE",
                                           "\\\\prn-one\\Office Laser|PRN-ONE",
                                           "\\\\prn-two\\Old Matrix|PRN-TWO"};
    struct Case
    {
        const char *provider;
        QString tree; // what vesk discover prints last
    };
    // Beside SMB browsing on this network without Samba: one root, the SMB part finds nothing.
    const Case cases[] = {{"DNSSD", "DNS-SD Network\n" + Announced},
                          {"SMB + dnssd", "SMB Network + DNS-SD Network\n" + Announced}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.provider);
        TestAppDir dir;
        dir.prepareEnglish();
        dir.write("Config.ini", QStringLiteral("[Connection]\nConstr=Provider=SQLite;Data "
                                               "Source=vesk.db\n[Font]\nCharset=0\n[Language]\n"
                                               "FileName=English.ini\n[Network]\nProvider=%1\n"
                                               "SmbConf=smb.conf\n")
                                    .arg(QString::fromLatin1(c.provider)));
        // The SMB client's folders in the test's own: it reads no system configuration.
        for (const char *folder : {"lock", "state", "cache", "private", "ncalrpc"})
            QDir(dir.path()).mkpath(QString::fromLatin1(folder));
        dir.write("smb.conf", QStringLiteral("[global]\nlock directory = %1lock\nstate directory = "
                                             "%1state\ncache directory = %1cache\nprivate dir = "
                                             "%1private\nncalrpc dir = %1ncalrpc\n")
                                  .arg(dir.path()));

        // The hosts' daemons announce themselves in their own time: search until all show.
        const QString root = c.tree.section(u'\n', 0, 0);
        QString tree, log;
        const QDeadlineTimer deadline(60000);
        while ((tree = Discover(dir, root, &log)) != c.tree && !deadline.hasExpired())
            QThread::msleep(500);
        ASSERT_EQ(tree, c.tree) << log.toStdString();

        EXPECT_EQ(Rows(dir, "select hostName, tNetGroup, IP, MAC from tHost"), announcing)
            << log.toStdString();
        EXPECT_EQ(Rows(dir, "select Name, HostName from tPrinter"), announcedPrinters);

        // Without a daemon to ask, the network cannot be opened: said, and nothing listed.
        if (&c == &cases[0]) {
            EXPECT_EQ(Discover(dir, root, &log, "unix:path=" + dir.file("no-bus")), QString());
            EXPECT_TRUE(log.contains("error code 0:open network error \n"
                                     "error code 1:can not open network,please try to find "
                                     "yourself\n"))
                << log.toStdString();
        }
    }
}
