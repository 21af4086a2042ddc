// What every page of the web view shares: the request it is handed and the answer it gives, the
// signed-in context the router gathers, the page frame, the style sheet, the error pages and
// the small pieces of HTML the forms are made of.
#pragma once

#include "Catalogue.h"
#include "DocumentPrivacy.h"
#include "Money.h"
#include "PrinterDataSearch.h"
#include "Scope.h"
#include "Sessions.h"
#include "WebAccounts.h"
#include "WebText.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace vesk::web {

struct Request
{
    QByteArray method = "GET";
    QString path;
    Params query;
    Params form;            // an url-encoded POST body
    bool malformed = false; // the query or the body did not parse
    QByteArray cookie;      // the Cookie header
    QByteArray acceptLanguage;
    QString address;     // the client's
    bool secure = false; // served over HTTPS, by this server or by the proxy in front
};

using Headers = QList<std::pair<QByteArray, QByteArray>>;

struct Response
{
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    Headers headers; // besides the security headers
    QByteArray body;
    int fd = -1; // a download: the server sends this open file (already unlinked), then closes it
    qint64 fdSize = 0;
};

// The headers every answer carries.
const Headers &SecurityHeaders();

// What the router hands a page of a signed-in account.
struct PageContext
{
    QByteArray token; // the session's
    Session session;
    WebAccount account;
    LangLookup lang;
    QString langCode; // "en" or "zh", the page's lang attribute
    Scope scope;
    QString dept;        // the chosen department, as asked
    QStringList choices; // the departments the account may choose
    QDate today;
    DocumentPrivacy privacy;
    Currency currency; // [Cost] Currency, read at the start
};

// Rows on one page of the history.
inline constexpr int PageRows = 50;

// The page: header with the links and the sign-out form, the title, the body.
QString PageHtml(const PageContext &c, const QString &title, const QString &body);
// The style sheet at /style.css.
const char *StyleSheet();

// An error page with its status and the catalogue's text for it.
Response ErrorPage(int status, const LangLookup &lang);
// A 500 whose reason (the database's text) goes to the log, not to the browser.
Response FailedPage(const QString &why, const LangLookup &lang);
Response Redirect(const QByteArray &to);

// Pieces of HTML, every text escaped.
QString Cell(const QString &text);
// Totals grouped by thousands (25,172), as both languages write them.
QString Number(qint64 n);
// A size in bytes as people read it: 512 B, 239 KB, 1.5 MB, 2.3 GB (units of 1,024).
QString ReadableSize(qint64 bytes);
QString Option(const QString &value, const QString &chosen, const QString &text);
QString Input(const QString &label, const char *name, const QString &value,
              const char *type = "text");
// The department choice of the forms: the account's own departments (every one for an
// administrator, whose empty choice is all of them).
QString DeptSelect(const PageContext &c);

// A date parameter; `fallback` when empty, nothing when not a date of years 1900 to 9999.
std::optional<QDate> DateParam(const Params &p, const char *name, const QDate &fallback);

// What a search asks for, read from the query: dates (this month by default), the name boxes
// and the job conditions. Nothing when a value is not valid.
struct Search
{
    PrinterDataCriteria criteria;
    QString from, to; // as typed, for the form
    QString outcome, color, duplex;

    // The parameters that repeat the search in a link, with the chosen department.
    QList<std::pair<QString, QString>> params(const QString &dept) const;
};
std::optional<Search> SearchOf(const Params &p, const QDate &today);

// Tokens compared in constant time; an empty one matches nothing.
bool SameToken(const QByteArray &a, const QByteArray &b);

} // namespace vesk::web
