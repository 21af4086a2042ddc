// Sends messages over SMTP with libcurl: its MIME API composes the message (the alternative text
// and HTML parts, the attachments, their encodings), its SMTP client speaks to the server. The
// server's certificate is always verified.
#pragma once

#include "MailMessage.h"
#include "MailSettings.h"

#include <QString>

#include <optional>

namespace vesk {

class MailSender
{
public:
    explicit MailSender(MailSettings settings) : settings_(std::move(settings)) {}

    // One message to its one recipient; true once the server has accepted it (its answer to
    // the message's end). Otherwise false with the reason: the connection, TLS, AUTH or the
    // server's refusal (a recipient it does not take). Each message is its own connection.
    bool Send(const MailMessage &message, QString *error);

private:
    MailSettings settings_;
    std::optional<QByteArray> password_;
};

// The message exactly as Send would compose it, written to `file` (an .eml file) instead of
// sent: libcurl hands it to a listener of this process on the loopback address, which keeps its
// text. For trying statements out without a server.
bool WriteMailFile(const MailSettings &settings, const MailMessage &message, const QString &file,
                   QString *error);

} // namespace vesk
