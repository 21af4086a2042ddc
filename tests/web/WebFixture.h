// An application folder with three departments' print records and web accounts, and a WebApp
// over it called as the server calls it.
#pragma once

#include "TestAppDir.h"
#include "WebAccounts.h"
#include "WebApp.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace vesk::test {

// Finance (with Payroll below it) and Sales, each with records whose names say whose they are.
struct DeptNames
{
    const char *dept, *printer, *host, *employee, *document;
};
inline constexpr DeptNames Finance{"Finance", "FinPrinter", "FIN-PC", "Alice", "fin-budget.xlsx"};
inline constexpr DeptNames Payroll{"Payroll", "PayPrinter", "PAY-PC", "Bob", "pay-slips.pdf"};
inline constexpr DeptNames Sales{"Sales", "SalesPrinter", "SALES-PC", "Carol", "sales-secret.docx"};

inline const QByteArray Password = "correct horse battery";

class WebFixture
{
public:
    // On SQLite, or on the PostgreSQL database that `pgConstr` names (empty, no tables yet).
    explicit WebFixture(const QString &pgConstr = {});
    ~WebFixture();

    // A record today (or at `when`) in the department, with its names.
    void addRecord(const DeptNames &d, int pages = 1, const QString &when = {},
                   const QString &document = {}, int outcome = 1);
    // Accounts "head" (Finance), "sales" (Sales) and "admin", all with Password.
    void addAccounts();
    // An account of `dept` with Password, for a case to change before adding it.
    static WebAccount accountOf(const char *name, const char *dept);
    void addAccount(const WebAccount &a);

    web::Response get(const QString &pathAndQuery, const QByteArray &cookie = {},
                      const QString &address = QStringLiteral("192.0.2.1"));
    web::Response post(const QString &path, const QByteArray &body, const QByteArray &cookie = {},
                       const QString &address = QStringLiteral("192.0.2.1"));
    // Signs in and gives the Cookie header of the session ("" on failure).
    QByteArray signIn(const QString &name, const QByteArray &password = Password,
                      const QString &address = QStringLiteral("192.0.2.1"));
    // The sign-out form's token on a page.
    static QByteArray formToken(const QByteArray &page);

    TestAppDir dir;
    QSqlDatabase db;    // the owner's: sets up tables, accounts and records
    QSqlDatabase appDb; // the handlers' where set (a login of their own), else db
    std::unique_ptr<web::WebApp> app;
    web::Clock::time_point clock = web::Clock::now();
};

QByteArray header(const web::Response &r, const QByteArray &name);
// A response's body, read from its file where it has one.
QByteArray bodyOf(web::Response r);
// A download's text as a reader gets it: the PDF through pdftotext, the workbook's cells through
// the reports' openpyxl reader (as JSON), anything else as it came.
QString textOf(const WebFixture &f, const QString &url, const QByteArray &body);

// Each route, as each account, with another department's names in the URL: nothing of that
// department appears, in the page or the download.
void ExpectScopeKept(WebFixture &f);

} // namespace vesk::test
