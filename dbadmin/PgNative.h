// The libpq connection under a Qt PostgreSQL connection, for what Qt SQL does not offer
// (COPY, password verifiers).
#pragma once

#include <QSqlDatabase>

#include <libpq-fe.h>

namespace vesk {

// Null when the connection is not an open PostgreSQL one. Owned by the Qt connection; use it only
// on that connection's thread while no query of it is active.
PGconn *nativePg(const QSqlDatabase &db);

} // namespace vesk
