#include "MailFixture.h"

#include "Database.h"
#include "TestRows.h"

#include <QDir>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>

namespace vesk::test {

namespace {

const char *const Password = "mail password 1";

// Finance with Payroll below it, Sales, and a department whose name tries to add a header.
const char *const Records[][6] = {
    // dept, printer, computer, employee, document, time
    {"Finance", "FinPrinter", "FIN-PC", "Alice", "fin-budget.xlsx", "2026-11-03 09:00:00"},
    {"Payroll", "PayPrinter", "PAY-PC", "Bob", "pay-slips.pdf", "2026-11-04 10:00:00"},
    {"Sales", "SalesPrinter", "SALES-PC", "Carol", "sales-secret.docx", "2026-11-05 11:00:00"},
    {"Evil\r\nBcc: evil@example.org", "EvilPrinter", "EVIL-PC", "Eve", "evil.txt",
     "2026-11-06 12:00:00"},
    {"Finance", "FinPrinter", "FIN-PC", "Alice", "october.txt", "2026-10-20 09:00:00"},
};

int run(const QString &program, const QStringList &args, QByteArray *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(60000);
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

void MailFixture::SetUp()
{
    dir.writeConfig();
    dir.copyLanguage(QStringLiteral("English.ini"));
    dir.copyLanguage(QStringLiteral("Chinese.ini"));
    dir.createDatabase();
    inbox = dir.file(QStringLiteral("inbox"));
    QDir().mkpath(inbox);
    dir.write(QStringLiteral("mail-password"), QString::fromLatin1(Password) + u'\n');
    QByteArray output;
    ASSERT_EQ(run(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
                   "-addext", "subjectAltName=DNS:localhost", "-days", "2", "-keyout",
                   dir.file("mail-key.pem"), "-out", dir.file("mail-cert.pem")},
                  &output),
              0)
        << output.constData();

    connection_ = QStringLiteral("mail-test-") + dir.path();
    const OpenResult opened = openDatabase(
        connection_, QStringLiteral("Provider=SQLite;Data Source=vesk.db"), dir.path());
    ASSERT_TRUE(opened.ok) << opened.error.toStdString();
    exec("insert into tDept (Name, SuperName) values ('Finance', '-1'), ('Payroll', "
         "'Finance'), ('Sales', '-1'), ('Evil' || char(13) || char(10) || 'Bcc: "
         "evil@example.org', '-1')");
    QSqlQuery q(QSqlDatabase::database(connection_));
    q.prepare("insert into tPrinterData (DeptName, PrinterName, hostName, EmName, documentName, "
              "PrintTime, TotalPageCount, JobOutcome, PagesPrinted, ColorPrint, Duplex) values "
              "(?, ?, ?, ?, ?, ?, 1, 1, 1, 0, 0)");
    for (const auto &r : Records) {
        for (const char *v : r)
            q.addBindValue(QString::fromUtf8(v));
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
    // name, department, admin, language, disabled, address
    exec("insert into tWebAccount (Name, PasswordHash, DeptName, IsAdmin, Lang, Disabled, Email) "
         "values ('admin', 'x', 'Finance', 1, 'en', 0, 'admin@example.com'), "
         "('head', 'x', 'Finance', 0, 'cn', 0, 'head@example.com'), "
         "('sales', 'x', 'Sales', 0, '', 0, 'sales@example.com'), "
         "('quiet', 'x', 'Sales', 0, '', 0, null), "
         "('gone', 'x', 'Sales', 0, '', 1, 'gone@example.com'), "
         "('evil', 'x', 'Evil' || char(13) || char(10) || 'Bcc: evil@example.org', 0, 'en', 0, "
         "'evil-head@example.com')");
    startServer();
    writeMailConfig();
}

void MailFixture::TearDown()
{
    stopServer();
    if (!connection_.isEmpty()) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

void MailFixture::startServer(const QStringList &refuse)
{
    stopServer();
    QStringList args{"--dir",      inbox,
                     "--cert",     dir.file("mail-cert.pem"),
                     "--key",      dir.file("mail-key.pem"),
                     "--user",     "vesk",
                     "--password", QString::fromLatin1(Password),
                     "--port",     QString::number(port)};
    for (const QString &r : refuse)
        args << "--refuse" << r;
    server_ = std::make_unique<QProcess>();
    server_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_->start(QStringLiteral(VESK_MAIL_TEST_DIR "/smtp_server.py"), args);
    // The server prints its port once it listens.
    ASSERT_TRUE(server_->waitForReadyRead(30000)) << "the SMTP server did not start";
    port = server_->readLine().trimmed().toInt();
    ASSERT_GT(port, 0);
}

void MailFixture::stopServer()
{
    if (!server_)
        return;
    server_->terminate(); // its own process, by its handle
    if (!server_->waitForFinished(30000))
        server_->kill();
    server_->waitForFinished(30000);
    server_.reset();
}

QString MailFixture::defaultMailSection() const
{
    return QStringLiteral("[Mail]\nServer=localhost:%1\nUser=vesk\nPasswordFile=mail-password\n"
                          "From=vesk@example.com\nCAFile=mail-cert.pem\n")
        .arg(port);
}

void MailFixture::writeMailConfig(const QString &section)
{
    dir.writeConfig(QStringLiteral("English.ini"), QStringLiteral("0"),
                    section.isNull() ? defaultMailSection() : section);
}

VeskResult MailFixture::vesk(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VESK_COMMAND), QStringList{QStringLiteral("--app"), dir.path()} + args);
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QJsonArray MailFixture::readMail(const QString &folder)
{
    QByteArray output;
    QProcess p;
    p.start(QStringLiteral(VESK_MAIL_TEST_DIR "/read_mail.py"),
            {folder.isEmpty() ? inbox : folder});
    p.waitForFinished(120000);
    output = p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    return QJsonDocument::fromJson(output).array();
}

void MailFixture::exec(const QString &statement)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    ASSERT_TRUE(q.exec(statement)) << q.lastError().text().toStdString();
}

QStringList MailFixture::rows(const QString &statement)
{
    return queryRows(connection_, statement);
}

QSqlDatabase MailFixture::db() const
{
    return QSqlDatabase::database(connection_);
}

QJsonObject messageTo(const QJsonArray &messages, const QString &address)
{
    for (const QJsonValue &m : messages) {
        const QJsonArray to = m[QStringLiteral("envelope")][QStringLiteral("to")].toArray();
        if (to.size() == 1 && to[0].toString() == address)
            return m.toObject();
    }
    return {};
}

QStringList recipients(const QJsonArray &messages)
{
    QStringList out;
    for (const QJsonValue &m : messages) {
        for (const QJsonValue &to : m[QStringLiteral("envelope")][QStringLiteral("to")].toArray())
            out << to.toString();
    }
    out.sort();
    return out;
}

} // namespace vesk::test
