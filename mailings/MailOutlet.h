// Where a run's messages go: the SMTP server of [Mail], or, for a dry run, a folder that gets each
// message as an .eml file (composed the same way, nothing sent, nothing recorded).
#pragma once

#include "MailLog.h"
#include "MailMessage.h"
#include "MailSender.h"
#include "MailSettings.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace vesk {

class MailOutlet
{
public:
    // `dryRunDir` empty: sent through `settings`.
    MailOutlet(MailSettings settings, QString dryRunDir);

    bool dryRun() const { return !dryRunDir_.isEmpty(); }

    // Sends (or writes) `m` and, once the server has accepted it, records `key` in `db`. A
    // failure is kept as one line in Failures() and the run goes on with the next message.
    bool Deliver(const QSqlDatabase &db, const MailKey &key, const MailMessage &m);
    // A failure before a message could be sent (composing it).
    void Fail(const MailKey &key, const QString &why);

    const QStringList &Failures() const { return failures_; }
    // One line per message delivered: "kind period item -> address".
    const QStringList &Delivered() const { return delivered_; }

private:
    MailSender sender_;
    MailSettings settings_;
    QString dryRunDir_;
    QStringList failures_, delivered_;
    int written_ = 0;
};

// What a message is, for the lines of a run: "statement 2026-11 to boss" (without an account:
// "budget80 2026-12 (Sales)").
QString DescribeMail(const MailKey &key);

} // namespace vesk
