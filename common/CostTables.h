// The tables of what printing costs: the price list, paper factors, department budgets, the paper
// bought per printer and the minimum stock per paper.
#pragma once

#include "ConnectionString.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace vesk {

// tPrice: the default prices (PrinterName '') and a printer's own, a row each. Prices are
// millionths of the currency's minor unit per page, the two-sided factor ten thousandths (Money.h);
// NULL where a part is unset (the default's applies).
// tPaperFactor: a factor (ten thousandths) per paper, matched by size when a job is costed.
// tBudget: a department's monthly amount in minor units.
// tPageManager: paper bought for a printer: the paper, sheets, money paid (minor units), when
// bought and when entered. tPageType: the minimum stock of a paper.
QStringList costTableStatements(DbEngine engine);
const QStringList &CostTables();

// The kept totals get the records' cost as a figure. Where the totals exist (without it), each
// table gets a Cost column of zeros and the triggers are made again: no stored record has a cost
// yet, so they stay exact without a rebuild. Where none exist yet, their tables and triggers are
// made and `build` builds them from the records. Inside the caller's transaction.
bool addCostToTotals(QSqlDatabase &db, bool (*build)(QSqlDatabase &db, QString *error),
                     QString *error);

} // namespace vesk
