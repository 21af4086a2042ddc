// [Mail] of Config.ini: where and how messages are sent.
#pragma once

#include <QString>

#include <optional>

namespace vesk {

enum class MailSecurity
{
    StartTls, // SMTP upgraded with STARTTLS, refused when the server does not offer it
    Tls,      // SMTP inside TLS from the first byte (smtps)
    None,     // plain text: only to a loopback address (a relay on the same machine)
};

struct MailSettings
{
    QString host;
    int port = 587;
    MailSecurity security = MailSecurity::StartTls;
    QString user;         // empty: no AUTH
    QString passwordFile; // the password's file (its first line); never in Config.ini itself
    QString from;         // the sender's address
    QString caFile;       // certificates to verify the server with; empty: the system's
};

// Reads and checks [Mail] of the Config.ini at `configFile`; relative file names are taken from
// the file's folder. Server=HOST:PORT (IPv6 as [ADDR]:PORT), Security=starttls|tls|none (none
// only to a loopback address), User=, PasswordFile= (required with User=; a Password= key is
// refused), From= (a plain address), CAFile=. nullopt with the reason.
std::optional<MailSettings> ReadMailSettings(const QString &configFile, QString *error);

// The first line of the password file, without its line end; nullopt with the reason.
std::optional<QByteArray> ReadMailPassword(const MailSettings &settings, QString *error);

} // namespace vesk
