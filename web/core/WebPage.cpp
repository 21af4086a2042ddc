#include "WebPage.h"

#include <QLocale>

#include <sodium.h>

namespace vesk::web {

namespace {

const char *const Style =
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
    ".bar{display:inline-block;width:6em;height:.8em;background:#eee;border:1px solid #ccc}"
    ".bar span{display:block;height:100%;background:#4a7}"
    ".over td{color:#b00}.over .bar span{background:#c33}"
    ".scroll{overflow-x:auto}"
    "table{border-collapse:collapse;background:#fff}"
    "td,th{border:1px solid #ddd;padding:.2em .4em;text-align:left;white-space:nowrap}"
    "svg.trend{width:100%;max-width:40em;height:auto;background:#fff;border:1px solid #ddd}"
    ".error{color:#a00}.downloads a{margin-right:1em}"
    "@media print{header form,form.search,.downloads{display:none}}"
    "form.search label.sort{display:none}"
    // A phone's width: each record a card of labelled lines instead of a wide table, and the
    // order chosen in the search form instead of by the hidden headings.
    "@media (max-width:40em){table.records,table.records tr{display:block}"
    "table.records tr:first-child{display:none}form.search label.sort{display:flex}"
    "table.records tr{border:1px solid #ddd;margin-bottom:.5em}"
    "table.records td{display:grid;grid-template-columns:7em 1fr;gap:.5em;border:0;"
    "white-space:normal;overflow-wrap:anywhere;padding:.1em .4em}"
    "table.records td:empty{display:none}"
    "table.records td:before{content:attr(data-label);color:#666}}";

} // namespace

const char *StyleSheet()
{
    return Style;
}

const Headers &SecurityHeaders()
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

QString PageHtml(const PageContext &c, const QString &title, const QString &body)
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
Response ErrorPage(int status, const LangLookup &lang)
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

Response FailedPage(const QString &why, const LangLookup &lang)
{
    // The database's text goes to the log, not to the browser.
    qWarning("vesk-web: %s", qUtf8Printable(why));
    return ErrorPage(500, lang);
}

Response Redirect(const QByteArray &to)
{
    Response r;
    r.status = 303;
    r.headers << std::pair{QByteArrayLiteral("Location"), to};
    return r;
}

QString Cell(const QString &text)
{
    return QStringLiteral("<td>") + HtmlEscape(text) + QStringLiteral("</td>");
}

QString Number(qint64 n)
{
    static const QLocale grouping(QLocale::English, QLocale::UnitedStates);
    return grouping.toString(n);
}

QString ReadableSize(qint64 bytes)
{
    constexpr qint64 K = 1024;
    if (bytes < K)
        return QString::number(bytes) + QStringLiteral(" B");
    if (bytes < K * K - K / 2)
        return Number((bytes + K / 2) / K) + QStringLiteral(" KB");
    // Tenths of the unit, rounded.
    const bool giga = bytes >= K * K * K - K * K / 20;
    const qint64 unit = giga ? K * K * K : K * K;
    const qint64 tenths = (bytes * 10 + unit / 2) / unit;
    return Number(tenths / 10) + u'.' + QString::number(tenths % 10) +
           (giga ? QStringLiteral(" GB") : QStringLiteral(" MB"));
}

QString Option(const QString &value, const QString &chosen, const QString &text)
{
    return QStringLiteral("<option value=\"") + HtmlEscape(value) + u'"' +
           (value == chosen ? QStringLiteral(" selected") : QString()) + u'>' + HtmlEscape(text) +
           QStringLiteral("</option>");
}

QString Input(const QString &label, const char *name, const QString &value, const char *type)
{
    return QStringLiteral("<label>") + HtmlEscape(label) + QStringLiteral("<input name=\"") +
           QLatin1String(name) + QStringLiteral("\" type=\"") + QLatin1String(type) +
           QStringLiteral("\" value=\"") + HtmlEscape(value) + QStringLiteral("\"></label>");
}

QString DeptSelect(const PageContext &c)
{
    QString s = QStringLiteral("<label>") + HtmlEscape(c.lang(QStringLiteral("RSDeptName"))) +
                QStringLiteral("<select name=\"dept\"><option value=\"\">") +
                HtmlEscape(c.lang(c.account.admin ? QStringLiteral("RSWebAllDepts")
                                                  : QStringLiteral("RSWebOwnDepts"))) +
                QStringLiteral("</option>");
    for (const QString &d : c.choices) {
        s += QStringLiteral("<option") +
             (d.compare(c.dept, Qt::CaseInsensitive) == 0 ? QStringLiteral(" selected")
                                                          : QString()) +
             QStringLiteral(" value=\"") + HtmlEscape(d) + QStringLiteral("\">") + HtmlEscape(d) +
             QStringLiteral("</option>");
    }
    return s + QStringLiteral("</select></label>");
}

std::optional<QDate> DateParam(const Params &p, const char *name, const QDate &fallback)
{
    const QString text = p.value(QLatin1String(name)).trimmed();
    if (text.isEmpty())
        return fallback;
    const QDate d = QDate::fromString(text, Qt::ISODate);
    if (!d.isValid() || d.year() < 1900 || d.year() > 9999)
        return std::nullopt;
    return d;
}

std::optional<Search> SearchOf(const Params &p, const QDate &today)
{
    Search s;
    const auto from = DateParam(p, "from", QDate(today.year(), today.month(), 1));
    const auto to = DateParam(p, "to", today);
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

QList<std::pair<QString, QString>> Search::params(const QString &dept) const
{
    return {
        {QStringLiteral("dept"), dept},
        {QStringLiteral("from"), from},
        {QStringLiteral("to"), to},
        {QStringLiteral("computer"), criteria.host},
        {QStringLiteral("printer"), criteria.printer},
        {QStringLiteral("employee"), criteria.em},
        {QStringLiteral("outcome"), outcome},
        {QStringLiteral("color"), color},
        {QStringLiteral("duplex"), duplex},
    };
}

bool SameToken(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && !a.isEmpty() &&
           sodium_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}

} // namespace vesk::web
