// vesk-web over HTTP on loopback, for the tests that talk to the real program: requests on
// sockets of their own, and the program started on a test's application folder.
#pragma once

#include "WebFixture.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace vesk::test {

// A connection to 127.0.0.1:port that waits at most 30 s for an answer; -1 when refused.
int connectTo(int port);
// One request on its own connection; the whole answer (the server closes after it).
QByteArray exchange(int port, const QByteArray &request);
// The same in two steps: the request sent on a new connection (its socket, -1 when refused), and
// later the whole answer read on it (the socket is closed then).
int sendTo(int port, const QByteArray &request);
QByteArray answerOn(int socket);
QByteArray request(const QByteArray &method, const QByteArray &target,
                   const QByteArray &cookie = {}, const QByteArray &body = {});
int statusOf(const QByteArray &answer);
QByteArray headerOf(const QByteArray &answer, const QByteArray &name);
// A sign-in POST as a browser sends it: the form's token, and its cookie, from the sign-in page.
QByteArray signInRequest(int port, const QByteArray &fields);

// vesk-web on the fixture's folder, with `web` as its [Web] section; port 0 when it did not start
// (log says why).
class WebServer
{
public:
    explicit WebServer(WebFixture &f, const QString &web = QStringLiteral("Listen=0.0.0.0:0\n"));
    ~WebServer();
    QProcess process;
    QByteArray log;
    int port = 0;
};

} // namespace vesk::test
