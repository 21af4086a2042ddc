// Signed-in sessions and the slowing of failed sign-ins, in memory, shared by the server's threads.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <chrono>
#include <mutex>
#include <optional>

namespace vesk::web {

using Clock = std::chrono::steady_clock;

// 32 random bytes from libsodium as 64 hex digits.
QByteArray RandomToken();

struct Session
{
    QString account;
    QByteArray stamp;     // of the account as signed in (AccountStamp): a change ends the session
    QByteArray formToken; // every form that changes something carries it
    Clock::time_point lastSeen;
};

// Sessions by their token. A session unused for `idle` ends; a signed-in account gets a new token
// each time, and signing out ends it at once.
class SessionStore
{
public:
    explicit SessionStore(std::chrono::seconds idle = std::chrono::minutes(30)) : idle_(idle) {}

    // A new session for the account with its stamp; its token.
    QByteArray Start(const QString &account, const QByteArray &stamp,
                     Clock::time_point now = Clock::now());
    // The live session of a token (its idle time starts again), or nothing.
    std::optional<Session> Touch(const QByteArray &token, Clock::time_point now = Clock::now());
    void End(const QByteArray &token);
    // Ends every session of the account (disabled or deleted).
    void EndAccount(const QString &account);
    int Count() const;

private:
    void sweep(Clock::time_point now);

    mutable std::mutex lock_;
    std::chrono::seconds idle_;
    QHash<QByteArray, Session> sessions_;
    Clock::time_point lastSweep_{};
};

// Failed sign-ins per account name (letter case ignored) and per client address. After
// `FreeFailures` failures in a row a further try is refused until a wait that doubles with each
// failure (1 s, 2 s, 4 s, ... at most 15 minutes) has passed since the last one. A success
// clears the account's count; the address's count fades after an hour without failures.
class SignInThrottle
{
public:
    static constexpr int FreeFailures = 5;

    // How long the caller must still wait (0: may try now); counts nothing.
    std::chrono::seconds Wait(const QString &account, const QString &address,
                              Clock::time_point now = Clock::now()) const;
    // The same check, and where the try may go ahead it is counted as failed at once, under the
    // same lock: tries made at the same moment cannot all pass one check before any is counted.
    std::chrono::seconds Try(const QString &account, const QString &address,
                             Clock::time_point now = Clock::now());
    // The try failed (it is counted already): the wait runs from now.
    void Failed(const QString &account, const QString &address,
                Clock::time_point now = Clock::now());
    // The try succeeded: clears the account's count and takes the try back from the address's.
    void Succeeded(const QString &account, const QString &address);

private:
    struct Count
    {
        int failures = 0;
        Clock::time_point last;
    };
    static std::chrono::seconds waitFor(const Count &c, Clock::time_point now);

    mutable std::mutex lock_;
    QHash<QString, Count> accounts_;
    QHash<QString, Count> addresses_;
};

} // namespace vesk::web
