// The office print path end to end, run by scripts/office-print-network on its print server:
// Windows computers print through the Samba share, laptops over IPP (IPv4 and IPv6); the real
// agent stores each job with the computer named as the Windows spooler would name it.
#include "AgentProcess.h"
#include "Skip.h"
#include "TestAppDir.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

namespace vesk::test {

namespace {

QString env(const char *name)
{
    return qEnvironmentVariable(name);
}

// 00:1a:... as the probe writes it: 00-1A-...
QString macText(const QString &mac)
{
    return mac.toUpper().replace(u':', u'-');
}

QByteArray pdf(int pages)
{
    QByteArray body = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    const auto object = [&](const QByteArray &text) {
        offsets << body.size();
        body += QByteArray::number(offsets.size()) + " 0 obj\n" + text + "\nendobj\n";
    };
    QByteArray kids;
    for (int i = 0; i < pages; ++i)
        kids += QByteArray::number(3 + i) + " 0 R ";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>");
    for (int i = 0; i < pages; ++i)
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>");
    const qsizetype xref = body.size();
    body += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype o : offsets)
        body += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
    body += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) +
            " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return body;
}

} // namespace

TEST(OfficePrint, JobsFromWindowsComputersAndIppClientsAreStoredAsTheirUsersWouldNameThem)
{
    if (env("VESK_OFFICE_CUPS").isEmpty())
        VESK_SKIP() << "run through scripts/office-print-network";
    const QString server = env("VESK_OFFICE_SERVER");
    const QString port = env("VESK_OFFICE_CUPS").section(u':', 1);
    const QString alice = env("VESK_OFFICE_ALICE_NS"), bob = env("VESK_OFFICE_BOB_NS");

    TestAppDir app;
    app.prepareEnglish();
    ASSERT_TRUE(installProgram(app));
    // tHost knows both computers by MAC; their IPs there are out of date.
    ASSERT_TRUE(
        execSql(app, QStringLiteral("insert into tPrinter(Name,IsMonitor) values('laser',1)")));
    ASSERT_TRUE(execSql(
        app, QStringLiteral("insert into tHost(HostName,IP,MAC,EmName,DeptName) "
                            "values('ALICE-PC','10.9.9.1','%1','Alice','Sales'),"
                            "('BOB-LAPTOP','10.9.9.2','%2','Bob','Planning')")
                 .arg(macText(env("VESK_OFFICE_ALICE_MAC")), macText(env("VESK_OFFICE_BOB_MAC")))));
    app.writeBytes(QStringLiteral("Budget 2027 (draft).pdf"), pdf(2));
    app.writeBytes(QStringLiteral("plan.pdf"), pdf(4));

    AgentProcess agent(app, QProcessEnvironment::systemEnvironment());
    agent.start();
    ASSERT_TRUE(agent.waitForOutput("Monitoring printer laser.")) << agent.output().constData();

    const QString bobIp = env("VESK_OFFICE_BOB_IP"), bobIp6 = env("VESK_OFFICE_BOB_IP6");
    const QString bobMac = macText(env("VESK_OFFICE_BOB_MAC"));
    const struct
    {
        QString ns;
        QStringList command;
        QString document, computer, user, pages, ip, mac, employee, department;
    } cases[] = {
        // A Windows computer that answers NetBIOS, through the Samba share: Samba's prefix is
        // gone, the computer has its NetBIOS name.
        {alice,
         {QStringLiteral("smbclient"), QStringLiteral("-s"), env("VESK_OFFICE_SMBCONF"),
          QStringLiteral("//") + server + QStringLiteral("/laser"), QStringLiteral("-U"),
          env("VESK_OFFICE_SMBUSER"), QStringLiteral("-c"),
          QStringLiteral("print \"Budget 2027 (draft).pdf\"")},
         QStringLiteral("Remote Downlevel Document Budget 2027 (draft).pdf"),
         QStringLiteral("\\\\ALICE-PC"),
         QStringLiteral("vskalice"),
         QStringLiteral("2"),
         env("VESK_OFFICE_ALICE_IP"),
         macText(env("VESK_OFFICE_ALICE_MAC")),
         QStringLiteral("Alice"),
         QStringLiteral("Sales")},
        // A laptop without NetBIOS over IPP: its reverse name.
        {bob,
         {QStringLiteral("lp"), QStringLiteral("-h"), server + u':' + port, QStringLiteral("-d"),
          QStringLiteral("laser"), QStringLiteral("-U"), QStringLiteral("bob"),
          QStringLiteral("-t"), QStringLiteral("Quarterly plan"), QStringLiteral("plan.pdf")},
         QStringLiteral("Quarterly plan"),
         QStringLiteral("\\\\") + env("VESK_OFFICE_BOB_NAME").toUpper(),
         QStringLiteral("bob"),
         QStringLiteral("4"),
         bobIp,
         bobMac,
         QStringLiteral("Bob"),
         QStringLiteral("Planning")},
        // The same over IPv6, whose address has no reverse name: the address, the MAC from the
        // IPv6 neighbour table.
        {bob,
         {QStringLiteral("lp"), QStringLiteral("-h"),
          u'[' + env("VESK_OFFICE_SERVER6") + QStringLiteral("]:") + port, QStringLiteral("-d"),
          QStringLiteral("laser"), QStringLiteral("-U"), QStringLiteral("bob"),
          QStringLiteral("-t"), QStringLiteral("Quarterly plan (IPv6)"),
          QStringLiteral("plan.pdf")},
         QStringLiteral("Quarterly plan (IPv6)"),
         QStringLiteral("\\\\") + bobIp6,
         QStringLiteral("bob"),
         QStringLiteral("4"),
         bobIp6,
         bobMac,
         QStringLiteral("Bob"),
         QStringLiteral("Planning")},
    };

    QStringList expected;
    for (const auto &c : cases) {
        QByteArray out;
        QProcess p;
        p.setWorkingDirectory(app.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("ip"),
                QStringList{QStringLiteral("netns"), QStringLiteral("exec"), c.ns} + c.command);
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAll().constData();
        expected << QStringList{c.document, c.computer, c.user,     c.pages,
                                c.ip,       c.mac,      c.employee, c.department}
                        .join(u'|');
    }

    EXPECT_TRUE(waitUntil([&] { return journalText(app).count("\"cells\"") >= 3; }, 120000))
        << agent.output().constData();
    ASSERT_EQ(agent.terminate(), 0) << agent.output().constData();

    QStringList stored;
    withDatabase(app, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral(
            "select documentName, hostName, OperatorName, TotalPageCount, IP, MAC, EmName, "
            "DeptName from tPrinterData where PrinterName='laser'")));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < 8; ++i)
                cells << q.value(i).toString();
            stored << cells.join(u'|');
        }
    });
    expected.sort();
    stored.sort();
    // The stored rows, for the record of a run.
    std::cout << stored.join(u'\n').toStdString() << '\n';
    EXPECT_EQ(stored.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

} // namespace vesk::test
