// `vesk summary`: the totals of a search by department, printer, computer and employee as text.
#pragma once

#include "Catalogue.h"
#include "Money.h"
#include "TrendData.h"

#include <QString>

namespace vesk {

// One block per group: its title, then one line per name with pages, jobs and cost (with the
// currency's code) in aligned columns, most pages first, and the total line of the search at the
// end. Every name of each group is expected (as read with no top limit): the total's cost is the
// departments'.
QString TrendSummaryText(const TrendData &data, const LangLookup &lang,
                         const Currency &currency = {});

// The same figures as CSV (CRLF line ends, RFC 4180 quoting): a heading row, then one row per
// group and name: group title, name, pages, jobs, cost (a plain number with a point).
QString TrendSummaryCsv(const TrendData &data, const LangLookup &lang,
                        const Currency &currency = {});

} // namespace vesk
