// The overview: a period's figures, the trend and the top ten of each kind.
#pragma once

#include "WebPage.h"

#include <QSqlDatabase>

namespace vesk::web {

Response OverviewPage(const Request &r, const QSqlDatabase &db, const PageContext &c);

} // namespace vesk::web
