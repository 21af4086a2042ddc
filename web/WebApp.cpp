#include "WebApp.h"

#include "Database.h"
#include "GroupedReport.h"
#include "IniFile.h"
#include "JobOutcome.h"
#include "PrinterDataSearch.h"
#include "RecordColumns.h"
#include "Schema.h"
#include "Scope.h"
#include "SpreadsheetExport.h"
#include "SqlText.h"
#include "TrendData.h"
#include "TrendSvg.h"
#include "WebAccounts.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::web {

namespace {

using Headers = QList<std::pair<QByteArray, QByteArray>>;

const char *const StyleSheet =
    "body{font-family:sans-serif;margin:0;color:#222;background:#fafafa}"
    "header{background:#2c4a6e;color:#fff;padding:.5em 1em;display:flex;flex-wrap:wrap;"
    "gap:.5em 1em;align-items:center}"
    "header a{color:#fff}header form{margin:0 0 0 auto}"
    "main{padding:1em;max-width:72em}"
    "h1{font-size:1.3em}h2{font-size:1.1em}"
    "form.search{display:flex;flex-wrap:wrap;gap:.5em 1em;align-items:end;margin-bottom:1em}"
    "form.search label{display:flex;flex-direction:column;font-size:.9em}"
    "input,select,button{font-size:1em;padding:.2em}"
    ".figures{display:grid;grid-template-columns:repeat(auto-fill,minmax(10em,1fr));gap:.5em}"
    ".figures div{background:#fff;border:1px solid #ddd;padding:.5em}"
    ".figures b{display:block;font-size:1.4em}"
    ".scroll{overflow-x:auto}"
    "table{border-collapse:collapse;background:#fff}"
    "td,th{border:1px solid #ddd;padding:.2em .4em;text-align:left;white-space:nowrap}"
    "svg.trend{width:100%;max-width:40em;height:auto;background:#fff;border:1px solid #ddd}"
    ".error{color:#a00}.downloads a{margin-right:1em}"
    "@media print{header form,form.search,.downloads{display:none}}"
    // A phone's width: each record a card of labelled lines instead of a wide table.
    "@media (max-width:40em){table.records,table.records tr{display:block}"
    "table.records tr:first-child{display:none}"
    "table.records tr{border:1px solid #ddd;margin-bottom:.5em}"
    "table.records td{display:grid;grid-template-columns:7em 1fr;gap:.5em;border:0;"
    "white-space:normal;overflow-wrap:anywhere;padding:.1em .4em}"
    "table.records td:empty{display:none}"
    "table.records td:before{content:attr(data-label);color:#666}}";

// The print history's columns: the twelve, then the four outcome columns.
const RecordColumn *columnNamed(const QString &field)
{
    for (const RecordColumn &c : PrinterDataColumnTable) {
        if (field.compare(QLatin1String(c.field), Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

// The expression the history sorts and pages by: NULL would fall out of the key comparison, so
// nullable columns compare as an empty text or -1. PrintTime is always written.
QString sortExpression(const RecordColumn &c)
{
    const QString f = QLatin1String(c.field);
    if (c.type == ColumnType::DateTime)
        return f;
    if (c.type == ColumnType::Integer)
        return QStringLiteral("coalesce(%1, -1)").arg(f);
    return QStringLiteral("coalesce(%1, '')").arg(f);
}

bool sameToken(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && !a.isEmpty() &&
           sodium_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}

Response redirect(const QByteArray &to)
{
    Response r;
    r.status = 303;
    r.headers << std::pair{QByteArrayLiteral("Location"), to};
    return r;
}

QString cell(const QString &text)
{
    return QStringLiteral("<td>") + HtmlEscape(text) + QStringLiteral("</td>");
}

// Totals grouped by thousands (25,172), as both languages write them.
QString number(qint64 n)
{
    static const QLocale grouping(QLocale::English, QLocale::UnitedStates);
    return grouping.toString(n);
}

// What a search asks for, read from the query: dates, the name boxes and the job conditions.
struct Search
{
    PrinterDataCriteria criteria;
    QString from, to; // as typed, for the form
    QString outcome, color, duplex;
};

std::optional<QDate> dateParam(const Params &p, const char *name, const QDate &fallback)
{
    const QString text = p.value(QLatin1String(name)).trimmed();
    if (text.isEmpty())
        return fallback;
    const QDate d = QDate::fromString(text, Qt::ISODate);
    if (!d.isValid() || d.year() < 1900 || d.year() > 9999)
        return std::nullopt;
    return d;
}

std::optional<Search> searchOf(const Params &p, const QDate &today)
{
    Search s;
    const auto from = dateParam(p, "from", QDate(today.year(), today.month(), 1));
    const auto to = dateParam(p, "to", today);
    if (!from || !to)
        return std::nullopt;
    s.criteria.begin = *from;
    s.criteria.end = *to;
    s.criteria.throughEndDay = true;
    s.from = from->toString(Qt::ISODate);
    s.to = to->toString(Qt::ISODate);
    s.criteria.host = p.value(QStringLiteral("computer"));
    s.criteria.printer = p.value(QStringLiteral("printer"));
    s.criteria.em = p.value(QStringLiteral("employee"));
    s.outcome = p.value(QStringLiteral("outcome"));
    s.color = p.value(QStringLiteral("color"));
    s.duplex = p.value(QStringLiteral("duplex"));
    if (!s.outcome.isEmpty() && !(s.criteria.job.outcome = JobOutcomeFromWord(s.outcome)))
        return std::nullopt;
    if (!s.color.isEmpty() && !(s.criteria.job.color = YesNoFromWord(s.color)))
        return std::nullopt;
    if (!s.duplex.isEmpty() && !(s.criteria.job.duplex = YesNoFromWord(s.duplex)))
        return std::nullopt;
    return s;
}

} // namespace

const QList<std::pair<QByteArray, QByteArray>> &SecurityHeaders()
{
    static const Headers h{
        {"Content-Security-Policy",
         "default-src 'self'; frame-ancestors 'none'; form-action 'self'"},
        {"X-Frame-Options", "DENY"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-store"},
    };
    return h;
}

LangLookup CatalogueFromFile(const QString &path, int charset)
{
    // Read once; lookups only read the parsed file, from any thread.
    auto file = std::make_shared<const IniFile>(path, charset);
    return [file](const QString &key) { return file->readString(QStringLiteral("Lang"), key); };
}

struct WebApp::Context
{
    QByteArray token;
    Session session;
    WebAccount account;
    LangLookup lang;
    QString langCode;
    Scope scope;
    QString dept;        // the chosen department, as asked
    QStringList choices; // the departments the account may choose
};

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

Response WebApp::error(int status, const LangLookup &lang) const
{
    QString key;
    switch (status) {
    case 400:
        key = QStringLiteral("RSWebBadRequest");
        break;
    case 403:
        key = QStringLiteral("RSWebForbidden");
        break;
    case 404:
        key = QStringLiteral("RSWebNotFound");
        break;
    case 405:
        key = QStringLiteral("RSWebBadRequest");
        break;
    case 413:
    case 431:
        key = QStringLiteral("RSWebTooLarge");
        break;
    case 429:
        key = QStringLiteral("RSWebTooMany");
        break;
    default:
        key = QStringLiteral("RSWebFailed");
    }
    Response r;
    r.status = status;
    const QString text = HtmlEscape(lang(key));
    r.body = (QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><meta "
                             "name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                             "<title>") +
              text +
              QStringLiteral("</title><link rel=\"stylesheet\" href=\"/style.css\"></head><body>"
                             "<main><h1>%1</h1><p class=\"error\">")
                  .arg(status) +
              text + QStringLiteral("</p><p><a href=\"/overview\">") +
              HtmlEscape(lang(QStringLiteral("RSWebOverview"))) +
              QStringLiteral("</a></p></main></body></html>"))
                 .toUtf8();
    return r;
}

Response WebApp::Error(int status, const QByteArray &acceptLanguage) const
{
    return error(status, langFor({}, acceptLanguage));
}

Response WebApp::failed(const QString &why, const LangLookup &lang) const
{
    // The database's text goes to the log, not to the browser.
    qWarning("vesk-web: %s", qUtf8Printable(why));
    return error(500, lang);
}

QString WebApp::page(const Context &c, const QString &title, const QString &body) const
{
    const LangLookup &lang = c.lang;
    const QString scopeQuery = QueryOf({{QStringLiteral("dept"), c.dept}});
    return QStringLiteral("<!DOCTYPE html><html lang=\"%1\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width, "
                          "initial-scale=1\"><title>")
               .arg(c.langCode) +
           HtmlEscape(title) +
           QStringLiteral("</title><link rel=\"stylesheet\" href=\"/style.css\"></head><body>"
                          "<header><a href=\"/overview") +
           HtmlEscape(scopeQuery) + QStringLiteral("\">") +
           HtmlEscape(lang(QStringLiteral("RSWebOverview"))) +
           QStringLiteral("</a><a href=\"/history") + HtmlEscape(scopeQuery) +
           QStringLiteral("\">") + HtmlEscape(lang(QStringLiteral("RSWebHistory"))) +
           QStringLiteral("</a><span>") + HtmlEscape(c.account.name) +
           QStringLiteral("</span><form method=\"post\" action=\"/signout\"><input "
                          "type=\"hidden\" name=\"token\" value=\"") +
           QString::fromLatin1(c.session.formToken) + QStringLiteral("\"><button>") +
           HtmlEscape(lang(QStringLiteral("RSWebSignOut"))) +
           QStringLiteral("</button></form></header><main><h1>") + HtmlEscape(title) +
           QStringLiteral("</h1>") + body + QStringLiteral("</main></body></html>");
}

Response WebApp::Handle(const Request &r, const QSqlDatabase &db)
{
    Response out = [&]() -> Response {
        const LangLookup browserLang = langFor({}, r.acceptLanguage);
        if (r.malformed)
            return error(400, browserLang);
        if (r.path == u"/style.css") {
            Response css;
            css.contentType = "text/css; charset=utf-8";
            css.body = StyleSheet;
            return css;
        }
        if (r.path == u"/signin") {
            if (r.method == "POST")
                return signIn(r, db);
            if (r.method != "GET" && r.method != "HEAD")
                return error(405, browserLang);
            return signInPage(r, browserLang, 200, {});
        }
        static const QStringList routes{
            QStringLiteral("/"),
            QStringLiteral("/overview"),
            QStringLiteral("/history"),
            QStringLiteral("/signout"),
            QStringLiteral("/download/history.csv"),
            QStringLiteral("/download/history.xlsx"),
            QStringLiteral("/download/report.pdf"),
        };
        if (!routes.contains(r.path))
            return error(404, browserLang);
        const bool post = r.path == u"/signout";
        if (post ? r.method != "POST" : (r.method != "GET" && r.method != "HEAD"))
            return error(405, browserLang);

        // Every other page needs a live session of an enabled account.
        Context c;
        c.token = CookieValue(r.cookie, CookieName);
        const std::optional<Session> session =
            c.token.isEmpty() ? std::nullopt : sessions_.Touch(c.token, now());
        if (!session)
            return redirect("/signin");
        c.session = *session;
        QString why;
        const std::optional<WebAccount> account = FindWebAccount(db, session->account, &why);
        if (!why.isEmpty())
            return failed(why, browserLang);
        if (!account || account->disabled) {
            sessions_.EndAccount(session->account);
            return redirect("/signin");
        }
        c.account = *account;
        c.lang = langFor(account->lang, r.acceptLanguage, &c.langCode);
        if (post)
            return signOut(r, c);
        if (r.path == u"/")
            return redirect("/overview");

        // The scope: the account's subtree, or a department inside it; an administrator's any.
        c.dept = r.query.value(QStringLiteral("dept")).trimmed();
        std::optional<QStringList> own =
            account->admin ? AllDepts(db, &why) : DeptSubtree(db, account->dept, &why);
        if (!own)
            return failed(why, c.lang);
        c.choices = *own;
        if (c.dept.isEmpty()) {
            c.scope.all = account->admin;
            c.scope.depts = account->admin ? QStringList() : *own;
        } else {
            if (!account->admin && !own->contains(c.dept, Qt::CaseInsensitive))
                return error(403, c.lang);
            const std::optional<QStringList> below = DeptSubtree(db, c.dept, &why);
            if (!below)
                return failed(why, c.lang);
            c.scope.depts = *below;
        }
        if (r.path == u"/overview")
            return overview(r, db, c);
        if (r.path == u"/history")
            return history(r, db, c);
        return download(r, db, c, r.path.mid(int(sizeof "/download/") - 1));
    }();
    for (const auto &h : SecurityHeaders())
        out.headers << h;
    return out;
}

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
    const auto wait = throttle_.Wait(name, r.address, now());
    if (wait.count() > 0) {
        Response out = signInPage(r, lang, 429, lang(QStringLiteral("RSWebTooMany")));
        out.headers << std::pair{QByteArrayLiteral("Retry-After"),
                                 QByteArray::number(qint64(wait.count()))};
        return out;
    }
    if (!sameToken(r.form.value(QStringLiteral("token")).toLatin1(),
                   CookieValue(r.cookie, SignInCookieName)))
        return signInPage(r, lang, 403, lang(QStringLiteral("RSWebBadRequest")));
    QString why;
    const std::optional<WebAccount> account =
        name.isEmpty() ? std::nullopt : FindWebAccount(db, name, &why);
    if (!why.isEmpty())
        return failed(why, lang);
    bool ok = false;
    if (account)
        ok = VerifyWebPassword(account->passwordHash, password) && !account->disabled;
    else
        VerifyAgainstDummy(password);
    if (!ok) {
        throttle_.Failed(name, r.address, now());
        return signInPage(r, lang, 403, lang(QStringLiteral("RSWebSignInFailed")));
    }
    throttle_.Succeeded(name);
    TouchWebSignIn(db, account->name,
                   QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    const QByteArray token = sessions_.Start(account->name, now());
    Response out = redirect("/overview");
    out.headers << std::pair{QByteArrayLiteral("Set-Cookie"),
                             QByteArray(CookieName) + '=' + token +
                                 "; Path=/; HttpOnly; SameSite=Strict" +
                                 (r.secure ? "; Secure" : "")};
    return out;
}

Response WebApp::signOut(const Request &r, Context &c)
{
    if (!sameToken(r.form.value(QStringLiteral("token")).toLatin1(), c.session.formToken))
        return error(403, c.lang);
    sessions_.End(c.token);
    Response out = redirect("/signin");
    out.headers << std::pair{QByteArrayLiteral("Set-Cookie"), QByteArray(CookieName) +
                                                                  "=; Path=/; Max-Age=0; HttpOnly; "
                                                                  "SameSite=Strict" +
                                                                  (r.secure ? "; Secure" : "")};
    return out;
}

namespace {

// The department choice of the forms: the account's own departments (every one for an
// administrator, whose empty choice is all of them).
QString deptSelect(const QStringList &choices, const QString &chosen, bool admin,
                   const LangLookup &lang)
{
    QString s = QStringLiteral("<label>") + HtmlEscape(lang(QStringLiteral("RSDeptName"))) +
                QStringLiteral("<select name=\"dept\"><option value=\"\">") +
                HtmlEscape(lang(admin ? QStringLiteral("RSWebAllDepts")
                                      : QStringLiteral("RSWebOwnDepts"))) +
                QStringLiteral("</option>");
    for (const QString &d : choices) {
        s += QStringLiteral("<option") +
             (d.compare(chosen, Qt::CaseInsensitive) == 0 ? QStringLiteral(" selected")
                                                          : QString()) +
             QStringLiteral(" value=\"") + HtmlEscape(d) + QStringLiteral("\">") + HtmlEscape(d) +
             QStringLiteral("</option>");
    }
    return s + QStringLiteral("</select></label>");
}

QString option(const QString &value, const QString &chosen, const QString &text)
{
    return QStringLiteral("<option value=\"") + HtmlEscape(value) + u'"' +
           (value == chosen ? QStringLiteral(" selected") : QString()) + u'>' + HtmlEscape(text) +
           QStringLiteral("</option>");
}

QString input(const QString &label, const char *name, const QString &value,
              const char *type = "text")
{
    return QStringLiteral("<label>") + HtmlEscape(label) + QStringLiteral("<input name=\"") +
           QLatin1String(name) + QStringLiteral("\" type=\"") + QLatin1String(type) +
           QStringLiteral("\" value=\"") + HtmlEscape(value) + QStringLiteral("\"></label>");
}

QString totalsTable(const std::vector<TrendTotal> &totals, const QString &title,
                    const LangLookup &lang)
{
    QString t = QStringLiteral("<h2>") + HtmlEscape(title) +
                QStringLiteral("</h2><div class=\"scroll\"><table><tr><th>") +
                HtmlEscape(lang(QStringLiteral("RSChartName"))) + QStringLiteral("</th><th>") +
                HtmlEscape(lang(QStringLiteral("RSChartPages"))) + QStringLiteral("</th><th>") +
                HtmlEscape(lang(QStringLiteral("RSChartJobs"))) + QStringLiteral("</th></tr>");
    for (const TrendTotal &row : totals)
        t += QStringLiteral("<tr>") + cell(row.name) + cell(number(row.pages)) +
             cell(number(row.jobs)) + QStringLiteral("</tr>");
    return t + QStringLiteral("</table></div>");
}

QString share(qint64 part, qint64 whole)
{
    return whole <= 0 ? QStringLiteral("-")
                      : QString::number(100.0 * double(part) / double(whole), 'f', 1) + u'%';
}

} // namespace

Response WebApp::overview(const Request &r, const QSqlDatabase &db, Context &c)
{
    const LangLookup &lang = c.lang;
    const QDate day = today();
    QString period = r.query.value(QStringLiteral("period"), QStringLiteral("month"));
    QDate from, to = day;
    if (period == u"month") {
        from = QDate(day.year(), day.month(), 1);
    } else if (period == u"lastmonth") {
        from = QDate(day.year(), day.month(), 1).addMonths(-1);
        to = from.addMonths(1).addDays(-1);
    } else if (period == u"year") {
        from = QDate(day.year(), 1, 1);
    } else if (period == u"range") {
        const auto f = dateParam(r.query, "from", QDate(day.year(), day.month(), 1));
        const auto t = dateParam(r.query, "to", day);
        if (!f || !t)
            return error(400, lang);
        from = *f;
        to = *t;
    } else {
        return error(400, lang);
    }
    PrinterDataCriteria criteria;
    criteria.begin = from;
    criteria.end = to;
    criteria.throughEndDay = true;
    const QString filter = PrinterDataSearch(criteria).filter + ScopeClause(c.scope, engineOf(db));

    // The figures come with the trend's days: no statement of their own reads the records again.
    QString why;
    TrendData trend;
    if (!ReadTrendData(db, filter, 10, trend, &why, TrendFigures::WithJobFigures))
        return failed(why, lang);

    const QString fromText = from.toString(Qt::ISODate), toText = to.toString(Qt::ISODate);
    QString body =
        QStringLiteral("<form class=\"search\" method=\"get\" action=\"/overview\">") +
        deptSelect(c.choices, c.dept, c.account.admin, lang) + QStringLiteral("<label>") +
        HtmlEscape(lang(QStringLiteral("RSWebPeriod"))) +
        QStringLiteral("<select name=\"period\">") +
        option(QStringLiteral("month"), period, lang(QStringLiteral("RSWebThisMonth"))) +
        option(QStringLiteral("lastmonth"), period, lang(QStringLiteral("RSWebLastMonth"))) +
        option(QStringLiteral("year"), period, lang(QStringLiteral("RSWebThisYear"))) +
        option(QStringLiteral("range"), period, lang(QStringLiteral("RSWebRange"))) +
        QStringLiteral("</select></label>") +
        input(lang(QStringLiteral("RSWebFrom")), "from", fromText, "date") +
        input(lang(QStringLiteral("RSTo")), "to", toText, "date") + QStringLiteral("<button>") +
        HtmlEscape(lang(QStringLiteral("RSWebShow"))) + QStringLiteral("</button></form>");
    body += QStringLiteral("<p>") + HtmlEscape(fromText) + QStringLiteral(" &ndash; ") +
            HtmlEscape(toText) + QStringLiteral("</p><div class=\"figures\">");
    const auto figure = [&](const char *key, const QString &value) {
        body += QStringLiteral("<div>") + HtmlEscape(lang(QLatin1String(key))) +
                QStringLiteral("<b>") + HtmlEscape(value) + QStringLiteral("</b></div>");
    };
    figure("RSChartPages", number(trend.pages));
    figure("RSChartJobs", number(trend.jobs));
    figure("RSPagesPrinted", number(trend.pagesPrinted));
    figure("RSWebColorShare", share(trend.colourJobs, trend.jobs));
    figure("RSWebDuplexShare", share(trend.duplexJobs, trend.jobs));
    figure("RSJobCancelled", number(trend.cancelledJobs));
    figure("RSJobAborted", number(trend.abortedJobs));
    body += QStringLiteral("</div>") + TrendSvg(trend, lang);
    if (c.scope.all || c.scope.depts.size() > 1)
        body += totalsTable(trend.totals[TrendDept], lang(QStringLiteral("RSChartTopDept")), lang);
    body +=
        totalsTable(trend.totals[TrendPrinter], lang(QStringLiteral("RSChartTopPrinter")), lang);
    body += totalsTable(trend.totals[TrendHost], lang(QStringLiteral("RSChartTopHost")), lang);
    body += totalsTable(trend.totals[TrendEmployee], lang(QStringLiteral("RSChartTopEm")), lang);
    body += QStringLiteral("<p><a href=\"/history") +
            HtmlEscape(QueryOf({{QStringLiteral("dept"), c.dept},
                                {QStringLiteral("from"), fromText},
                                {QStringLiteral("to"), toText}})) +
            QStringLiteral("\">") + HtmlEscape(lang(QStringLiteral("RSWebHistory"))) +
            QStringLiteral("</a></p>");
    Response out;
    out.body = page(c, lang(QStringLiteral("RSWebOverview")), body).toUtf8();
    return out;
}

Response WebApp::history(const Request &r, const QSqlDatabase &db, Context &c)
{
    const LangLookup &lang = c.lang;
    const std::optional<Search> s = searchOf(r.query, today());
    const RecordColumn *sortColumn =
        columnNamed(r.query.value(QStringLiteral("sort"), QStringLiteral("PrintTime")));
    const QString dir = r.query.value(QStringLiteral("dir"), QStringLiteral("desc"));
    // A page goes on after one row (the next page) or ends before one (the previous page).
    const QString afterText = r.query.value(QStringLiteral("after"));
    const QString beforeText = r.query.value(QStringLiteral("before"));
    const bool backward = !beforeText.isEmpty();
    const QString anchorText = backward ? beforeText : afterText;
    bool anchorOk = true;
    const qint64 anchor = anchorText.isEmpty() ? 0 : anchorText.toLongLong(&anchorOk);
    if (!s || !sortColumn || (dir != u"asc" && dir != u"desc") || !anchorOk ||
        (backward && !afterText.isEmpty()))
        return error(400, lang);
    const QString filter =
        PrinterDataSearch(s->criteria).filter + ScopeClause(c.scope, engineOf(db));
    const QString key = pagingKey(db, QStringLiteral("tPrinterData"));
    const QString order = sortExpression(*sortColumn);
    const bool asc = dir == u"asc";
    // Backward, the rows before the anchor are read nearest first and shown the other way round.
    const bool readAsc = asc != backward;

    QString why;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QString keyset;
    QVariantList values;
    if (!anchorText.isEmpty()) {
        // The anchor row is found only inside the same search and scope.
        if (!runStatement(
                q,
                translateStatement(db, QStringLiteral("select %1 from tPrinterData%2 AND %3 = ?")
                                           .arg(order, filter, key)),
                {anchor}, &why))
            return failed(why, lang);
        if (!q.next())
            return error(404, lang);
        const QVariant value = q.value(0);
        q.finish();
        keyset = QStringLiteral(" AND (%1 %2 ? OR (%1 = ? AND %3 %2 ?))")
                     .arg(order, readAsc ? QStringLiteral(">") : QStringLiteral("<"), key);
        values = {value, value, anchor};
    }
    QStringList fields;
    for (const RecordColumn &col : PrinterDataColumnTable)
        fields << QLatin1String(col.field);
    const QString statement =
        QStringLiteral("select %1, %2 from tPrinterData%3%4 order by %5 %6, %1 %6 limit %7")
            .arg(key, fields.join(QStringLiteral(", ")), filter, keyset, order,
                 readAsc ? QStringLiteral("asc") : QStringLiteral("desc"))
            .arg(PageRows + 1);
    if (!runStatement(q, translateStatement(db, statement), values, &why))
        return failed(why, lang);

    const QString cutoff = RedactionCutoff(privacy_, QDateTime::currentDateTime());
    const int timeColumn = 1 + 6; // PrintTime, after the key
    const int docColumn = 1 + 1;  // documentName
    // Each cell names its column, so a phone's width can show a row as a card of labelled lines.
    QStringList labels;
    for (const RecordColumn &col : PrinterDataColumnTable)
        labels << QStringLiteral("<td data-label=\"") +
                      HtmlEscape(columnTitle(
                          ColumnTitle{QLatin1String(col.field), QLatin1String(col.titleKey)},
                          lang)) +
                      QStringLiteral("\">");
    QStringList pageRows;
    int count = 0;
    qint64 firstKey = 0, lastKey = 0;
    while (q.next()) {
        if (++count > PageRows)
            break;
        (backward ? firstKey : lastKey) = q.value(0).toLongLong();
        if (count == 1)
            (backward ? lastKey : firstKey) = q.value(0).toLongLong();
        QString row = QStringLiteral("<tr>");
        for (int i = 0; i < PrinterDataColumnCount; ++i) {
            const QString field = QLatin1String(PrinterDataColumnTable[i].field);
            QString text = PrinterDataCellText(field, q.value(i + 1), lang);
            if (i + 1 == docColumn && !cutoff.isEmpty() && q.value(timeColumn).toString() < cutoff)
                text = RedactedDocumentName();
            row += labels[i] + HtmlEscape(text) + QStringLiteral("</td>");
        }
        pageRows << row + QStringLiteral("</tr>");
    }
    if (backward)
        std::reverse(pageRows.begin(), pageRows.end());
    const QString rows = pageRows.join(QString());
    const bool beyond = count > PageRows;
    // Backward, the anchor itself follows this page; forward, the anchor precedes it.
    const bool more = backward ? true : beyond;
    const bool earlier = backward ? beyond : !afterText.isEmpty();

    const QList<std::pair<QString, QString>> searchParams{
        {QStringLiteral("dept"), c.dept},
        {QStringLiteral("from"), s->from},
        {QStringLiteral("to"), s->to},
        {QStringLiteral("computer"), s->criteria.host},
        {QStringLiteral("printer"), s->criteria.printer},
        {QStringLiteral("employee"), s->criteria.em},
        {QStringLiteral("outcome"), s->outcome},
        {QStringLiteral("color"), s->color},
        {QStringLiteral("duplex"), s->duplex},
    };
    const QString sortName = QLatin1String(sortColumn->field);
    QString body = QStringLiteral("<form class=\"search\" method=\"get\" action=\"/history\">") +
                   deptSelect(c.choices, c.dept, c.account.admin, lang) +
                   input(lang(QStringLiteral("RSWebFrom")), "from", s->from, "date") +
                   input(lang(QStringLiteral("RSTo")), "to", s->to, "date") +
                   input(lang(QStringLiteral("RShostName")), "computer", s->criteria.host) +
                   input(lang(QStringLiteral("RSPrinterName")), "printer", s->criteria.printer) +
                   input(lang(QStringLiteral("RSEmName")), "employee", s->criteria.em);
    const auto choice = [&](const char *name, const char *titleKey, const QString &chosen,
                            const QList<std::pair<QString, QString>> &options) {
        body += QStringLiteral("<label>") + HtmlEscape(lang(QLatin1String(titleKey))) +
                QStringLiteral("<select name=\"") + QLatin1String(name) + QStringLiteral("\">") +
                option(QString(), chosen, lang(QStringLiteral("RSAnyValue")));
        for (const auto &[value, key] : options)
            body += option(value, chosen, lang(key));
        body += QStringLiteral("</select></label>");
    };
    choice("outcome", "RSJobOutcome", s->outcome,
           {{QStringLiteral("printed"), QStringLiteral("RSJobPrinted")},
            {QStringLiteral("cancelled"), QStringLiteral("RSJobCancelled")},
            {QStringLiteral("aborted"), QStringLiteral("RSJobAborted")}});
    choice("color", "RSColorPrint", s->color,
           {{QStringLiteral("yes"), QStringLiteral("RSYES")},
            {QStringLiteral("no"), QStringLiteral("RSNO")}});
    choice("duplex", "RSDuplex", s->duplex,
           {{QStringLiteral("yes"), QStringLiteral("RSYES")},
            {QStringLiteral("no"), QStringLiteral("RSNO")}});
    body += QStringLiteral("<input type=\"hidden\" name=\"sort\" value=\"") + HtmlEscape(sortName) +
            QStringLiteral("\"><input type=\"hidden\" name=\"dir\" value=\"") + dir +
            QStringLiteral("\"><button>") + HtmlEscape(lang(QStringLiteral("RSSearchBtn "))) +
            QStringLiteral("</button></form>");

    const QString search = QueryOf(searchParams);
    body += QStringLiteral("<p class=\"downloads\">");
    for (const auto &[file, key] : QList<std::pair<QString, QString>>{
             {QStringLiteral("history.xlsx"), QStringLiteral("RSWebDownloadXlsx")},
             {QStringLiteral("history.csv"), QStringLiteral("RSWebDownloadCsv")},
             {QStringLiteral("report.pdf"), QStringLiteral("RSWebDownloadPdf")}})
        body += QStringLiteral("<a href=\"/download/") + file + HtmlEscape(search) +
                QStringLiteral("\">") + HtmlEscape(lang(key)) + QStringLiteral("</a>");
    body += QStringLiteral("</p><div class=\"scroll\"><table class=\"records\"><tr>");
    for (const RecordColumn &col : PrinterDataColumnTable) {
        const QString field = QLatin1String(col.field);
        const bool sorted = &col == sortColumn;
        auto params = searchParams;
        params << std::pair{QStringLiteral("sort"), field}
               << std::pair{QStringLiteral("dir"),
                            sorted && !asc ? QStringLiteral("asc") : QStringLiteral("desc")};
        body +=
            QStringLiteral("<th><a href=\"/history") + HtmlEscape(QueryOf(params)) +
            QStringLiteral("\">") +
            HtmlEscape(columnTitle(ColumnTitle{field, QLatin1String(col.titleKey)}, lang)) +
            (sorted ? (asc ? QStringLiteral(" &#9650;") : QStringLiteral(" &#9660;")) : QString()) +
            QStringLiteral("</a></th>");
    }
    body += QStringLiteral("</tr>") + rows + QStringLiteral("</table></div>");
    if (count == 0)
        body += QStringLiteral("<p>") + HtmlEscape(lang(QStringLiteral("RSWebNoRows"))) +
                QStringLiteral("</p>");
    auto pageParams = searchParams;
    pageParams << std::pair{QStringLiteral("sort"), sortName}
               << std::pair{QStringLiteral("dir"), dir};
    const auto pageLink = [&](const char *rel, const char *anchorName, qint64 anchorKey,
                              const char *textKey) {
        auto params = pageParams;
        if (anchorName)
            params << std::pair{QLatin1String(anchorName), QString::number(anchorKey)};
        body += QStringLiteral("<a rel=\"") + QLatin1String(rel) +
                QStringLiteral("\" href=\"/history") + HtmlEscape(QueryOf(params)) +
                QStringLiteral("\">") + HtmlEscape(lang(QLatin1String(textKey))) +
                QStringLiteral("</a> ");
    };
    body += QStringLiteral("<p class=\"pages\">");
    if (earlier && count > 0) {
        pageLink("first", nullptr, 0, "RSWebFirstPage");
        pageLink("prev", "before", firstKey, "RSWebPreviousPage");
    }
    if (more && count > 0)
        pageLink("next", "after", lastKey, "RSWebNextPage");
    body += QStringLiteral("</p>");
    Response out;
    out.body = page(c, lang(QStringLiteral("RSWebHistory")), body).toUtf8();
    return out;
}

Response WebApp::download(const Request &r, const QSqlDatabase &db, Context &c, const QString &what)
{
    const LangLookup &lang = c.lang;
    const std::optional<Search> s = searchOf(r.query, today());
    if (!s)
        return error(400, lang);
    const QString filter =
        PrinterDataSearch(s->criteria).filter + ScopeClause(c.scope, engineOf(db));
    QTemporaryDir dir;
    if (!dir.isValid())
        return failed(QStringLiteral("no temporary folder"), lang);
    const QString file = dir.filePath(what);
    QString why;
    QByteArray type;
    if (what == u"report.pdf") {
        const QString word = r.query.value(QStringLiteral("group"), QStringLiteral("dept"));
        static const QHash<QString, QString> groups{
            {QStringLiteral("dept"), QStringLiteral("DeptName")},
            {QStringLiteral("host"), QStringLiteral("hostName")},
            {QStringLiteral("employee"), QStringLiteral("EmName")},
            {QStringLiteral("printer"), QStringLiteral("PrinterName")}};
        const std::optional<QString> group =
            groups.contains(word) ? FindReportGroupColumn(ReportTable::PrinterData, groups[word])
                                  : std::nullopt;
        if (!group)
            return error(400, lang);
        ReportLayout layout;
        if (!LoadReportLayout(db, ReportTable::PrinterData, *group, lang, layout, &why))
            return failed(why, lang);
        // The report reads whole rows: where names must not be shown, its column goes.
        if (privacy_.active())
            std::erase_if(layout.columns, [](const ReportColumn &col) {
                return col.field.compare(QStringLiteral("documentName"), Qt::CaseInsensitive) == 0;
            });
        GroupedReport report(std::move(layout));
        if (!report.read(db, filter, &why) || !WriteReportPdf(report, file, &why))
            return failed(why, lang);
        type = "application/pdf";
    } else {
        const ExportFormat format = ExportFormatOf(file);
        std::vector<ExportColumn> columns = ExportColumns(ReportTable::PrinterData, lang);
        // Names that the privacy settings hide are replaced in the statement itself, as the
        // history page replaces them, whether or not an agent has redacted them yet.
        const QString cutoff = RedactionCutoff(privacy_, QDateTime::currentDateTime());
        for (ExportColumn &col : columns) {
            if (!cutoff.isEmpty() &&
                col.field.compare(QStringLiteral("documentName"), Qt::CaseInsensitive) == 0)
                col.field = QStringLiteral("case when PrintTime < %1 then %2 else documentName end")
                                .arg(QuotedStr(cutoff), QuotedStr(RedactedDocumentName()));
        }
        if (!ExportRecords(db, ReportTable::PrinterData, filter, columns, file, format, &why))
            return failed(why, lang);
        type = format == ExportFormat::Csv
                   ? QByteArrayLiteral("text/csv; charset=utf-8")
                   : QByteArrayLiteral(
                         "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
    }
    // The open file outlives its folder: the server streams it and closes it.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st
    {
    };
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0)
            ::close(fd);
        return failed(QStringLiteral("cannot read back ") + file, lang);
    }
    Response out;
    out.contentType = type;
    out.fd = fd;
    out.fdSize = st.st_size;
    out.headers << std::pair{QByteArrayLiteral("Content-Disposition"),
                             QByteArrayLiteral("attachment; filename=\"vesk-") + what.toLatin1() +
                                 '"'};
    return out;
}

} // namespace vesk::web
