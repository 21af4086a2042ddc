// The web view's pages: routing, sign-in, sessions, scope and the handlers, without any HTTP
// library. The server hands each request in with the calling thread's own connection and sends
// back the status, headers and body; tests call Handle directly.
#pragma once

#include "Catalogue.h"
#include "DocumentPrivacy.h"
#include "Sessions.h"
#include "WebText.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
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
    bool secure = false; // served over TLS
};

struct Response
{
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QList<std::pair<QByteArray, QByteArray>> headers; // besides the security headers
    QByteArray body;
    int fd = -1; // a download: the server sends this open file (already unlinked), then closes it
    qint64 fdSize = 0;
};

// The headers every answer carries.
const QList<std::pair<QByteArray, QByteArray>> &SecurityHeaders();

// The two catalogues the pages are written in, looked up by key.
struct Catalogues
{
    LangLookup english;
    LangLookup chinese;
};
// A catalogue file read once into memory, safe to read from every thread.
LangLookup CatalogueFromFile(const QString &path, int charset);

class WebApp
{
public:
    WebApp(Catalogues catalogues, DocumentPrivacy privacy);

    Response Handle(const Request &request, const QSqlDatabase &db);
    // An error page in the browser's language (for the server's own refusals: 413, 431, 400).
    Response Error(int status, const QByteArray &acceptLanguage) const;

    SessionStore &Sessions() { return sessions_; }
    SignInThrottle &Throttle() { return throttle_; }

    // Where the handlers take the time from; tests set them.
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    static constexpr int PageRows = 50;
    static constexpr const char *CookieName = "vesk_session";
    static constexpr const char *SignInCookieName = "vesk_signin"; // the sign-in form's token

private:
    struct Context;
    Response signInPage(const Request &r, const LangLookup &lang, int status,
                        const QString &message) const;
    Response signIn(const Request &r, const QSqlDatabase &db);
    Response signOut(const Request &r, Context &c);
    Response overview(const Request &r, const QSqlDatabase &db, Context &c);
    Response history(const Request &r, const QSqlDatabase &db, Context &c);
    Response download(const Request &r, const QSqlDatabase &db, Context &c, const QString &what);
    Response error(int status, const LangLookup &lang) const;
    Response failed(const QString &why, const LangLookup &lang) const;
    QString page(const Context &c, const QString &title, const QString &body) const;
    LangLookup langFor(const QString &accountLang, const QByteArray &acceptLanguage,
                       QString *code = nullptr) const;

    Catalogues catalogues_;
    DocumentPrivacy privacy_;
    SessionStore sessions_;
    SignInThrottle throttle_;
};

} // namespace vesk::web
