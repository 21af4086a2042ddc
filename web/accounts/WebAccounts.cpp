#include "WebAccounts.h"

#include "Database.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QVariant>

#include <mutex>
#include <sodium.h>

namespace vesk {

namespace {

std::mutex &hashLock()
{
    static std::mutex m;
    return m;
}

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

WebAccount accountOf(const QSqlQuery &q)
{
    WebAccount a;
    a.name = q.value(0).toString();
    a.passwordHash = q.value(1).toString();
    a.dept = q.value(2).toString();
    a.admin = q.value(3).toInt() != 0;
    a.lang = q.value(4).toString();
    a.disabled = q.value(5).toInt() != 0;
    a.lastSignIn = q.value(6).toString();
    a.email = q.value(7).toString();
    return a;
}

const char *const Columns =
    "Name, PasswordHash, DeptName, IsAdmin, Lang, Disabled, LastSignIn, Email";

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

int changeOne(const QSqlDatabase &db, const QString &statement, const QVariantList &values,
              QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, statement, values, error))
        return -1;
    return q.numRowsAffected();
}

} // namespace

QString HashWebPassword(const QByteArray &password)
{
    if (password.isEmpty() || !sodiumReady())
        return {};
    char out[crypto_pwhash_STRBYTES];
    std::lock_guard<std::mutex> lock(hashLock());
    if (crypto_pwhash_str(out, password.constData(), quint64(password.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return {};
    return QString::fromLatin1(out);
}

bool VerifyWebPassword(const QString &hash, const QByteArray &password)
{
    const QByteArray h = hash.toLatin1();
    if (h.isEmpty() || h.size() >= crypto_pwhash_STRBYTES || !sodiumReady())
        return false;
    std::lock_guard<std::mutex> lock(hashLock());
    return crypto_pwhash_str_verify(h.constData(), password.constData(),
                                    quint64(password.size())) == 0;
}

void VerifyAgainstDummy(const QByteArray &password)
{
    static const QString dummy = HashWebPassword(QByteArrayLiteral("no account has this"));
    VerifyWebPassword(dummy, password);
}

QByteArray PasswordFromText(const QByteArray &text)
{
    QByteArray line = text.left(text.indexOf('\n') < 0 ? text.size() : text.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArray AccountStamp(const WebAccount &a)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    // Each part with its length first, so that no two different accounts give the same input.
    for (const QString &part : {a.name, a.passwordHash, a.dept}) {
        const QByteArray bytes = part.toUtf8();
        h.addData(QByteArray(QByteArray::number(bytes.size()) + ':' + bytes));
    }
    h.addData(a.admin ? QByteArrayView("admin") : QByteArrayView("head"));
    return h.result();
}

std::optional<WebAccount> FindWebAccount(const QSqlDatabase &db, const QString &name,
                                         QString *error)
{
    if (error)
        error->clear();
    QSqlQuery q(db);
    if (!runStatement(
            q,
            QStringLiteral("select %1 from tWebAccount where Name = ?").arg(QLatin1String(Columns)),
            {name}, error))
        return std::nullopt;
    if (!q.next())
        return std::nullopt;
    return accountOf(q);
}

std::optional<std::vector<WebAccount>> ListWebAccounts(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(
            q,
            QStringLiteral("select %1 from tWebAccount order by Name").arg(QLatin1String(Columns)),
            {}, error))
        return std::nullopt;
    std::vector<WebAccount> all;
    while (q.next())
        all.push_back(accountOf(q));
    return all;
}

bool AddWebAccount(const QSqlDatabase &db, const WebAccount &a, QString *error)
{
    QSqlQuery q(db);
    return runStatement(
        q,
        QStringLiteral("insert into tWebAccount (%1) values (?, ?, ?, ?, ?, ?, ?, ?)")
            .arg(QLatin1String(Columns)),
        {a.name, a.passwordHash, a.dept, a.admin ? 1 : 0, a.lang, a.disabled ? 1 : 0,
         textOrNull(a.lastSignIn), textOrNull(a.email)},
        error);
}

int SetWebPassword(const QSqlDatabase &db, const QString &name, const QString &hash, QString *error)
{
    // A new password also enables a disabled account again, but not one whose department was
    // deleted: it would see nothing, or what a later department of that name holds.
    return changeOne(db,
                     QStringLiteral("update tWebAccount set PasswordHash = ?, Disabled = case "
                                    "when DeptName is null then 1 else 0 end where Name = ?"),
                     {hash, name}, error);
}

int SetWebEmail(const QSqlDatabase &db, const QString &name, const QString &email, QString *error)
{
    return changeOne(db, QStringLiteral("update tWebAccount set Email = ? where Name = ?"),
                     {textOrNull(email), name}, error);
}

int DisableWebAccount(const QSqlDatabase &db, const QString &name, QString *error)
{
    return changeOne(db, QStringLiteral("update tWebAccount set Disabled = 1 where Name = ?"),
                     {name}, error);
}

int DeleteWebAccount(const QSqlDatabase &db, const QString &name, QString *error)
{
    return changeOne(db, QStringLiteral("delete from tWebAccount where Name = ?"), {name}, error);
}

int TouchWebSignIn(const QSqlDatabase &db, const QString &name, const QString &when, QString *error)
{
    return changeOne(db, QStringLiteral("update tWebAccount set LastSignIn = ? where Name = ?"),
                     {when, name}, error);
}

} // namespace vesk
