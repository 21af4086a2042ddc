// The web view's sign-in accounts (tWebAccount): Argon2id password hashes and the account rows,
// for vesk-web and for `vesk web user`.
#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace vesk {

struct WebAccount
{
    QString name;
    QString passwordHash; // libsodium's crypto_pwhash_str text (Argon2id)
    QString dept;         // the department whose subtree the account sees; empty: deleted
    bool admin = false;   // sees every department and chooses any scope
    QString lang;         // "en", "cn", or empty: the browser's Accept-Language decides
    bool disabled = false;
    QString lastSignIn; // "yyyy-mm-dd hh:mm:ss", empty before the first
    QString email;      // where statements and alerts go; empty: none are mailed
};

// Argon2id of the password (libsodium's interactive limits); empty when libsodium fails or the
// password is empty. Hashes are computed one at a time: each takes 64 MiB for a moment.
QString HashWebPassword(const QByteArray &password);
// Whether `password` matches `hash`; false for an empty or malformed hash.
bool VerifyWebPassword(const QString &hash, const QByteArray &password);
// Takes as long as a verification against a real hash: a sign-in with an unknown name costs the
// same time as one with a wrong password.
void VerifyAgainstDummy(const QByteArray &password);
// The password read from a file or standard input: its first line, without the line end.
QByteArray PasswordFromText(const QByteArray &text);

// What a signed-in session must still find in its account: a digest of the name, the password
// hash, the department and the administrator flag. The hash's salt is new for every password set,
// so an account deleted and added again under its name has another stamp even with the same
// password.
QByteArray AccountStamp(const WebAccount &account);

// Rows of tWebAccount; names compare as the database compares text (letter case ignored).
// Every value is bound. Failures: false (or nullopt) with the database's text; a missing
// account is not an error for Find (nullopt, `error` empty).
std::optional<WebAccount> FindWebAccount(const QSqlDatabase &db, const QString &name,
                                         QString *error = nullptr);
std::optional<std::vector<WebAccount>> ListWebAccounts(const QSqlDatabase &db,
                                                       QString *error = nullptr);
bool AddWebAccount(const QSqlDatabase &db, const WebAccount &account, QString *error = nullptr);
// The number of accounts changed (0: no such name), or -1 with the database's text.
int SetWebPassword(const QSqlDatabase &db, const QString &name, const QString &hash,
                   QString *error = nullptr);
// The address checked by the caller (IsMailAddress); empty removes it.
int SetWebEmail(const QSqlDatabase &db, const QString &name, const QString &email,
                QString *error = nullptr);
int DisableWebAccount(const QSqlDatabase &db, const QString &name, QString *error = nullptr);
int DeleteWebAccount(const QSqlDatabase &db, const QString &name, QString *error = nullptr);
int TouchWebSignIn(const QSqlDatabase &db, const QString &name, const QString &when,
                   QString *error = nullptr);

} // namespace vesk
