// The engines' interrupt calls behind one small class.
#include "StatementCanceller.h"

#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QThreadPool>
#include <QVariant>

#include <sqlite3.h>

#include <libpq-fe.h>

namespace vesk {

// Owns the session's cancel key; it stays usable after the session has gone.
struct StatementCanceller::PgCancel
{
    explicit PgCancel(PGcancel *c) : cancel(c) {}
    ~PgCancel() { PQfreeCancel(cancel); }
    PgCancel(const PgCancel &) = delete;
    PgCancel &operator=(const PgCancel &) = delete;
    PGcancel *cancel;
};

StatementCanceller::StatementCanceller() = default;
// A cancel still being sent refers to this object: wait for it.
StatementCanceller::~StatementCanceller()
{
    detach();
}

void StatementCanceller::attach(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    QMutexLocker lock(&mutex_);
    sqlite_ = nullptr;
    pg_.reset();
    if (!handle.isValid())
        return;
    if (qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite_ = *static_cast<sqlite3 *const *>(handle.constData());
    } else if (qstrcmp(handle.typeName(), "pg_conn*") == 0 ||
               qstrcmp(handle.typeName(), "PGconn*") == 0) {
        // Qt names the handle's type after libpq's struct (Qt 6.4: "pg_conn*").
        PGconn *conn = *static_cast<PGconn *const *>(handle.constData());
        if (PGcancel *c = conn ? PQgetCancel(conn) : nullptr)
            pg_ = std::make_shared<PgCancel>(c);
    }
}

void StatementCanceller::detach()
{
    QMutexLocker lock(&mutex_);
    sqlite_ = nullptr;
    pg_.reset();
    // The server has passed a cancel on to the session once PQcancel returns; one that finds the
    // session idle is dropped there.
    while (pgSending_ > 0)
        pgSent_.wait(&mutex_);
}

void StatementCanceller::cancel()
{
    cancelled_ = true;
    QMutexLocker lock(&mutex_);
    if (sqlite_)
        sqlite3_interrupt(static_cast<sqlite3 *>(sqlite_));
    if (pg_) {
        ++pgSending_;
        QThreadPool::globalInstance()->start([this, key = pg_] {
            char error[256];
            PQcancel(key->cancel, error, sizeof error);
            QMutexLocker sent(&mutex_);
            --pgSending_;
            pgSent_.wakeAll();
        });
    }
}

} // namespace vesk
