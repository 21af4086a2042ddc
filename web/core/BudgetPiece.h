// The overview's budgets and paper: each department in scope with a budget as a bar (spent,
// share, forecast), and for an administrator the papers below their minimum.
#pragma once

#include "WebPage.h"

#include <QSqlDatabase>

#include <optional>

namespace vesk::web {

// The HTML of both parts for this month (empty where there is nothing to show); nothing with the
// database's text in `why` on a failure.
std::optional<QString> BudgetPiece(const QSqlDatabase &db, const PageContext &c, QString *why);

} // namespace vesk::web
