// `vesk summary`: the totals of a search by department, printer, computer and employee as text.
#pragma once

#include "Catalogue.h"
#include "TrendData.h"

#include <QString>

namespace vesk {

// One block per group: its title, then one line per name with pages and jobs in aligned
// columns, most pages first, and the total line of the search at the end.
QString TrendSummaryText(const TrendData &data, const LangLookup &lang);

// The same figures as CSV (CRLF line ends, RFC 4180 quoting): a heading row, then one row per
// group and name: group title, name, pages, jobs.
QString TrendSummaryCsv(const TrendData &data, const LangLookup &lang);

} // namespace vesk
