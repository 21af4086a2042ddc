// The settings vesk-web starts with, from the application folder's Config.ini.
#pragma once

#include "DocumentPrivacy.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vesk::web {

// [Web] Listen=host:port (127.0.0.1:8080 by default), CertFile and KeyFile (PEM, relative to the
// application folder). Without both the server speaks plain HTTP and only on loopback, whatever
// Listen names, and says so in the log. RequestTimeout: seconds a request may take to arrive
// (30). Constr: the web view's own connection string (on PostgreSQL the vesk_web login), else
// [Connection] Constr. ProxyAddress: the reverse proxy's IP address; only a request from it may
// name its client in X-Forwarded-For (for the sign-in throttle). ProxyHttps=1: the proxy serves
// the view over HTTPS, so the cookies are Secure and HSTS is sent. [Privacy]: the document names
// shown.
struct WebConfig
{
    static constexpr int DefaultRequestTimeoutSeconds = 30;

    QString constr;
    DocumentPrivacy privacy;
    QString listen;       // as written, for messages
    quint32 address = 0;  // the IPv4 address to listen on, in host order
    quint16 port = 0;     // 0: any free port
    QByteArray cert, key; // PEM texts, each ending in a NUL; both empty: plain HTTP
    int requestTimeoutSeconds = DefaultRequestTimeoutSeconds;
    QString proxyAddress; // as inet_ntop writes it; empty: X-Forwarded-For is never believed
    bool proxyHttps = false;
    QString notice; // what the log should say about the settings (plain HTTP on loopback)
};

// The folder's settings (`appDir` ends in '/'), nothing with the reason when a value is not valid
// or a file named cannot be read.
std::optional<WebConfig> ReadWebConfig(const QString &appDir, QString *error);

// An IPv4 or IPv6 address as inet_ntop writes it; empty when the text is no address.
QString NormalAddress(const QString &text);

} // namespace vesk::web
