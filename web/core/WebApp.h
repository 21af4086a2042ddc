// The web view without any HTTP library: the router, which checks the session and the account,
// gathers the scope and hands the request to its page (one file per page: SignInPage,
// OverviewPage, HistoryPage, DownloadPage; what they share is in WebPage). The server hands each
// request in with the calling thread's own connection and sends back the status, headers and
// body; tests call Handle directly.
#pragma once

#include "Catalogue.h"
#include "DocumentPrivacy.h"
#include "Sessions.h"
#include "WebPage.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace vesk::web {

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
    // The currency figures are shown in.
    Currency currency;

    static constexpr int PageRows = web::PageRows;
    static constexpr const char *CookieName = "vesk_session";
    static constexpr const char *SignInCookieName = "vesk_signin"; // the sign-in form's token

private:
    // SignInPage.cpp
    Response signInPage(const Request &r, const LangLookup &lang, int status,
                        const QString &message) const;
    Response signIn(const Request &r, const QSqlDatabase &db);
    Response signOut(const Request &r, const PageContext &c);

    LangLookup langFor(const QString &accountLang, const QByteArray &acceptLanguage,
                       QString *code = nullptr) const;

    Catalogues catalogues_;
    DocumentPrivacy privacy_;
    SessionStore sessions_;
    SignInThrottle throttle_;
};

} // namespace vesk::web
