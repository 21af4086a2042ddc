// The print history's files as readers outside the console receive them (the web view's
// downloads, the mailed statements): the grouped report and the records' export of a search,
// with document names hidden as the privacy settings ask.
#pragma once

#include "Catalogue.h"
#include "DocumentPrivacy.h"
#include "Money.h"

#include <QSqlDatabase>
#include <QString>

namespace vesk {

// The grouped report of the records `filter` selects, grouped by `groupField` (a report group
// column of tPrinterData), as PDF. While any names are hidden the report has no document column:
// it prints whole rows. Its titles come from `lang`, not from the console's column settings;
// its cost is money in `currency`. False with the reason.
bool WriteHistoryReportPdf(QSqlDatabase db, const QString &filter, const QString &groupField,
                           const LangLookup &lang, const DocumentPrivacy &privacy,
                           const QString &file, QString *error, const Currency &currency = {});

// The records as a workbook or CSV (by the file's name); the names the settings hide are replaced
// in the statement itself, whether or not an agent has redacted them yet. The cost is money in
// `currency`.
bool WriteHistoryExport(QSqlDatabase db, const QString &filter, const LangLookup &lang,
                        const DocumentPrivacy &privacy, const QString &file, QString *error,
                        const Currency &currency = {});

} // namespace vesk
