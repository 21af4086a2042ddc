// vesk mail against a real SMTP server on loopback: what each account receives, what is sent
// again and what never is, and [Mail] checked before anything is sent.
#include "MailFixture.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

namespace vesk::test {
namespace {

QString attachmentText(const QJsonObject &m, const QString &type)
{
    for (const QJsonValue &a : m[QStringLiteral("attachments")].toArray()) {
        if (a[QStringLiteral("type")].toString().contains(type))
            return a[QStringLiteral("text")].toString() +
                   QString::fromUtf8(QJsonDocument(a[QStringLiteral("rows")].toArray()).toJson());
    }
    return QStringLiteral("<no %1 attachment>").arg(type);
}

// Each account with an address gets one statement of its own scope; the others none.
TEST_F(MailFixture, StatementsReachEachAccountWithItsScopeOnly)
{
    exec("update tPrinterData set Cost = case DeptName when 'Sales' then 31200 when 'Finance' then "
         "1000 when 'Payroll' then 500 else 0 end");
    exec("insert into tBudget (DeptName, Amount) values ('Sales', 50000)");
    writeMailConfig(defaultMailSection() + "[Cost]\nCurrency=EUR\n");
    const VeskResult r = vesk({"mail", "statements", "--month", "2026-11"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray mail = readMail();
    EXPECT_EQ(recipients(mail), (QStringList{"admin@example.com", "evil-head@example.com",
                                             "head@example.com", "sales@example.com"}));
    const struct
    {
        const char *to;
        const char *subject;
        QStringList shown, hidden; // in the PDF and the workbook alike
    } cases[] = {
        {"admin@example.com",
         "Printing in the whole office, November 2026: 4 pages, 327.00 EUR",
         {"fin-budget.xlsx", "pay-slips.pdf", "sales-secret.docx", "evil.txt"},
         {"october.txt"}},
        {"head@example.com",
         "Finance 2026\u5e7411\u6708 \u6253\u5370\uff1a2 \u9875\uff0c15.00 EUR",
         {"fin-budget.xlsx", "pay-slips.pdf"},
         {"sales-secret.docx", "evil.txt", "october.txt", "Carol", "SALES-PC"}},
        {"sales@example.com",
         "Printing in Sales, November 2026: 1 pages, 312.00 EUR (62 % of budget)",
         {"sales-secret.docx", "Carol"},
         {"fin-budget.xlsx", "pay-slips.pdf", "Alice", "Bob", "evil.txt"}},
        {"evil-head@example.com",
         "Printing in Evil Bcc: evil@example.org, November 2026: 1 pages, 0.00 EUR",
         {"evil.txt"},
         {"fin-budget.xlsx", "sales-secret.docx"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.to);
        const QJsonObject m = messageTo(mail, QLatin1String(c.to));
        ASSERT_FALSE(m.isEmpty());
        EXPECT_EQ(m["subject"].toString(), QString::fromUtf8(c.subject));
        EXPECT_EQ(m["to"].toString(), QLatin1String(c.to));
        EXPECT_TRUE(m["envelope"]["tls"].toBool());
        EXPECT_EQ(m["envelope"]["user"].toString(), u"vesk");
        // A name from data never adds a header: one Subject, no Bcc.
        const QJsonArray headers = m["headers"].toArray();
        EXPECT_EQ(headers.toVariantList().count(u"Subject"_qs), 1);
        EXPECT_FALSE(headers.contains(QJsonValue(u"Bcc"_qs))) << c.to;
        EXPECT_FALSE(m["html"].toString().contains(u"<script", Qt::CaseInsensitive));
        EXPECT_FALSE(m["html"].toString().contains(u"src=", Qt::CaseInsensitive));
        EXPECT_TRUE(m["text"].toString().contains(u"FIN-PC") ==
                    m["html"].toString().contains(u"FIN-PC"));
        const QString pdf = attachmentText(m, "pdf"), xlsx = attachmentText(m, "sheet");
        for (const QString &s : c.shown) {
            EXPECT_TRUE(pdf.contains(s)) << s.toStdString() << "\n" << pdf.toStdString();
            EXPECT_TRUE(xlsx.contains(s)) << s.toStdString() << "\n" << xlsx.toStdString();
        }
        for (const QString &s : c.hidden) {
            EXPECT_FALSE(pdf.contains(s)) << s.toStdString();
            EXPECT_FALSE(xlsx.contains(s)) << s.toStdString();
            EXPECT_FALSE(m["text"].toString().contains(s)) << s.toStdString();
        }
    }
    EXPECT_TRUE(
        messageTo(mail, "head@example.com")["rawSubject"].toString().startsWith(u"=?UTF-8?B?"));

    // A month already sent sends nothing; --again sends it once more.
    EXPECT_EQ(vesk({"mail", "statements", "--month", "2026-11"}).code, 0);
    EXPECT_EQ(readMail().size(), 4);
    EXPECT_EQ(vesk({"mail", "statements", "--month", "2026-11", "--again"}).code, 0);
    EXPECT_EQ(readMail().size(), 8);
}

// What the server did not accept is sent at the next run, and only that.
TEST_F(MailFixture, RefusedAndUnsentStatementsAreSentAtTheNextRun)
{
    const struct
    {
        bool serverUp;
        QStringList refuse;
        int code;
        QStringList received; // new recipients of this run
        int failures;         // lines on standard error
    } runs[] = {
        {false, {}, 1, {}, 4},
        {true,
         {"sales@example.com"},
         1,
         {"admin@example.com", "evil-head@example.com", "head@example.com"},
         1},
        {true, {}, 0, {"sales@example.com"}, 0},
        {true, {}, 0, {}, 0},
    };
    int seen = 0;
    for (const auto &run : runs) {
        SCOPED_TRACE(run.received.join(u' ').toStdString());
        if (run.serverUp)
            startServer(run.refuse);
        else
            stopServer();
        const VeskResult r = vesk({"mail", "statements", "--month", "2026-11"});
        EXPECT_EQ(r.code, run.code) << r.err.toStdString();
        EXPECT_EQ(r.err.count(u"vesk: statement 2026-11 to "), run.failures) << r.err.toStdString();
        const QJsonArray mail = readMail();
        QJsonArray fresh;
        for (int i = seen; i < mail.size(); ++i)
            fresh << mail[i];
        seen = int(mail.size());
        EXPECT_EQ(recipients(fresh), run.received);
    }
    EXPECT_EQ(rows("select Account, Kind, Period, Item from tMailSent order by Account"),
              (QStringList{"admin|statement|2026-11|", "evil|statement|2026-11|",
                           "head|statement|2026-11|", "sales|statement|2026-11|"}));
}

// A dry run writes the messages it would send and neither sends nor records them.
TEST_F(MailFixture, DryRunWritesEachMessageToAFolder)
{
    const QString out = dir.file(QStringLiteral("dry"));
    QDir().mkpath(out);
    const VeskResult r = vesk({"mail", "statements", "--month", "2026-11", "--dry-run", out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray written = readMail(out);
    ASSERT_EQ(written.size(), 4);
    QStringList to;
    for (const QJsonValue &m : written)
        to << m["to"].toString();
    to.sort();
    EXPECT_EQ(to, (QStringList{"admin@example.com", "evil-head@example.com", "head@example.com",
                               "sales@example.com"}));
    EXPECT_EQ(written[0]["attachments"].toArray().size(), 2);
    EXPECT_TRUE(readMail().isEmpty());
    EXPECT_TRUE(rows("select * from tMailSent").isEmpty());
}

// [Mail] is checked, the certificate verified and the password read from its file.
TEST_F(MailFixture, TestMessageNeedsSoundSettings)
{
    const QString good = defaultMailSection();
    const struct
    {
        QString section;
        int code;
        const char *said;
    } cases[] = {
        {good, 0, ""},
        {QString(good).replace("Server=localhost", "Server=127.0.0.1"), 1, "certificate"},
        {QString(good).replace("CAFile=mail-cert.pem\n", ""), 1, "certificate"},
        {QString(good).replace("PasswordFile=mail-password", "PasswordFile=nowhere"), 1, "nowhere"},
        {QString(good) + "Password=secret\n", 1, "PasswordFile"},
        {QString(good).replace("User=vesk\n", ""), 1, "530"},
        {"[Mail]\nServer=smtp.example.com:25\nSecurity=none\nFrom=vesk@example.com\n", 1,
         "loopback"},
        {"[Mail]\nServer=localhost\nFrom=vesk@example.com\n", 1, "HOST:PORT"},
        {QString(good).replace("From=vesk@example.com", "From=Vesk <vesk@example.com>"), 1, "From"},
        {"", 1, "Server"},
    };
    int accepted = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.section.toStdString());
        writeMailConfig(c.section);
        const VeskResult r = vesk({"mail", "test", "someone@example.com"});
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.said))) << r.err.toStdString();
        accepted += c.code == 0;
    }
    const QJsonArray mail = readMail();
    ASSERT_EQ(mail.size(), accepted);
    EXPECT_EQ(mail[0]["subject"].toString(), u"Vesk: test message");
}

} // namespace
} // namespace vesk::test
