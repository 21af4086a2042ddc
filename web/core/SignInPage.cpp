#include "WebAccounts.h"
#include "WebApp.h"

#include <QDateTime>

namespace vesk::web {

Response WebApp::signInPage(const Request &r, const LangLookup &lang, int status,
                            const QString &message) const
{
    Response out;
    out.status = status;
    QString code;
    langFor({}, r.acceptLanguage, &code);
    const QString title = HtmlEscape(lang(QStringLiteral("RSWebSignIn")));
    // The form's token, also in a cookie only this site sends: another site cannot post a
    // sign-in (and sign the browser in to an account of its choosing).
    const QByteArray token = RandomToken();
    out.headers << std::pair{QByteArrayLiteral("Set-Cookie"),
                             QByteArray(SignInCookieName) + '=' + token +
                                 "; Path=/signin; HttpOnly; SameSite=Strict" +
                                 (r.secure ? "; Secure" : "")};
    out.body =
        (QStringLiteral("<!DOCTYPE html><html lang=\"%1\"><head><meta charset=\"utf-8\"><meta "
                        "name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                        "<title>")
             .arg(code) +
         title +
         QStringLiteral("</title><link rel=\"stylesheet\" href=\"/style.css\"></head><body>"
                        "<main><h1>") +
         title + QStringLiteral("</h1>") +
         (message.isEmpty() ? QString()
                            : QStringLiteral("<p class=\"error\">") + HtmlEscape(message) +
                                  QStringLiteral("</p>")) +
         QStringLiteral("<form method=\"post\" action=\"/signin\" class=\"search\"><input "
                        "type=\"hidden\" name=\"token\" value=\"") +
         QString::fromLatin1(token) + QStringLiteral("\"><label>") +
         HtmlEscape(lang(QStringLiteral("RSWebName"))) +
         QStringLiteral("<input name=\"name\" autocomplete=\"username\" required></label><label>") +
         HtmlEscape(lang(QStringLiteral("RSWebPassword"))) +
         QStringLiteral("<input name=\"password\" type=\"password\" "
                        "autocomplete=\"current-password\" required></label><button>") +
         title + QStringLiteral("</button></form></main></body></html>"))
            .toUtf8();
    return out;
}

Response WebApp::signIn(const Request &r, const QSqlDatabase &db)
{
    const LangLookup lang = langFor({}, r.acceptLanguage);
    const QString name = r.form.value(QStringLiteral("name")).trimmed();
    const QByteArray password = r.form.value(QStringLiteral("password")).toUtf8();
    const auto tooMany = [&](std::chrono::seconds wait) {
        Response out = signInPage(r, lang, 429, lang(QStringLiteral("RSWebTooMany")));
        out.headers << std::pair{QByteArrayLiteral("Retry-After"),
                                 QByteArray::number(qint64(wait.count()))};
        return out;
    };
    if (const auto wait = throttle_.Wait(name, r.address, now()); wait.count() > 0)
        return tooMany(wait);
    if (!SameToken(r.form.value(QStringLiteral("token")).toLatin1(),
                   CookieValue(r.cookie, SignInCookieName)))
        return signInPage(r, lang, 403, lang(QStringLiteral("RSWebBadRequest")));
    // Counted as failed before the password is checked, until it proves right.
    if (const auto wait = throttle_.Try(name, r.address, now()); wait.count() > 0)
        return tooMany(wait);
    QString why;
    const std::optional<WebAccount> account =
        name.isEmpty() ? std::nullopt : FindWebAccount(db, name, &why);
    if (!why.isEmpty())
        return FailedPage(why, lang);
    bool ok = false;
    if (account)
        ok = VerifyWebPassword(account->passwordHash, password) && !account->disabled;
    else
        VerifyAgainstDummy(password);
    if (!ok) {
        throttle_.Failed(name, r.address, now());
        return signInPage(r, lang, 403, lang(QStringLiteral("RSWebSignInFailed")));
    }
    throttle_.Succeeded(name, r.address);
    TouchWebSignIn(db, account->name,
                   QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    const QByteArray token = sessions_.Start(account->name, AccountStamp(*account), now());
    Response out = Redirect("/overview");
    out.headers << std::pair{QByteArrayLiteral("Set-Cookie"),
                             QByteArray(CookieName) + '=' + token +
                                 "; Path=/; HttpOnly; SameSite=Strict" +
                                 (r.secure ? "; Secure" : "")};
    return out;
}

Response WebApp::signOut(const Request &r, const PageContext &c)
{
    if (!SameToken(r.form.value(QStringLiteral("token")).toLatin1(), c.session.formToken))
        return ErrorPage(403, c.lang);
    sessions_.End(c.token);
    Response out = Redirect("/signin");
    out.headers << std::pair{QByteArrayLiteral("Set-Cookie"), QByteArray(CookieName) +
                                                                  "=; Path=/; Max-Age=0; HttpOnly; "
                                                                  "SameSite=Strict" +
                                                                  (r.secure ? "; Secure" : "")};
    return out;
}

} // namespace vesk::web
