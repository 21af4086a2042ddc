#include "MailSettings.h"

#include "IniFile.h"
#include "MailAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace vesk {

namespace {

bool loopback(const QString &host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    return inet_pton(AF_INET6, text.constData(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

QString besideConfig(const QString &configFile, const QString &name)
{
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    return QFileInfo(configFile).absoluteDir().filePath(name);
}

} // namespace

std::optional<MailSettings> ReadMailSettings(const QString &configFile, QString *error)
{
    const IniFile ini = IniFile::config(configFile);
    const auto value = [&ini](const char *key) {
        return ini.readString(QStringLiteral("Mail"), QLatin1String(key));
    };
    const auto bad = [error](const QString &why) {
        *error = QStringLiteral("Config.ini: [Mail] ") + why;
        return std::nullopt;
    };
    MailSettings s;
    const QString server = value("Server");
    if (server.isEmpty())
        return bad(QStringLiteral("Server=HOST:PORT is not set"));
    const qsizetype colon = server.lastIndexOf(u':');
    bool portOk = false;
    s.port = colon < 0 ? 0 : server.mid(colon + 1).toInt(&portOk);
    s.host = colon < 0 ? QString() : server.left(colon);
    if (s.host.startsWith(u'[') && s.host.endsWith(u']'))
        s.host = s.host.mid(1, s.host.size() - 2);
    if (!portOk || s.port <= 0 || s.port > 65535 || s.host.isEmpty())
        return bad(QStringLiteral("Server must be a host and a port (HOST:PORT): ") + server);
    for (const QChar c : s.host) {
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u':') || c.unicode() > 126)
            return bad(QStringLiteral("Server names no host: ") + server);
    }

    const QString security = value("Security").toLower();
    if (security.isEmpty() || security == u"starttls") {
        s.security = MailSecurity::StartTls;
    } else if (security == u"tls") {
        s.security = MailSecurity::Tls;
    } else if (security == u"none") {
        if (!loopback(s.host))
            return bad(QStringLiteral("Security=none sends passwords and statements in plain "
                                      "text: it is allowed only to a loopback address "
                                      "(127.0.0.1, ::1, localhost), not to ") +
                       s.host);
        s.security = MailSecurity::None;
    } else {
        return bad(QStringLiteral("Security must be starttls, tls or none: ") + security);
    }

    if (!value("Password").isEmpty())
        return bad(QStringLiteral("Password= is not read: put the password in a file readable "
                                  "by the service only and name it with PasswordFile="));
    s.user = value("User");
    s.passwordFile = besideConfig(configFile, value("PasswordFile"));
    if (!s.user.isEmpty() && s.passwordFile.isEmpty())
        return bad(QStringLiteral("User= needs PasswordFile= (a file holding the password)"));
    s.from = value("From");
    if (!IsMailAddress(s.from))
        return bad(QStringLiteral("From must be a plain address (name@domain): ") + s.from);
    s.caFile = besideConfig(configFile, value("CAFile"));
    if (!s.caFile.isEmpty() && !QFileInfo(s.caFile).isReadable())
        return bad(QStringLiteral("CAFile cannot be read: ") + s.caFile);
    return s;
}

std::optional<QByteArray> ReadMailPassword(const MailSettings &settings, QString *error)
{
    QFile f(settings.passwordFile);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the mail password file %1: %2")
                     .arg(settings.passwordFile, f.errorString());
        return std::nullopt;
    }
    QByteArray line = f.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace vesk
