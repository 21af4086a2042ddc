// vesk-web itself on loopback: sign in, search, download and sign out over HTTP, and the
// refusals of the HTTP layer (oversized headers and bodies, idle connections).
#include "HttpServer.h"
#include "WebAccounts.h"
#include "WebFixture.h"
#include "WebHttp.h"

#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace vesk;
using namespace vesk::test;

namespace {

// A tool's exit code (-1 when it did not run to its end); its output in `output`.
int run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
        QByteArray *output)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    *output = p.readAll();
    return p.exitCode();
}

} // namespace

TEST(WebServer, SignsInSearchesDownloadsAndSignsOutOverHttp)
{
    WebFixture f;
    f.addAccounts();
    f.addRecord(Finance, 4);
    f.addRecord(Sales, 9);
    WebServer server(f);
    ASSERT_GT(server.port, 0) << server.log.constData();
    // Without a certificate it says it keeps to loopback, whatever Listen asked for.
    EXPECT_TRUE(server.log.contains("loopback only"));

    const QByteArray signInPage = exchange(server.port, request("GET", "/signin"));
    EXPECT_EQ(statusOf(signInPage), 200);
    EXPECT_EQ(headerOf(signInPage, "X-Frame-Options"), "DENY");

    const QByteArray signedIn = exchange(
        server.port,
        signInRequest(server.port, "name=head&password=" +
                                       QUrl::toPercentEncoding(QString::fromUtf8(Password))));
    ASSERT_EQ(statusOf(signedIn), 303) << signedIn.constData();
    const QByteArray setCookie = headerOf(signedIn, "Set-Cookie");
    const QByteArray cookie = setCookie.left(setCookie.indexOf(';'));

    const QByteArray history =
        exchange(server.port, request("GET", "/history?computer=FIN", cookie));
    EXPECT_EQ(statusOf(history), 200);
    EXPECT_TRUE(history.contains("FIN-PC"));
    EXPECT_FALSE(history.contains("SALES-PC"));

    // Downloads are made on threads of their own while their connections wait: several at
    // once (two for each of three sessions), beside a page, each answered whole.
    const QByteArray second = headerOf(
        exchange(server.port, signInRequest(server.port, "name=head&password=" +
                                                             QUrl::toPercentEncoding(
                                                                 QString::fromUtf8(Password)))),
        "Set-Cookie");
    const QByteArray third = headerOf(
        exchange(server.port, signInRequest(server.port, "name=head&password=" +
                                                             QUrl::toPercentEncoding(
                                                                 QString::fromUtf8(Password)))),
        "Set-Cookie");
    const QByteArray cookies[] = {cookie, second.left(second.indexOf(';')),
                                  third.left(third.indexOf(';'))};
    std::vector<std::future<QByteArray>> downloads;
    for (int i = 0; i < 6; ++i)
        downloads.push_back(std::async(std::launch::async, [&, i] {
            return exchange(server.port,
                            request("GET",
                                    i % 2 ? "/download/history.xlsx" : "/download/history.csv",
                                    cookies[i / 2]));
        }));
    EXPECT_EQ(statusOf(exchange(server.port, request("GET", "/overview", cookie))), 200);
    for (size_t i = 0; i < downloads.size(); ++i) {
        const QByteArray answer = downloads[i].get();
        EXPECT_EQ(statusOf(answer), 200) << i;
        const QByteArray body = answer.mid(answer.indexOf("\r\n\r\n") + 4);
        EXPECT_EQ(headerOf(answer, "Content-Length").toLongLong(), body.size()) << i;
        if (i % 2 == 0) {
            EXPECT_TRUE(body.contains("FIN-PC"));
            EXPECT_FALSE(body.contains("SALES-PC"));
        } else {
            EXPECT_TRUE(body.startsWith("PK")) << i; // a zip: the workbook
        }
    }

    const QByteArray token = WebFixture::formToken(history);
    ASSERT_EQ(token.size(), 64);
    EXPECT_EQ(
        statusOf(exchange(server.port, request("POST", "/signout", cookie, "token=" + token))),
        303);
    EXPECT_EQ(headerOf(exchange(server.port, request("GET", "/history", cookie)), "Location"),
              "/signin");
}

TEST(WebServer, RefusesOversizedRequestsAndServesBesideIdleConnections)
{
    WebFixture f;
    WebServer server(f);
    ASSERT_GT(server.port, 0) << server.log.constData();
    // Headers beyond the connection's memory, a body beyond the limit, a malformed query.
    const QByteArray bigHeader = "GET /signin HTTP/1.1\r\nHost: x\r\nConnection: close\r\nX-Big: " +
                                 QByteArray(64 * 1024, 'a') + "\r\n\r\n";
    const int headerStatus = statusOf(exchange(server.port, bigHeader));
    EXPECT_TRUE(headerStatus == 431 || headerStatus == 413) << headerStatus;
    EXPECT_EQ(statusOf(exchange(server.port,
                                request("POST", "/signin", {}, "name=" + QByteArray(20000, 'a')))),
              413);
    EXPECT_EQ(statusOf(exchange(server.port, request("GET", "/signin?a=%zz"))), 400);
    EXPECT_EQ(statusOf(exchange(server.port, request("GET", "/nowhere"))), 404);
    // 500 idle connections that never finish their request; another client is still answered.
    std::vector<int> idle;
    for (int i = 0; i < 500; ++i) {
        const int s = connectTo(server.port);
        if (s >= 0) {
            ::send(s, "GET /sig", 8, MSG_NOSIGNAL);
            idle.push_back(s);
        }
    }
    EXPECT_EQ(idle.size(), 500u);
    EXPECT_EQ(statusOf(exchange(server.port, request("GET", "/signin"))), 200);
    for (int s : idle)
        ::close(s);
    EXPECT_EQ(server.process.state(), QProcess::Running);
}

// A client that sends its request one byte a second is dropped once the request's time is up,
// and others are served meanwhile.
TEST(WebServer, DropsAClientThatTricklesItsRequest)
{
    WebFixture f;
    WebServer server(f, QStringLiteral("Listen=0.0.0.0:0\nRequestTimeout=2\n"));
    ASSERT_GT(server.port, 0) << server.log.constData();
    const QByteArray slow = request("GET", "/signin");
    const int s = connectTo(server.port);
    ASSERT_GE(s, 0);
    qsizetype sent = 0;
    bool dropped = false;
    for (; sent < slow.size() && !dropped; ++sent) {
        ::send(s, slow.constData() + sent, 1, MSG_NOSIGNAL);
        EXPECT_EQ(statusOf(exchange(server.port, request("GET", "/signin"))), 200);
        pollfd p{s, POLLIN, 0};
        char byte;
        dropped = ::poll(&p, 1, 1000) == 1 && ::recv(s, &byte, 1, 0) <= 0;
    }
    ::close(s);
    EXPECT_TRUE(dropped) << "the whole request (" << sent << " bytes) was sent";
}

// [Web] Constr, where given, is the connection vesk-web opens instead of [Connection] Constr.
TEST(WebServer, OpensTheWebViewsOwnConnectionWhereConfigNamesOne)
{
    WebFixture f;
    WebServer server(f, QStringLiteral("Listen=0.0.0.0:0\nConstr=Provider=SQLite;Data "
                                       "Source=no-such-folder/web.db\n"));
    server.process.waitForFinished(60000);
    server.log += server.process.readAllStandardError();
    EXPECT_EQ(server.port, 0);
    EXPECT_TRUE(server.log.contains("no-such-folder")) << server.log.constData();
}

// `vesk web user` makes the account vesk-web signs in with; a password comes from a file or
// standard input only.
TEST(WebServer, AccountsAreManagedWithTheVeskCommand)
{
    WebFixture f;
    f.dir.write(QStringLiteral("pw.txt"), QString::fromUtf8(Password) + u'\n');
    const auto vesk = [&](const QStringList &args, const QByteArray &input = {}) {
        QProcess p;
        p.start(QStringLiteral(VESK_COMMAND),
                QStringList{QStringLiteral("--app"), f.dir.path()} + args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return std::pair{p.exitCode(),
                         QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
    };
    const QString pw = f.dir.file(QStringLiteral("pw.txt"));
    const struct
    {
        QStringList args;
        QByteArray input;
        int exit;
    } steps[] = {
        {{"web", "user", "add", "boss", "--dept", "Finance", "--password-file", pw}, {}, 0},
        {{"web", "user", "add", "boss", "--dept", "Finance", "--password-file", pw}, {}, 1},
        {{"web", "user", "add", "x", "--dept", "Nowhere", "--password-file", pw}, {}, 1},
        {{"web", "user", "add", "x", "--dept", "Finance", "--password", "secret"}, {}, 2},
        {{"web", "user", "add", "short", "--dept", "Sales"}, "abc\n", 1},
        {{"web", "user", "add", "boss2", "--dept", "Sales", "--admin"}, Password + "\n", 0},
        {{"web", "user", "disable", "boss"}, {}, 0},
        {{"web", "user", "delete", "nobody"}, {}, 1},
        {{"web", "user", "delete", "boss2"}, {}, 0},
        {{"web", "user", "set", "boss", "--email", "boss@example.com"}, {}, 0},
        {{"web", "user", "set", "nobody", "--email", "boss@example.com"}, {}, 1},
        {{"web", "user", "set", "boss"}, {}, 2},
        {{"web", "user", "set", "boss", "--email", "boss@example.com\r\nBcc: x@example.org"},
         {},
         1},
        {{"web", "user", "set", "boss", "--email", "boss@exa\tmple.com"}, {}, 1},
        {{"web", "user", "set", "boss", "--email", "Boss <boss@example.com>"}, {}, 1},
        {{"web", "user", "add", "x", "--dept", "Sales", "--email", "x@y\nz", "--password-file", pw},
         {},
         1},
        {{"web", "user", "add", "mia", "--dept", "Sales", "--email", "mia@example.com",
          "--password-file", pw},
         {},
         0},
        // Passwords the sign-in form cannot send: too long, not UTF-8, only blanks.
        {{"web", "user", "add", "long", "--dept", "Sales"}, QByteArray(1025, 'a') + "\n", 1},
        {{"web", "user", "add", "long", "--dept", "Sales"}, "\xff\xfe password\n", 1},
        {{"web", "user", "add", "long", "--dept", "Sales"}, QByteArray(12, ' ') + "\n", 1},
        {{"web", "user", "passwd", "mia"}, " \t       \n", 1},
        {{"web", "user", "add", "long", "--dept", "Sales"}, QByteArray(1024, 'a') + "\n", 0},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.args.join(u' ').toStdString());
        EXPECT_EQ(vesk(s.args, s.input).first, s.exit);
    }
    for (const QByteArray &refused : {QByteArray(1025, 'a'), QByteArray("\xff\xfe password")}) {
        const QString why = vesk({"web", "user", "passwd", "mia"}, refused + "\n").second;
        EXPECT_TRUE(why.contains(u"UTF-8") || why.contains(u"at most 1024 characters"))
            << why.toStdString();
    }
    EXPECT_TRUE(f.signIn(QStringLiteral("boss")).isEmpty()); // disabled
    EXPECT_EQ(vesk({"web", "user", "passwd", "boss"}, Password + "\n").first, 0);
    EXPECT_FALSE(f.signIn(QStringLiteral("boss")).isEmpty());
    const QString list = vesk({"web", "user", "list"}).second;
    EXPECT_TRUE(list.startsWith(u"boss\tFinance\t\t\t20")) << list.toStdString();
    EXPECT_TRUE(list.contains(u"\tboss@example.com\n")) << list.toStdString();
    EXPECT_TRUE(list.contains(u"mia\tSales\t\t\t\tmia@example.com\n")) << list.toStdString();
    EXPECT_FALSE(list.contains(u"boss2"));
    EXPECT_FALSE(list.contains(u"Bcc"));
    // A department's new name reaches its accounts; a deleted department's accounts are disabled,
    // without a department, and a new password does not enable them again.
    EXPECT_EQ(vesk({"dept", "rename", "Sales", "Marketing"}).first, 0);
    EXPECT_TRUE(vesk({"web", "user", "list"}).second.contains(u"mia\tMarketing\t\t"));
    EXPECT_EQ(vesk({"--yes", "dept", "delete", "Marketing"}).first, 0);
    EXPECT_EQ(vesk({"web", "user", "passwd", "mia"}, Password + "\n").first, 0);
    EXPECT_TRUE(vesk({"web", "user", "list"}).second.contains(u"mia\t\tdisabled,no-department\t"));
    EXPECT_TRUE(f.signIn(QStringLiteral("mia")).isEmpty());
}

// With a certificate and key in Config.ini it speaks TLS (GnuTLS), on the address named, and the
// session cookie is Secure.
TEST(WebServer, ServesHttpsWithASecureCookieWhenGivenACertificate)
{
    WebFixture f;
    f.addAccounts();
    QByteArray output;
    ASSERT_EQ(run(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=localhost"), QStringLiteral("-days"), QStringLiteral("2"),
                   QStringLiteral("-keyout"), f.dir.file(QStringLiteral("web-key.pem")),
                   QStringLiteral("-out"), f.dir.file(QStringLiteral("web-cert.pem"))},
                  QProcessEnvironment::systemEnvironment(), &output),
              0)
        << output.constData();
    WebServer server(f, QStringLiteral("Listen=127.0.0.1:0\nCertFile=web-cert.pem\n"
                                       "KeyFile=web-key.pem\n"));
    ASSERT_GT(server.port, 0) << server.log.constData();
    EXPECT_TRUE(server.log.contains("https://"));
    const QString url = QStringLiteral("https://127.0.0.1:%1/signin").arg(server.port);
    const QString jar = f.dir.file(QStringLiteral("cookies"));
    QByteArray page, answer;
    ASSERT_EQ(run(QStringLiteral("curl"), {QStringLiteral("-sk"), QStringLiteral("-c"), jar, url},
                  QProcessEnvironment::systemEnvironment(), &page),
              0);
    ASSERT_EQ(run(QStringLiteral("curl"),
                  {QStringLiteral("-sk"), QStringLiteral("-i"), QStringLiteral("-b"), jar,
                   QStringLiteral("-d"),
                   QStringLiteral("name=head&password=") + QString::fromUtf8(Password) +
                       QStringLiteral("&token=") + QString::fromLatin1(WebFixture::formToken(page)),
                   url},
                  QProcessEnvironment::systemEnvironment(), &answer),
              0)
        << answer.constData();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 303")) << answer.constData();
    EXPECT_TRUE(headerOf(answer, "Set-Cookie").endsWith("; HttpOnly; SameSite=Strict; Secure"));
    // Plain HTTP on the TLS port gets no page.
    EXPECT_NE(statusOf(exchange(server.port, request("GET", "/signin"))), 200);
}

// X-Forwarded-For names the client only on a request from the proxy the settings name: else six
// made-up clients are one to the throttle. A proxy that serves HTTPS makes the cookies Secure and
// asks for HSTS.
TEST(WebServer, BelievesOnlyTheConfiguredProxy)
{
    const struct
    {
        const char *web;
        bool believed;
    } cases[] = {
        {"Listen=127.0.0.1:0\n", false},
        {"Listen=127.0.0.1:0\nProxyAddress=127.0.0.2\nProxyHttps=0\n", false},
        {"Listen=127.0.0.1:0\nProxyAddress=127.0.0.1\nProxyHttps=1\n", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.web);
        WebFixture f;
        WebServer server(f, QString::fromLatin1(c.web));
        ASSERT_GT(server.port, 0) << server.log.constData();
        // Sent one right after the other: the wait after the fifth failure is a second.
        std::vector<QByteArray> tries;
        for (int i = 0; i <= web::SignInThrottle::FreeFailures; ++i) {
            tries.push_back(
                signInRequest(server.port, "name=n" + QByteArray::number(i) + "&password=x"));
            const QByteArray forwarded =
                "Host: 127.0.0.1\r\nX-Forwarded-For: 198.51.100.9, 203.0.113." +
                QByteArray::number(i) + "\r\n";
            tries.back().replace(QByteArray("Host: 127.0.0.1\r\n"), forwarded);
        }
        int last = 0;
        for (const QByteArray &t : tries)
            last = statusOf(exchange(server.port, t));
        EXPECT_EQ(last, c.believed ? 403 : 429);
        const QByteArray page = exchange(server.port, request("GET", "/signin"));
        EXPECT_EQ(headerOf(page, "Set-Cookie").endsWith("; Secure"), c.believed);
        EXPECT_EQ(headerOf(page, "Strict-Transport-Security"),
                  c.believed ? QByteArray("max-age=31536000") : QByteArray());
    }
}

// Thirty wrong passwords sent at once: only the free five are checked, the others wait.
TEST(WebServer, CountsSignInsMadeAtOnceBeforeCheckingThem)
{
    WebFixture f;
    f.addAccounts();
    WebServer server(f, QStringLiteral("Listen=127.0.0.1:0\n"));
    ASSERT_GT(server.port, 0) << server.log.constData();
    std::vector<QByteArray> tries;
    for (int i = 0; i < 30; ++i)
        tries.push_back(signInRequest(server.port, "name=head&password=wrong"));
    std::vector<std::future<int>> answers;
    for (const QByteArray &t : tries)
        answers.push_back(
            std::async(std::launch::async, [&, t] { return statusOf(exchange(server.port, t)); }));
    std::map<int, int> statuses;
    for (auto &a : answers)
        ++statuses[a.get()];
    EXPECT_EQ(statuses[403], web::SignInThrottle::FreeFailures);
    EXPECT_EQ(statuses[429], 30 - web::SignInThrottle::FreeFailures);
}

// A session has at most two pages and two downloads in hand, all sessions eight downloads; beyond
// that 503 with Retry-After. A download whose client went while it waited is not made.
TEST(WebServer, BoundsTheWorkInHandAndDropsDownloadsNobodyWaitsFor)
{
    WebFixture f;
    f.addAccounts();
    f.addRecord(Finance, 4);
    f.dir.writeConfig(QStringLiteral("English.ini"), QStringLiteral("0"),
                      QStringLiteral("[Web]\nListen=127.0.0.1:0\n"));
    // Every request but a sign-in waits at the gate until the test opens it (the hook is set
    // before the server's threads start, which read it).
    std::promise<void> open;
    const std::shared_future<void> gate = open.get_future().share();
    std::atomic<int> atGate{0};
    web::HttpServer server(f.dir.path());
    server.beforeHandle = [&atGate, gate](const web::Request &r) {
        if (r.path == u"/signin")
            return;
        ++atGate;
        gate.wait();
    };
    // Opened whatever happens, or a failed assertion would leave the server's threads waiting.
    bool opened = false;
    const auto release = [&] {
        if (!std::exchange(opened, true))
            open.set_value();
    };
    const std::unique_ptr<void, std::function<void(void *)>> openAtEnd(&opened,
                                                                       [&](void *) { release(); });
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    const int port = server.Port();
    std::vector<QByteArray> sessions;
    for (int i = 0; i < 5; ++i) {
        const QByteArray set = headerOf(
            exchange(port,
                     signInRequest(port, "name=head&password=" +
                                             QUrl::toPercentEncoding(QString::fromUtf8(Password)))),
            "Set-Cookie");
        ASSERT_FALSE(set.isEmpty());
        sessions.push_back(set.left(set.indexOf(';')));
    }
    const auto reaches = [](const std::function<bool()> &state) {
        for (int i = 0; i < 3000 && !state(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return state();
    };
    const auto refused = [&](const char *target, const QByteArray &cookie) {
        const QByteArray answer = exchange(port, request("GET", target, cookie));
        return statusOf(answer) == 503 && headerOf(answer, "Retry-After") == "5";
    };
    std::vector<int> waiting, gone;
    // One after the other: a connection stays with the server thread that accepted it.
    for (int i = 1; i <= 2; ++i) {
        waiting.push_back(sendTo(port, request("GET", "/overview", sessions[0])));
        ASSERT_TRUE(reaches([&] { return atGate == i; }));
    }
    EXPECT_TRUE(refused("/overview", sessions[0]));
    // Two downloads of the session are made (both export threads held at the gate), a third is
    // refused; three more sessions fill the eight places, and a fifth session finds none.
    for (int i = 0; i < 2; ++i)
        waiting.push_back(sendTo(port, request("GET", "/download/history.csv", sessions[0])));
    ASSERT_TRUE(reaches([&] { return atGate == 4; }));
    EXPECT_TRUE(refused("/download/history.csv", sessions[0]));
    for (size_t s = 1; s < 4; ++s)
        for (int i = 0; i < 2; ++i)
            (s == 2 ? gone : waiting)
                .push_back(sendTo(port, request("GET", "/download/history.csv", sessions[s])));
    ASSERT_TRUE(
        reaches([&] { return server.Limits().InHand(web::WorkLimits::Kind::Download) == 8; }));
    EXPECT_TRUE(refused("/download/history.csv", sessions[4]));
    EXPECT_EQ(statusOf(exchange(port, request("GET", "/signin"))), 200);
    // The third session's clients give up while their downloads wait.
    for (int s : gone)
        ::close(s);
    release();
    for (int s : waiting)
        EXPECT_EQ(statusOf(answerOn(s)), 200);
    ASSERT_TRUE(
        reaches([&] { return server.Limits().InHand(web::WorkLimits::Kind::Download) == 0; }));
    EXPECT_EQ(server.ExportsDropped(), 2);
    EXPECT_EQ(atGate, 8); // two pages, six downloads made
    server.Stop();
}
