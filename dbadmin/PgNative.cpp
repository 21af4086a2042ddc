// The libpq connection under a Qt PostgreSQL connection.
#include "PgNative.h"

#include <QSqlDriver>
#include <QVariant>

namespace vesk {

PGconn *nativePg(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return nullptr;
    const QVariant v = db.driver()->handle();
    // Qt names the type by libpq's struct tag.
    if (v.isValid() &&
        (qstrcmp(v.typeName(), "pg_conn*") == 0 || qstrcmp(v.typeName(), "PGconn*") == 0))
        return *static_cast<PGconn *const *>(v.constData());
    return nullptr;
}

} // namespace vesk
