#include "MailLog.h"

#include "Database.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace vesk {

namespace {

// An empty part of the key is stored as '', never NULL (a null QString binds as NULL).
QVariantList keyValues(const MailKey &key)
{
    QVariantList out;
    for (const QString *part : {&key.account, &key.kind, &key.period, &key.item})
        out << (part->isNull() ? QStringLiteral("") : *part);
    return out;
}

} // namespace

std::optional<bool> WasMailed(const QSqlDatabase &db, const MailKey &key, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q,
                      QStringLiteral("select count(*) from tMailSent where Account = ? and Kind = "
                                     "? and Period = ? and Item = ?"),
                      keyValues(key), error) ||
        !q.next())
        return std::nullopt;
    return q.value(0).toInt() > 0;
}

bool RecordMailed(const QSqlDatabase &db, const MailKey &key, QString *error)
{
    QSqlDatabase write = db;
    if (!beginWrite(write, error))
        return false;
    QSqlQuery q(write);
    const QVariantList where = keyValues(key);
    const bool ok =
        runStatement(q,
                     QStringLiteral("delete from tMailSent where Account = ? and Kind = ? and "
                                    "Period = ? and Item = ?"),
                     where, error) &&
        runStatement(q,
                     QStringLiteral("insert into tMailSent (Account, Kind, Period, Item, SentAt) "
                                    "values (?, ?, ?, ?, ?)"),
                     where + QVariantList{QDateTime::currentDateTime().toString(
                                 QStringLiteral("yyyy-MM-dd hh:mm:ss"))},
                     error);
    q.finish();
    if (ok)
        return commitWrite(write, error);
    rollbackWrite(write);
    return false;
}

bool ForgetMailed(const QSqlDatabase &db, const QString &kind, const QString &item, QString *error)
{
    QSqlQuery q(db);
    return runStatement(q, QStringLiteral("delete from tMailSent where Kind = ? and Item = ?"),
                        {kind, item.isNull() ? QStringLiteral("") : item}, error);
}

} // namespace vesk
