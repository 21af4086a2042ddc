// The trend of a search as an inline SVG picture: pages per day, week or month as bars.
#pragma once

#include "Catalogue.h"
#include "TrendData.h"

#include <QString>

namespace vesk::web {

// A self-contained <svg> element (no script, no style element: the page's style sheet and
// presentation attributes only) that scales to the page's width. Every text is escaped.
QString TrendSvg(const TrendData &data, const LangLookup &lang);

} // namespace vesk::web
