// One message: a recipient, a subject, a text part with an HTML alternative, attachments.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace vesk {

struct MailAttachment
{
    QString fileName;       // plain ASCII, chosen by the program ("vesk-report-2026-11.pdf")
    QByteArray contentType; // "application/pdf"
    QByteArray data;
};

struct MailMessage
{
    QString to;      // one plain address (IsMailAddress): a refusal concerns only this message
    QString subject; // any text: control characters become spaces, non-ASCII is encoded
    QString text;
    QString html; // empty: the text alone
    std::vector<MailAttachment> attachments;
};

// A header value taken from data, safe to send: every control character (CR and LF among them)
// and Unicode line separator becomes a space, so the value can never end its header and start
// another; text that is not plain ASCII (or looks like an encoded word) is written as RFC 2047
// encoded words (UTF-8, base64), none longer than 75 characters, on folded lines.
QByteArray HeaderText(const QString &value);

} // namespace vesk
