#include "WebConfig.h"

#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>

namespace vesk::web {

namespace {

bool readPem(const QString &appDir, const QString &name, QByteArray &into, QString *error)
{
    QFile f(QDir::isAbsolutePath(name) ? name : appDir + name);
    if (!f.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("cannot read ") + f.fileName() + QStringLiteral(": ") + f.errorString();
        return false;
    }
    into = f.readAll();
    into.append('\0');
    return true;
}

} // namespace

std::optional<WebConfig> ReadWebConfig(const QString &appDir, QString *error)
{
    const QString configFile = appDir + QStringLiteral("Config.ini");
    const IniFile config = IniFile::config(configFile);
    if (!config.exists()) {
        *error = QStringLiteral("no Config.ini in ") + appDir;
        return std::nullopt;
    }
    if (!QFileInfo(configFile).isReadable()) {
        *error = QStringLiteral("cannot read ") + configFile +
                 QStringLiteral(" (the account that runs vesk-web needs to)");
        return std::nullopt;
    }
    const auto web = [&](const char *key) {
        return config.readString(QStringLiteral("Web"), QLatin1String(key));
    };
    WebConfig c;
    // The web view's own login where it has one (vesk_web on PostgreSQL), else the folder's.
    c.constr = web("Constr");
    if (c.constr.isEmpty())
        c.constr = config.readString(QStringLiteral("Connection"), QStringLiteral("Constr"));
    QString badKey;
    if (!ReadDocumentPrivacy(config.fileName(), c.privacy, &badKey)) {
        *error =
            QStringLiteral("Config.ini: [Privacy] ") + badKey + QStringLiteral(" is not valid");
        return std::nullopt;
    }

    c.listen = web("Listen");
    if (c.listen.isEmpty())
        c.listen = QStringLiteral("127.0.0.1:8080");
    const qsizetype colon = c.listen.lastIndexOf(u':');
    bool portOk = false;
    const int port = c.listen.mid(colon + 1).toInt(&portOk);
    QString host = colon < 0 ? QString() : c.listen.left(colon);
    if (host.isEmpty())
        host = QStringLiteral("127.0.0.1");
    in_addr address{};
    if (colon < 0 || !portOk || port < 0 || port > 65535 ||
        inet_pton(AF_INET, host.toLatin1().constData(), &address) != 1) {
        *error = QStringLiteral("Config.ini: [Web] Listen must be an IPv4 address and a port: ") +
                 c.listen;
        return std::nullopt;
    }
    c.address = ntohl(address.s_addr);
    c.port = quint16(port);

    const QString certFile = web("CertFile");
    const QString keyFile = web("KeyFile");
    if (!certFile.isEmpty() || !keyFile.isEmpty()) {
        if (certFile.isEmpty() || keyFile.isEmpty()) {
            *error = QStringLiteral("Config.ini: [Web] needs both CertFile and KeyFile");
            return std::nullopt;
        }
        if (!readPem(appDir, certFile, c.cert, error) || !readPem(appDir, keyFile, c.key, error))
            return std::nullopt;
    } else if (c.address >> 24 != 127) {
        c.notice = QStringLiteral("no [Web] CertFile and KeyFile: plain HTTP on loopback only "
                                  "(127.0.0.1), not on ") +
                   host + QStringLiteral("; put a reverse proxy with TLS in front");
        c.address = INADDR_LOOPBACK;
    }

    const QString timeoutText = web("RequestTimeout");
    bool timeoutOk = true;
    if (!timeoutText.isEmpty())
        c.requestTimeoutSeconds = timeoutText.toInt(&timeoutOk);
    if (!timeoutOk || c.requestTimeoutSeconds < 1 || c.requestTimeoutSeconds > 3600) {
        *error = QStringLiteral("Config.ini: [Web] RequestTimeout must be 1 to 3600 seconds: ") +
                 timeoutText;
        return std::nullopt;
    }

    // Written as the server writes a client's address, so that the two compare as text.
    const QString proxy = web("ProxyAddress").trimmed();
    if (!proxy.isEmpty()) {
        c.proxyAddress = NormalAddress(proxy);
        if (c.proxyAddress.isEmpty()) {
            *error =
                QStringLiteral("Config.ini: [Web] ProxyAddress must be an IP address: ") + proxy;
            return std::nullopt;
        }
    }
    const QString https = web("ProxyHttps").trimmed();
    if (!https.isEmpty() && https != u"0" && https != u"1") {
        *error = QStringLiteral("Config.ini: [Web] ProxyHttps must be 0 or 1: ") + https;
        return std::nullopt;
    }
    c.proxyHttps = https == u"1";
    return c;
}

QString NormalAddress(const QString &text)
{
    const QByteArray latin = text.toLatin1();
    char out[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, latin.constData(), &v4) == 1)
        inet_ntop(AF_INET, &v4, out, sizeof out);
    else if (inet_pton(AF_INET6, latin.constData(), &v6) == 1)
        inet_ntop(AF_INET6, &v6, out, sizeof out);
    return QString::fromLatin1(out);
}

} // namespace vesk::web
