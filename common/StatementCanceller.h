// Stops the statement running on another thread's connection: the engine's own interrupt.
#pragma once

#include <QMutex>
#include <QWaitCondition>

#include <atomic>
#include <memory>

class QSqlDatabase;

namespace vesk {

// The connection's thread attaches its open connection before running a statement and detaches
// it before closing it; any other thread may cancel in between. SQLite: sqlite3_interrupt on the
// handle, which ends the running statement with "interrupted" (a no-op when none runs).
// PostgreSQL: PQcancel with the session's cancel key, sent from the thread pool because it opens
// a connection of its own to the server (a window thread never waits on the network); the server
// ends the running statement with "canceling statement due to user request". A statement that
// starts after a cancel sees cancelled() and should not run at all. A connection runs statements
// after the one cancelled: detach waits for cancels still on their way, so a late one never stops
// the next statement.
class StatementCanceller
{
public:
    StatementCanceller();
    ~StatementCanceller();
    StatementCanceller(const StatementCanceller &) = delete;
    StatementCanceller &operator=(const StatementCanceller &) = delete;

    // On the connection's thread.
    void attach(const QSqlDatabase &db);
    void detach();

    // Any thread; may be called again (a statement that had not yet begun is stopped by a later
    // call).
    void cancel();
    bool cancelled() const { return cancelled_; }

private:
    struct PgCancel;
    QMutex mutex_;
    void *sqlite_ = nullptr; // sqlite3*, valid while attached
    std::shared_ptr<PgCancel> pg_;
    int pgSending_ = 0; // cancels sent from the thread pool and not yet answered
    QWaitCondition pgSent_;
    std::atomic<bool> cancelled_{false};
};

} // namespace vesk
