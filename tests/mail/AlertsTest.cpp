// vesk mail alerts against the real SMTP server: each budget threshold once per department and
// month, a paper told again only after it was back at its minimum, nothing lost while the server
// is down.
#include "MailFixture.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

namespace vesk::test {
namespace {

class AlertsFixture : public MailFixture
{
protected:
    // A record of this month (the alerts' month) with its cost in minor units.
    void print(const QString &dept, const QString &printer, int pages, qint64 cost)
    {
        QSqlQuery q(db());
        q.prepare("insert into tPrinterData (DeptName, PrinterName, hostName, EmName, "
                  "documentName, PrintTime, TotalPageCount, JobOutcome, PagesPrinted, ColorPrint, "
                  "Duplex, PageSize, Cost) values (?, ?, 'PC', 'Em', 'doc', ?, ?, 1, ?, 0, 0, "
                  "'A4', ?)");
        for (const QVariant &v :
             {QVariant(dept), QVariant(printer),
              QVariant(QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss")),
              QVariant(pages), QVariant(pages), QVariant(cost)})
            q.addBindValue(v);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }

    // Runs vesk mail alerts; what it newly delivered as "address|subject", sorted.
    QStringList run(int code, int failures)
    {
        const VeskResult r = vesk({"mail", "alerts"});
        EXPECT_EQ(r.code, code) << r.err.toStdString();
        EXPECT_EQ(r.err.count(u"vesk: "), failures) << r.err.toStdString();
        const QJsonArray mail = readMail();
        QStringList fresh;
        for (int i = seen_; i < mail.size(); ++i) {
            const QJsonObject m = mail[i].toObject();
            EXPECT_FALSE(m["headers"].toArray().contains(QJsonValue(u"Bcc"_qs)));
            fresh << m["to"].toString() + u'|' + m["subject"].toString();
        }
        seen_ = int(mail.size());
        fresh.sort();
        return fresh;
    }

private:
    int seen_ = 0;
};

QString month(const char *format)
{
    return QLocale::c().toString(QDate::currentDate(), QString::fromUtf8(format));
}

// 80 % and 100 % once each per department (its sub-departments' spending included), in the
// account's language; a hostile name adds no header; what the server missed goes next time.
TEST_F(AlertsFixture, BudgetThresholdsAreToldOnce)
{
    exec("insert into tBudget (DeptName, Amount) values ('Sales', 10000), ('Finance', 1000), "
         "('Evil' || char(13) || char(10) || 'Bcc: evil@example.org', 500)");
    const QString en = month("MMMM yyyy"), cn = month("yyyy\u5e74M\u6708");
    const auto sales = [&](const char *to, int share) -> QString {
        return QString::fromUtf8(to) +
               QStringLiteral("|Printing budget of Sales: %1 % reached in %2").arg(share).arg(en);
    };
    const QString evil = QStringLiteral("Printing budget of Evil Bcc: evil@example.org: 100 % "
                                        "reached in ") +
                         en;
    const struct
    {
        const char *dept;
        qint64 cost;
        bool serverUp;
        int code, failures;
        QStringList received;
    } runs[] = {
        {"Sales", 5000, true, 0, 0, {}},
        {"Sales",
         3500,
         true,
         0,
         0,
         {sales("admin@example.com", 80), sales("sales@example.com", 80)}},
        {"Payroll",
         900,
         true,
         0,
         0,
         {"admin@example.com|Printing budget of Finance: 80 % reached in " + en,
          QStringLiteral("head@example.com|Finance \u7684\u6253\u5370\u9884\u7b97\u5df2\u8fbe "
                         "80 %\uff08") +
              cn + u'\uff09'}},
        {"Sales", 0, true, 0, 0, {}},
        {"Sales", 2000, false, 1, 2, {}},
        {"Sales",
         0,
         true,
         0,
         0,
         {sales("admin@example.com", 100), sales("sales@example.com", 100)}},
        {"Evil\r\nBcc: evil@example.org",
         700,
         true,
         0,
         0,
         {"admin@example.com|" + evil, "evil-head@example.com|" + evil}},
        {"Sales", 0, true, 0, 0, {}},
    };
    for (const auto &r : runs) {
        SCOPED_TRACE(QString::fromUtf8(r.dept).toStdString() + " " + std::to_string(r.cost));
        if (r.serverUp)
            startServer();
        else
            stopServer();
        if (r.cost > 0)
            print(QString::fromUtf8(r.dept), "P", 1, r.cost);
        EXPECT_EQ(run(r.code, r.failures), r.received);
    }
    // Passed 100 % at once: its 80 % is recorded with it, so it never follows.
    EXPECT_EQ(rows("select Kind from tMailSent where Account = 'evil' order by Kind"),
              (QStringList{"budget100", "budget80"}));
}

// A paper below its minimum is told to the administrators once, and again only after it was
// back at its minimum and fell below once more.
TEST_F(AlertsFixture, PaperBelowItsMinimumIsToldOncePerFall)
{
    const QString subject = QStringLiteral("admin@example.com|Paper below its minimum: A4 on "
                                           "SalesPrinter");
    const struct
    {
        int printed, bought;
        QStringList received;
    } runs[] = {
        {40, 100, {}},       // 60 left of a minimum of 50
        {20, 0, {subject}},  // 40 left
        {5, 0, {}},          // still below: told already
        {0, 100, {}},        // 135 left: forgotten
        {100, 0, {subject}}, // 35 left: told again
    };
    ASSERT_EQ(vesk({"paper", "minimum", "A4", "50"}).code, 0);
    exec("insert into tPrinter (Name) values ('SalesPrinter')");
    for (const auto &r : runs) {
        SCOPED_TRACE(r.printed);
        if (r.bought > 0) {
            ASSERT_EQ(vesk({"paper", "buy", "SalesPrinter", "--paper", "A4", "--pages",
                            QString::number(r.bought), "--money", "5"})
                          .code,
                      0);
        }
        if (r.printed > 0)
            print("Sales", "SalesPrinter", r.printed, 0);
        EXPECT_EQ(run(0, 0), r.received);
    }
}

} // namespace
} // namespace vesk::test
