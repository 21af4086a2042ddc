#include "WebApp.h"

#include "DownloadPage.h"
#include "HistoryPage.h"
#include "IniFile.h"
#include "OverviewPage.h"
#include "Scope.h"
#include "WebAccounts.h"

#include <QHash>

#include <memory>

namespace vesk::web {

LangLookup CatalogueFromFile(const QString &path, int charset)
{
    // Read once; lookups only read the parsed file, from any thread.
    auto file = std::make_shared<const IniFile>(path, charset);
    return [file](const QString &key) { return file->readString(QStringLiteral("Lang"), key); };
}

WebApp::WebApp(Catalogues catalogues, DocumentPrivacy privacy)
    : catalogues_(std::move(catalogues)), privacy_(privacy)
{}

LangLookup WebApp::langFor(const QString &accountLang, const QByteArray &acceptLanguage,
                           QString *code) const
{
    bool chinese = accountLang.compare(QStringLiteral("cn"), Qt::CaseInsensitive) == 0;
    if (accountLang.isEmpty()) {
        // The first of English or Chinese that the browser names.
        for (const QByteArray &part : acceptLanguage.split(',')) {
            const QByteArray tag = part.trimmed().toLower();
            if (tag.startsWith("zh")) {
                chinese = true;
                break;
            }
            if (tag.startsWith("en"))
                break;
        }
    }
    if (code)
        *code = chinese ? QStringLiteral("zh") : QStringLiteral("en");
    return chinese ? catalogues_.chinese : catalogues_.english;
}

Response WebApp::Error(int status, const QByteArray &acceptLanguage) const
{
    return ErrorPage(status, langFor({}, acceptLanguage));
}

Response WebApp::Handle(const Request &r, const QSqlDatabase &db)
{
    Response out = [&]() -> Response {
        const LangLookup browserLang = langFor({}, r.acceptLanguage);
        if (r.malformed)
            return ErrorPage(400, browserLang);
        if (r.path == u"/style.css") {
            Response css;
            css.contentType = "text/css; charset=utf-8";
            css.body = StyleSheet();
            return css;
        }
        if (r.path == u"/signin") {
            if (r.method == "POST")
                return signIn(r, db);
            if (r.method != "GET" && r.method != "HEAD")
                return ErrorPage(405, browserLang);
            return signInPage(r, browserLang, 200, {});
        }
        // The pages of a signed-in account, each in a file of its own.
        using Page = Response (*)(const Request &, const QSqlDatabase &, const PageContext &);
        static const QHash<QString, Page> pages{
            {QStringLiteral("/overview"), &OverviewPage},
            {QStringLiteral("/history"), &HistoryPage},
            {QStringLiteral("/download/history.csv"), &DownloadPage},
            {QStringLiteral("/download/history.xlsx"), &DownloadPage},
            {QStringLiteral("/download/report.pdf"), &DownloadPage},
        };
        const Page page = pages.value(r.path);
        if (!page && r.path != u"/" && r.path != u"/signout")
            return ErrorPage(404, browserLang);
        const bool post = r.path == u"/signout";
        if (post ? r.method != "POST" : (r.method != "GET" && r.method != "HEAD"))
            return ErrorPage(405, browserLang);

        // Every other page needs a live session of an enabled account.
        PageContext c;
        c.token = CookieValue(r.cookie, CookieName);
        const std::optional<Session> session =
            c.token.isEmpty() ? std::nullopt : sessions_.Touch(c.token, now());
        if (!session)
            return Redirect("/signin");
        c.session = *session;
        QString why;
        const std::optional<WebAccount> account = FindWebAccount(db, session->account, &why);
        if (!why.isEmpty())
            return FailedPage(why, browserLang);
        if (!account || account->disabled) {
            sessions_.EndAccount(session->account);
            return Redirect("/signin");
        }
        // A new password, department or administrator flag, or another account under the same
        // name, ends the session: it was signed in to what the account was.
        if (!SameToken(AccountStamp(*account).toHex(), session->stamp.toHex())) {
            sessions_.End(c.token);
            return Redirect("/signin");
        }
        c.account = *account;
        c.lang = langFor(account->lang, r.acceptLanguage, &c.langCode);
        c.today = today();
        c.privacy = privacy_;
        c.currency = currency;
        if (post)
            return signOut(r, c);
        if (r.path == u"/")
            return Redirect("/overview");

        // The scope: the account's subtree, or a department inside it; an administrator's any.
        c.dept = r.query.value(QStringLiteral("dept")).trimmed();
        std::optional<QStringList> own =
            account->admin ? AllDepts(db, &why) : DeptSubtree(db, account->dept, &why);
        if (!own)
            return FailedPage(why, c.lang);
        c.choices = *own;
        if (c.dept.isEmpty()) {
            c.scope.all = account->admin;
            c.scope.depts = account->admin ? QStringList() : *own;
        } else {
            if (!account->admin && !own->contains(c.dept, Qt::CaseInsensitive))
                return ErrorPage(403, c.lang);
            const std::optional<QStringList> below = DeptSubtree(db, c.dept, &why);
            if (!below)
                return FailedPage(why, c.lang);
            c.scope.depts = *below;
        }
        return page(r, db, c);
    }();
    for (const auto &h : SecurityHeaders())
        out.headers << h;
    // Served over HTTPS (here or by the proxy): browsers are to come back by HTTPS only.
    if (r.secure)
        out.headers << std::pair{QByteArrayLiteral("Strict-Transport-Security"),
                                 QByteArrayLiteral("max-age=31536000")};
    return out;
}

} // namespace vesk::web
