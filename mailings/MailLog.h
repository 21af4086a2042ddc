// tMailSent: what the server accepted, per account, kind, month and item. A message is recorded
// only once the server has accepted it, so one that was refused or never reached the server is
// tried again at the next run, and one that was accepted is never sent again by itself.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace vesk {

struct MailKey
{
    QString account;
    QString kind;   // "statement", "budget80", "budget100", "paper"
    QString period; // "yyyy-mm"; empty for a paper alert
    QString item;   // the department, or printer and paper; empty for a statement
};

// Whether the message was sent; nullopt with the database's text.
std::optional<bool> WasMailed(const QSqlDatabase &db, const MailKey &key, QString *error);
// Records it sent now (again: the time of the last sending). Every value is bound.
bool RecordMailed(const QSqlDatabase &db, const MailKey &key, QString *error);
// Forgets the messages of a kind and item for every account (a paper alert whose stock is above
// its minimum again, so the next fall is told).
bool ForgetMailed(const QSqlDatabase &db, const QString &kind, const QString &item, QString *error);

} // namespace vesk
