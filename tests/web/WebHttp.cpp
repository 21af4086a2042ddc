// vesk-web over HTTP on loopback, for the tests that talk to the real program.
#include "WebHttp.h"

#include <QRegularExpression>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vesk::test {

int connectTo(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(s);
        return -1;
    }
    timeval tv{30, 0}; // a generous bound, never a pace
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    return s;
}

int sendTo(int port, const QByteArray &request)
{
    const int s = connectTo(port);
    if (s >= 0)
        ::send(s, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
    return s;
}

QByteArray exchange(int port, const QByteArray &request)
{
    return answerOn(sendTo(port, request));
}

QByteArray answerOn(int s)
{
    if (s < 0)
        return {};
    QByteArray answer;
    char buf[8192];
    ssize_t n;
    while ((n = ::recv(s, buf, sizeof buf, 0)) > 0)
        answer.append(buf, n);
    ::close(s);
    return answer;
}

QByteArray request(const QByteArray &method, const QByteArray &target, const QByteArray &cookie,
                   const QByteArray &body)
{
    QByteArray r = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!cookie.isEmpty())
        r += "Cookie: " + cookie + "\r\n";
    if (!body.isNull())
        r += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
             QByteArray::number(body.size()) + "\r\n";
    return r + "\r\n" + body;
}

int statusOf(const QByteArray &answer)
{
    return answer.mid(9, 3).toInt();
}

QByteArray headerOf(const QByteArray &answer, const QByteArray &name)
{
    const QRegularExpression re(QStringLiteral("\r\n") + QString::fromLatin1(name) +
                                    QStringLiteral(": ([^\r]*)"),
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(QString::fromLatin1(answer)).captured(1).toLatin1();
}

QByteArray signInRequest(int port, const QByteArray &fields)
{
    const QByteArray page = exchange(port, request("GET", "/signin"));
    const QByteArray set = headerOf(page, "Set-Cookie");
    const QByteArray token = WebFixture::formToken(page.mid(page.indexOf("\r\n\r\n")));
    return request("POST", "/signin", set.left(set.indexOf(';')), fields + "&token=" + token);
}

WebServer::WebServer(WebFixture &f, const QString &web)
{
    f.dir.writeConfig(QStringLiteral("English.ini"), QStringLiteral("0"),
                      QStringLiteral("[Web]\n") + web);
    process.setProgram(QStringLiteral(VESK_WEB));
    process.setArguments({QStringLiteral("--app-dir"), f.dir.path()});
    process.setReadChannel(QProcess::StandardError);
    process.start();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const QRegularExpression listening(QStringLiteral("listening on https?://127.0.0.1:(\\d+)"));
    while (port == 0 && std::chrono::steady_clock::now() < until &&
           process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(1000);
        log += process.readAllStandardError();
        port = listening.match(QString::fromUtf8(log)).captured(1).toInt();
    }
}

WebServer::~WebServer()
{
    process.terminate();
    if (!process.waitForFinished(30000))
        process.kill();
}

} // namespace vesk::test
