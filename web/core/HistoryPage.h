// The print history: a search form, the downloads of the search, and its records a page at a
// time in any column's order.
#pragma once

#include "WebPage.h"

#include <QSqlDatabase>

namespace vesk::web {

Response HistoryPage(const Request &r, const QSqlDatabase &db, const PageContext &c);

} // namespace vesk::web
