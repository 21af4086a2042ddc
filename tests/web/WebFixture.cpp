#include "WebFixture.h"

#include "Database.h"
#include "Schema.h"
#include "WebAccounts.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>
#include <unistd.h>

namespace vesk::test {

namespace {

void run(const QSqlDatabase &db, const QString &statement, const QVariantList &values = {})
{
    QSqlQuery q(db);
    QString error;
    if (!runStatement(q, statement, values, &error))
        throw std::runtime_error(error.toStdString());
}

} // namespace

WebFixture::WebFixture(const QString &pgConstr)
{
    dir.prepareEnglish();
    dir.copyLanguage(QStringLiteral("Chinese.ini"));
    const OpenResult r = openDatabase(
        QStringLiteral("web-test"),
        pgConstr.isEmpty() ? QStringLiteral("Provider=SQLite;Data Source=vesk.db") : pgConstr,
        dir.path());
    if (!r.ok)
        throw std::runtime_error(r.error.toStdString());
    db = QSqlDatabase::database(QStringLiteral("web-test"));
    if (!pgConstr.isEmpty()) {
        QString error;
        if (!createSchema(db, web::CatalogueFromFile(dir.file(QStringLiteral("English.ini")), 0),
                          &error))
            throw std::runtime_error(error.toStdString());
    }
    run(db, QStringLiteral("insert into tDept (Name, SuperName) values ('Finance', '-1')"));
    run(db, QStringLiteral("insert into tDept (Name, SuperName) values ('Payroll', 'Finance')"));
    run(db, QStringLiteral("insert into tDept (Name, SuperName) values ('Sales', '-1')"));
    app = std::make_unique<web::WebApp>(
        web::Catalogues{web::CatalogueFromFile(dir.file(QStringLiteral("English.ini")), 0),
                        web::CatalogueFromFile(dir.file(QStringLiteral("Chinese.ini")), 134)},
        DocumentPrivacy{});
    app->now = [this] { return clock; };
}

WebFixture::~WebFixture()
{
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("web-test"));
}

void WebFixture::addRecord(const DeptNames &d, int pages, const QString &when,
                           const QString &document, int outcome)
{
    run(db,
        QStringLiteral("insert into tPrinterData (PrinterName, documentName, hostName, "
                       "TotalPageCount, PrintTime, EmName, DeptName, JobOutcome, PagesPrinted, "
                       "ColorPrint, Duplex) values (?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 0)"),
        {QString::fromLatin1(d.printer),
         document.isNull() ? QString::fromLatin1(d.document) : document,
         QString::fromLatin1(d.host), pages,
         when.isEmpty()
             ? QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
             : when,
         QString::fromLatin1(d.employee), QString::fromLatin1(d.dept), outcome, pages});
}

WebAccount WebFixture::accountOf(const char *name, const char *dept)
{
    static const QString hash = HashWebPassword(Password);
    WebAccount a;
    a.name = QLatin1String(name);
    a.passwordHash = hash;
    a.dept = QLatin1String(dept);
    return a;
}

void WebFixture::addAccount(const WebAccount &a)
{
    QString error;
    if (!AddWebAccount(db, a, &error))
        throw std::runtime_error(error.toStdString());
}

void WebFixture::addAccounts()
{
    for (const auto &[name, dept, admin] : {std::tuple{"head", "Finance", false},
                                            {"sales", "Sales", false},
                                            {"admin", "Finance", true}}) {
        WebAccount a = accountOf(name, dept);
        a.admin = admin;
        addAccount(a);
    }
}

web::Response WebFixture::get(const QString &pathAndQuery, const QByteArray &cookie,
                              const QString &address)
{
    web::Request r;
    const qsizetype q = pathAndQuery.indexOf(u'?');
    r.path = pathAndQuery.left(q < 0 ? pathAndQuery.size() : q);
    r.malformed =
        !web::ParseParams(q < 0 ? QByteArray() : pathAndQuery.mid(q + 1).toUtf8(), r.query);
    r.cookie = cookie;
    r.address = address;
    return app->Handle(r, appDb.isValid() ? appDb : db);
}

web::Response WebFixture::post(const QString &path, const QByteArray &body,
                               const QByteArray &cookie, const QString &address)
{
    web::Request r;
    r.method = "POST";
    r.path = path;
    r.cookie = cookie;
    QByteArray form = body;
    if (path == u"/signin" && cookie.isEmpty()) {
        // As a browser does: the sign-in form first, with its token and cookie.
        const web::Response page = get(path, {}, address);
        const QByteArray set = header(page, "Set-Cookie");
        r.cookie = set.left(set.indexOf(';'));
        form += "&token=" + formToken(page.body);
    }
    r.malformed = !web::ParseParams(form, r.form);
    r.address = address;
    return app->Handle(r, appDb.isValid() ? appDb : db);
}

QByteArray WebFixture::signIn(const QString &name, const QByteArray &password,
                              const QString &address)
{
    const web::Response r = post(QStringLiteral("/signin"),
                                 "name=" + QUrl::toPercentEncoding(name) +
                                     "&password=" + QUrl::toPercentEncoding(password),
                                 {}, address);
    const QByteArray cookie = header(r, "Set-Cookie");
    return r.status == 303 ? cookie.left(cookie.indexOf(';')) : QByteArray();
}

QByteArray WebFixture::formToken(const QByteArray &page)
{
    const QRegularExpression re(QStringLiteral("name=\"token\" value=\"([0-9a-f]+)\""));
    return re.match(QString::fromUtf8(page)).captured(1).toLatin1();
}

QByteArray header(const web::Response &r, const QByteArray &name)
{
    for (const auto &[n, v] : r.headers) {
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    }
    return {};
}

QByteArray bodyOf(web::Response r)
{
    if (r.fd < 0)
        return r.body;
    QByteArray all;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(r.fd, buf, sizeof buf)) > 0)
        all.append(buf, n);
    ::close(r.fd);
    return all;
}

// A download's text as a reader gets it: the PDF through pdftotext, the workbook's cells through
// the reports' openpyxl reader (as JSON), anything else as it came.
QString textOf(const WebFixture &f, const QString &url, const QByteArray &body)
{
    const bool pdf = url.contains(u".pdf"), xlsx = url.contains(u".xlsx");
    if (!(pdf || xlsx) || !body.startsWith(pdf ? "%PDF" : "PK"))
        return QString::fromUtf8(body);
    const QString file = f.dir.file(QStringLiteral("download"));
    f.dir.writeBytes(QStringLiteral("download"), body);
    QProcess reader;
    if (pdf)
        reader.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    else
        reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VESK_READ_XLSX), file});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        ADD_FAILURE() << "cannot read " << url.toStdString() << ": "
                      << reader.readAllStandardError().toStdString();
    return QString::fromUtf8(reader.readAllStandardOutput());
}

} // namespace vesk::test
