// The web view's handlers and scope rules, called directly on SQLite.
#include "DocumentPrivacy.h"
#include "HostileTexts.h"
#include "ReportTables.h"
#include "WebAccounts.h"
#include "WebFixture.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <gtest/gtest.h>

#include <map>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;
using std::chrono::minutes;
using std::chrono::seconds;

TEST(WebSignIn, AnswersAlikeWhetherOrNotTheNameExistsAndStartsAFreshSession)
{
    WebFixture f;
    f.addAccounts();
    WebAccount off = WebFixture::accountOf("gone", "Finance");
    off.disabled = true;
    f.addAccount(off);

    struct Case
    {
        const char *name;
        QByteArray password;
        bool ok;
    };
    const Case cases[] = {
        {"head", Password, true},    {"HEAD", Password, true},  {"head", "wrong password", false},
        {"nobody", Password, false}, {"gone", Password, false}, {"", Password, false},
    };
    QByteArray refusal;
    QSet<QByteArray> tokens;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const web::Response r = f.post(QStringLiteral("/signin"),
                                       "name=" + QByteArray(c.name) + "&password=" +
                                           QUrl::toPercentEncoding(QString::fromUtf8(c.password)));
        if (c.ok) {
            EXPECT_EQ(r.status, 303);
            const QByteArray cookie = header(r, "Set-Cookie");
            EXPECT_TRUE(cookie.contains("; HttpOnly; SameSite=Strict")) << cookie.constData();
            EXPECT_FALSE(cookie.contains("Secure"));
            const QByteArray token = cookie.mid(13, 64);
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$"))
                            .match(QString::fromLatin1(token))
                            .hasMatch());
            EXPECT_FALSE(tokens.contains(token)); // a new token at each sign-in
            tokens.insert(token);
        } else {
            EXPECT_EQ(r.status, 403);
            EXPECT_TRUE(header(r, "Set-Cookie").startsWith("vesk_signin=")); // a new form only
            // The same page for every refusal, but for the new form's token.
            const QByteArray page = QString::fromUtf8(r.body)
                                        .replace(QRegularExpression(QStringLiteral("[0-9a-f]{64}")),
                                                 QStringLiteral("TOKEN"))
                                        .toUtf8();
            if (refusal.isEmpty())
                refusal = page;
            EXPECT_EQ(page, refusal);
            EXPECT_TRUE(r.body.contains("The name or the password is wrong."));
        }
    }
    // Without the sign-in form's token and its cookie nobody is signed in, whatever the password.
    for (const QByteArray &cookie : {QByteArray("vesk_signin=stolen"), QByteArray("x=1")}) {
        const web::Response r = f.post(QStringLiteral("/signin"),
                                       "name=head&token=forged&password=" +
                                           QUrl::toPercentEncoding(QString::fromUtf8(Password)),
                                       cookie);
        EXPECT_EQ(r.status, 403);
        EXPECT_FALSE(header(r, "Set-Cookie").startsWith("vesk_session="));
    }
    // Over TLS the cookies are Secure as well.
    web::Request page;
    page.path = QStringLiteral("/signin");
    page.secure = true;
    const web::Response form = f.app->Handle(page, f.db);
    EXPECT_TRUE(header(form, "Set-Cookie").endsWith("; Secure"));
    web::Request r;
    r.method = "POST";
    r.path = QStringLiteral("/signin");
    r.form = {{QStringLiteral("name"), QStringLiteral("head")},
              {QStringLiteral("password"), QString::fromUtf8(Password)},
              {QStringLiteral("token"), QString::fromLatin1(WebFixture::formToken(form.body))}};
    r.cookie = header(form, "Set-Cookie").left(header(form, "Set-Cookie").indexOf(';'));
    r.secure = true;
    EXPECT_TRUE(header(f.app->Handle(r, f.db), "Set-Cookie").endsWith("; Secure"));
}

TEST(WebSignIn, FailuresAreSlowedPerAccountAndPerAddress)
{
    WebFixture f;
    f.addAccounts();
    // Five failures for one account from different addresses, then even the right password waits.
    for (int i = 0; i < web::SignInThrottle::FreeFailures; ++i)
        EXPECT_TRUE(f.signIn(QStringLiteral("head"), "wrong", QStringLiteral("192.0.2.%1").arg(i))
                        .isEmpty());
    web::Response r =
        f.post(QStringLiteral("/signin"), "name=head&password=x", {}, QStringLiteral("192.0.2.99"));
    EXPECT_EQ(r.status, 429);
    EXPECT_EQ(header(r, "Retry-After"), "1");
    EXPECT_TRUE(f.signIn(QStringLiteral("head"), Password, QStringLiteral("192.0.2.98")).isEmpty());
    f.clock += seconds(1);
    // The wait has passed; one more failure doubles it.
    EXPECT_TRUE(f.signIn(QStringLiteral("head"), "wrong").isEmpty());
    f.clock += seconds(1);
    EXPECT_EQ(f.post(QStringLiteral("/signin"), "name=head&password=x").status, 429);
    f.clock += seconds(1);
    EXPECT_FALSE(f.signIn(QStringLiteral("head")).isEmpty());
    // The other account is not slowed by that, but one address trying many names is.
    EXPECT_FALSE(
        f.signIn(QStringLiteral("sales"), Password, QStringLiteral("192.0.2.50")).isEmpty());
    for (int i = 0; i < web::SignInThrottle::FreeFailures; ++i)
        f.signIn(QStringLiteral("guess%1").arg(i), "x", QStringLiteral("198.51.100.7"));
    EXPECT_EQ(f.post(QStringLiteral("/signin"), "name=sales&password=x", {},
                     QStringLiteral("198.51.100.7"))
                  .status,
              429);
}

TEST(WebSession, EndsAfterThirtyIdleMinutesAndAtSignOut)
{
    WebFixture f;
    f.addAccounts();
    const QByteArray cookie = f.signIn(QStringLiteral("head"));
    ASSERT_FALSE(cookie.isEmpty());
    f.clock += minutes(29);
    const web::Response page = f.get(QStringLiteral("/overview"), cookie);
    EXPECT_EQ(page.status, 200);
    f.clock += minutes(29); // the page above started the idle time again
    EXPECT_EQ(f.get(QStringLiteral("/overview"), cookie).status, 200);
    f.clock += minutes(31);
    EXPECT_EQ(header(f.get(QStringLiteral("/overview"), cookie), "Location"), "/signin");

    const QByteArray again = f.signIn(QStringLiteral("head"));
    const QByteArray token = WebFixture::formToken(f.get(QStringLiteral("/overview"), again).body);
    ASSERT_EQ(token.size(), 64);
    // Signing out needs the session's form token.
    EXPECT_EQ(f.post(QStringLiteral("/signout"), "token=" + QByteArray(64, 'a'), again).status,
              403);
    EXPECT_EQ(f.post(QStringLiteral("/signout"), {}, again).status, 403);
    EXPECT_EQ(f.get(QStringLiteral("/signout"), again).status, 405);
    EXPECT_EQ(f.post(QStringLiteral("/signout"), "token=" + token, again).status, 303);
    EXPECT_EQ(header(f.get(QStringLiteral("/history"), again), "Location"), "/signin");
    // A disabled account's session ends at its next request.
    const QByteArray third = f.signIn(QStringLiteral("head"));
    ASSERT_EQ(DisableWebAccount(f.db, QStringLiteral("head")), 1);
    EXPECT_EQ(header(f.get(QStringLiteral("/history"), third), "Location"), "/signin");
}

// A session is of the account as it was signed in: a new password, department or administrator
// flag, or another account made under the same name, ends it; other changes do not.
TEST(WebSession, EndsWhenItsAccountChanges)
{
    const struct
    {
        const char *change;
        bool ends;
    } cases[] = {
        {"update tWebAccount set PasswordHash=? where Name='head'", true},
        {"update tWebAccount set DeptName='Sales' where Name='head'", true},
        {"update tWebAccount set IsAdmin=1 where Name='head'", true},
        {"delete from tWebAccount where Name='head'", true}, // then added again (below)
        {"update tWebAccount set Email='head@example.com', Lang='cn' where Name='head'", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        WebFixture f;
        f.addAccounts();
        const QByteArray cookie = f.signIn(QStringLiteral("head"));
        ASSERT_EQ(f.get(QStringLiteral("/overview"), cookie).status, 200);
        QSqlQuery q(f.db);
        q.prepare(QString::fromLatin1(c.change));
        if (QByteArray(c.change).contains('?'))
            q.addBindValue(HashWebPassword(Password)); // the same password, hashed again
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
        if (QByteArray(c.change).startsWith("delete"))
            f.addAccount(WebFixture::accountOf("head", "Sales"));
        const web::Response page = f.get(QStringLiteral("/overview"), cookie);
        EXPECT_EQ(page.status, c.ends ? 303 : 200);
        if (c.ends) {
            // Ended for good: the old stamp does not come back by undoing the change.
            EXPECT_EQ(header(f.get(QStringLiteral("/history"), cookie), "Location"), "/signin");
        }
    }
}

TEST(WebScope, NoRouteShowsAnotherDepartmentsRowsCountsOrNames)
{
    WebFixture f;
    ExpectScopeKept(f);
}

TEST(WebPages, EscapeEveryHostileText)
{
    WebFixture f;
    f.addAccounts();
    std::vector<HostileText> texts = HostileTexts();
    texts.push_back({"script", QStringLiteral("<script>alert(1)</script>")});
    texts.push_back({"attribute", QStringLiteral("\"><img src=x onerror=alert(1)>")});
    for (const HostileText &t : texts) {
        DeptNames d = Finance;
        const QByteArray text = t.text.toUtf8();
        d.host = d.employee = d.printer = text.constData();
        f.addRecord(d, 1, {}, t.text);
    }
    const QByteArray cookie = f.signIn(QStringLiteral("head"));
    for (const HostileText &t : texts) {
        SCOPED_TRACE(t.label);
        for (const QString &url : QStringList{
                 QStringLiteral("/history?computer=") +
                     QString::fromLatin1(QUrl::toPercentEncoding(t.text)),
                 QStringLiteral("/overview"), QStringLiteral("/history?sort=documentName")}) {
            const web::Response r = f.get(url, cookie);
            // Control characters other than tab never reach the search; the page says so.
            if (t.text.contains(QChar(0x07))) {
                if (url.contains(u"computer=")) {
                    EXPECT_EQ(r.status, 400);
                }
                continue;
            }
            EXPECT_EQ(r.status, 200);
            const QString body = QString::fromUtf8(r.body);
            EXPECT_FALSE(body.contains(u"<script")) << url.toStdString();
            EXPECT_FALSE(body.contains(u"<img")) << url.toStdString();
            if (t.text.size() > 2 && !t.text.contains(u'\t') && url.startsWith(u"/history")) {
                EXPECT_TRUE(body.contains(web::HtmlEscape(t.text)));
            }
        }
    }
    // Control characters stored in a record show as a replacement character.
    const QByteArray history = f.get(QStringLiteral("/history"), cookie).body;
    EXPECT_FALSE(history.contains('\x07'));
    EXPECT_FALSE(history.contains('\x1b'));
    EXPECT_TRUE(history.contains("财务部 张三的文档"));
    for (const auto &[name, value] : web::SecurityHeaders())
        EXPECT_FALSE(value.isEmpty()) << name.constData();
    const web::Response r = f.get(QStringLiteral("/history"), cookie);
    EXPECT_EQ(header(r, "Content-Security-Policy").left(19), "default-src 'self';");
    EXPECT_EQ(header(r, "X-Frame-Options"), "DENY");
}

TEST(WebHistory, PagesOfFiftyByKeyInAnyColumnsOrder)
{
    WebFixture f;
    f.addAccounts();
    // Each row named by its document, so that every one is seen once, none twice or lost where
    // the sort key ties (every row has the same computer).
    for (int i = 0; i < 120; ++i)
        f.addRecord(Finance, i % 7,
                    QStringLiteral("2026-01-%1 10:00:%2")
                        .arg(1 + i % 28, 2, 10, QChar(u'0'))
                        .arg(i % 60, 2, 10, QChar(u'0')),
                    QStringLiteral("row-%1.doc").arg(i, 3, 10, QChar(u'0')));
    f.addRecord(Sales, 3, QStringLiteral("2026-01-05 10:00:00"));
    const QByteArray cookie = f.signIn(QStringLiteral("head"));
    // Forward by "next" to the end, then back by "prev": the same pages, rows in the same order.
    const auto link = [](const QString &body, const char *rel) {
        const QRegularExpression re(QStringLiteral("rel=\"%1\" href=\"([^\"]+)\"").arg(rel));
        return re.match(body).captured(1).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    };
    const QRegularExpression rowsOf(QStringLiteral("<tr><td .*</tr>"),
                                    QRegularExpression::DotMatchesEverythingOption);
    for (const char *sort : {"PrintTime&dir=desc", "TotalPageCount&dir=asc", "hostName&dir=desc"}) {
        SCOPED_TRACE(sort);
        QString url =
            QStringLiteral("/history?from=2026-01-01&to=2026-01-31&sort=") + QLatin1String(sort);
        int rows = 0;
        QStringList forward;
        QString body;
        while (!url.isEmpty() && forward.size() < 5) {
            const web::Response r = f.get(url, cookie);
            ASSERT_EQ(r.status, 200);
            body = QString::fromUtf8(r.body);
            const int here = int(body.count(QStringLiteral("<tr><td ")));
            EXPECT_LE(here, web::WebApp::PageRows);
            rows += here;
            forward << rowsOf.match(body).captured(0);
            url = link(body, "next");
            EXPECT_EQ(link(body, "prev").isEmpty(), forward.size() == 1);
        }
        EXPECT_EQ(rows, 120);
        ASSERT_EQ(forward.size(), 3);
        const QRegularExpression named(QStringLiteral("row-(\\d{3})\\.doc"));
        std::map<int, int> seen;
        for (const QString &page : forward)
            for (const auto &m : named.globalMatch(page))
                ++seen[m.captured(1).toInt()];
        for (int i = 0; i < 120; ++i)
            EXPECT_EQ(seen[i], 1) << "row " << i;
        EXPECT_EQ(seen.size(), 120u);
        url = link(body, "prev");
        for (qsizetype page = forward.size() - 2; page >= 0; --page) {
            body = QString::fromUtf8(f.get(url, cookie).body);
            EXPECT_EQ(rowsOf.match(body).captured(0), forward[page]) << page;
            EXPECT_FALSE(link(body, "next").isEmpty());
            url = link(body, "prev");
        }
        EXPECT_TRUE(url.isEmpty());
    }
}

// At a phone's width the headings are hidden: the search form chooses the order there. Sizes
// are written as people read them.
TEST(WebHistory, OffersTheOrderInTheFormAndReadableSizes)
{
    const struct
    {
        qint64 bytes;
        const char *shown;
    } sizes[] = {
        {0, "0 B"},          {1023, "1023 B"},    {1024, "1 KB"},         {244950, "239 KB"},
        {1048064, "1.0 MB"}, {1572864, "1.5 MB"}, {1073741824, "1.0 GB"}, {5368709120LL, "5.0 GB"},
    };
    for (const auto &c : sizes)
        EXPECT_EQ(web::ReadableSize(c.bytes), QLatin1String(c.shown)) << c.bytes;

    WebFixture f;
    f.addAccounts();
    f.addRecord(Finance);
    QSqlQuery(f.db).exec(QStringLiteral("update tPrinterData set PrintedDocumentSize=244950"));
    const QByteArray page = f.get(QStringLiteral("/history?sort=documentName&dir=asc"),
                                  f.signIn(QStringLiteral("head")))
                                .body;
    EXPECT_TRUE(page.contains(">239 KB</td>"));
    EXPECT_FALSE(page.contains("244950"));
    const QRegularExpression chosen(
        QStringLiteral("<label class=\"sort\">Sort by<select name=\"sort\">.*<option "
                       "value=\"documentName\" selected>.*<select name=\"dir\">.*<option "
                       "value=\"asc\" selected>Ascending</option></select></label>"));
    EXPECT_TRUE(chosen.match(QString::fromUtf8(page)).hasMatch());
    // Shown only where the headings are hidden.
    const QString css = QString::fromLatin1(web::StyleSheet());
    EXPECT_TRUE(css.contains(u"form.search label.sort{display:none}"));
    const qsizetype phone = css.indexOf(u"@media (max-width:40em)");
    EXPECT_GT(css.indexOf(u"form.search label.sort{display:flex}"), phone);
    EXPECT_GT(css.indexOf(u"table.records tr:first-child{display:none}"), phone);
}

TEST(WebPages, RefuseBadInputWithItsStatus)
{
    WebFixture f;
    f.addAccounts();
    const QByteArray cookie = f.signIn(QStringLiteral("head"));
    const struct
    {
        const char *url;
        int status;
    } cases[] = {
        {"/nowhere", 404},
        {"/history?from=2026-13-45", 400},
        {"/history?sort=password", 400},
        {"/history?sort=PrintTime;drop table tDept", 400},
        {"/history?dir=sideways", 400},
        {"/history?after=1%20or%201=1", 400},
        {"/history?after=1&before=2", 400},
        {"/history?outcome=maybe", 400},
        {"/history?computer=%zz", 400},
        {"/history?computer=%ff%fe", 400},
        {"/overview?period=decade", 400},
        {"/download/report.pdf?group=password", 400},
        {"/history?computer=x&computer=y", 200},
        {"/", 303},
        {"/style.css", 200},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.url);
        const web::Response r = f.get(QString::fromUtf8(c.url), cookie);
        EXPECT_EQ(r.status, c.status);
        if (c.status >= 400) {
            EXPECT_TRUE(r.body.contains(
                QByteArray(QByteArray("<h1>") + QByteArray::number(c.status) + "</h1>")));
        }
    }
    EXPECT_EQ(f.app->Error(413, "zh-CN").body.contains("请求过大"), true);
    // Without a session every page but the sign-in sends the browser there.
    EXPECT_EQ(header(f.get(QStringLiteral("/history")), "Location"), "/signin");
    EXPECT_EQ(
        header(f.get(QStringLiteral("/download/history.csv"), "vesk_session=forged"), "Location"),
        "/signin");
}

TEST(WebHistory, DocumentNamesFollowThePrivacySettings)
{
    WebFixture f;
    f.addAccounts();
    f.addRecord(Finance, 1, QStringLiteral("2020-01-02 10:00:00"), QStringLiteral("old-name.doc"));
    f.addRecord(Finance, 1, {}, QStringLiteral("new-name.doc"));
    f.app = std::make_unique<web::WebApp>(
        web::Catalogues{web::CatalogueFromFile(f.dir.file(QStringLiteral("English.ini")), 0),
                        web::CatalogueFromFile(f.dir.file(QStringLiteral("Chinese.ini")), 134)},
        DocumentPrivacy{true, 30});
    const QByteArray cookie = f.signIn(QStringLiteral("head"));
    const QByteArray body = f.get(QStringLiteral("/history?from=2019-01-01"), cookie).body;
    EXPECT_FALSE(body.contains("old-name.doc"));
    EXPECT_TRUE(body.contains(RedactedDocumentName().toUtf8()));
    EXPECT_TRUE(body.contains("new-name.doc"));
    // Sorted by the names shown: the hidden one where its replacement sorts, not by its own.
    for (const char *dir : {"asc", "desc"}) {
        const QByteArray sorted =
            f.get(QStringLiteral("/history?from=2019-01-01&sort=documentName&dir=") +
                      QLatin1String(dir),
                  cookie)
                .body;
        const qsizetype hidden =
            sorted.indexOf(QByteArray(">" + RedactedDocumentName().toUtf8() + "<"));
        ASSERT_GT(hidden, 0);
        EXPECT_EQ(hidden < sorted.indexOf("new-name.doc"), QByteArray(dir) == "asc") << dir;
    }
    // The downloads of the same search: the workbook's statement is the CSV's.
    web::Response csv = f.get(QStringLiteral("/download/history.csv?from=2019-01-01"), cookie);
    ASSERT_EQ(csv.status, 200);
    const QByteArray rows = bodyOf(std::move(csv));
    EXPECT_FALSE(rows.contains("old-name.doc"));
    EXPECT_TRUE(rows.contains(RedactedDocumentName().toUtf8()));
    EXPECT_TRUE(rows.contains("new-name.doc"));
    const QString url = QStringLiteral("/download/report.pdf?from=2019-01-01");
    web::Response pdf = f.get(url, cookie);
    ASSERT_EQ(pdf.status, 200);
    const QString printed = textOf(f, url, bodyOf(std::move(pdf)));
    EXPECT_TRUE(printed.contains(u"FIN-PC")) << printed.toStdString();
    EXPECT_FALSE(printed.contains(u"old-name.doc"));
}

// The account's language, else the browser's Accept-Language, picks the catalogue.
TEST(WebPages, SpeakTheAccountsLanguageElseTheBrowsers)
{
    WebFixture f;
    f.addAccounts();
    WebAccount cn = WebFixture::accountOf("zhang", "Finance");
    cn.lang = QStringLiteral("cn");
    f.addAccount(cn);
    const struct
    {
        const char *account;
        QByteArray acceptLanguage;
        const char *overview;
    } cases[] = {
        {"zhang", "en-GB,en;q=0.9", "概况"},
        {"head", "zh-CN,zh;q=0.9,en;q=0.8", "概况"},
        {"head", "en-US,zh;q=0.5", "Overview"},
        {"head", "", "Overview"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.account) + " " + c.acceptLanguage.toStdString());
        web::Request r;
        r.path = QStringLiteral("/overview");
        r.cookie = f.signIn(QLatin1String(c.account));
        r.acceptLanguage = c.acceptLanguage;
        const web::Response page = f.app->Handle(r, f.db);
        EXPECT_TRUE(page.body.contains(QByteArray(QByteArray("<h1>") + c.overview + "</h1>")));
    }
    web::Request signIn;
    signIn.path = QStringLiteral("/signin");
    signIn.acceptLanguage = "zh-TW";
    EXPECT_TRUE(f.app->Handle(signIn, f.db).body.contains("<html lang=\"zh\">"));
    // The report's column titles too, whatever language the console's column settings hold.
    f.addRecord(Finance, 2);
    const QString url = QStringLiteral("/download/report.pdf");
    web::Response pdf = f.get(url, f.signIn(QStringLiteral("zhang")));
    ASSERT_EQ(pdf.status, 200);
    const QString printed = textOf(f, url, bodyOf(std::move(pdf)));
    const auto titleIn = [&](const char *catalogue) {
        return ReportColumnTitle(ReportTable::PrinterData, QStringLiteral("hostName"),
                                 web::CatalogueFromFile(f.dir.file(QLatin1String(catalogue)),
                                                        catalogue[0] == 'C' ? 134 : 0));
    };
    EXPECT_TRUE(printed.contains(titleIn("Chinese.ini"))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(titleIn("English.ini"))) << printed.toStdString();
}
