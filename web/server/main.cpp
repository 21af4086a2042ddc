// vesk-web: the web view for department heads, over libmicrohttpd.
#include "HttpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // The report's PDF needs fonts, so a GUI application without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString appDir = QCoreApplication::applicationDirPath();
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--app-dir" && i + 1 < args.size()) {
            appDir = args[++i];
        } else {
            std::fprintf(stderr, "usage: vesk-web [--app-dir DIR]\n"
                                 "Serves the print history of the application folder's database "
                                 "to the accounts made with `vesk web user add`.\n");
            return 2;
        }
    }
    // The signals that stop the server are taken by this thread alone: the server's threads,
    // started below, inherit the blocked mask.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    vesk::web::HttpServer server(QDir(appDir).absolutePath() + u'/');
    QString error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "vesk-web: %s\n", qUtf8Printable(error));
        return 1;
    }
    int signal = 0;
    sigwait(&stop, &signal);
    std::fprintf(stderr, "vesk-web: stopping\n");
    server.Stop();
    return 0;
}
