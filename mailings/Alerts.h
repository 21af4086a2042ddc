// The alerts: a department whose month's spending passes 80 % and 100 % of its budget (to the
// accounts of that department and the administrators, each threshold once per department and
// month), a printer's paper below its minimum (to the administrators, once each time it falls
// below). Only accounts that are enabled and have an address receive them.
#pragma once

#include "Catalogue.h"
#include "MailOutlet.h"
#include "Money.h"
#include "WebAccounts.h"

#include <QDate>
#include <QSqlDatabase>

#include <vector>

namespace vesk {

struct AlertContext
{
    const LangLookup &english;
    const LangLookup &chinese;
    Currency currency;
    QDate today; // the budgets of its month
};

// Sends through `outlet` every alert that is due and not yet recorded. A paper back at or above
// its minimum has its alerts forgotten (not in a dry run), so its next fall is told. Failures
// are kept in the outlet; false only where the budgets or the stock could not be read.
bool SendAlerts(const QSqlDatabase &db, const std::vector<WebAccount> &accounts,
                const AlertContext &context, MailOutlet &outlet);

} // namespace vesk
