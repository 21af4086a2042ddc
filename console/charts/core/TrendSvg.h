// The trend of a search drawn as SVG: the web view's inline picture of pages over time, and the
// whole chart (pages or cost over time above, the four top lists below) that the console's window
// shows and `vesk report --chart` writes. One drawing, no widgets.
#pragma once

#include "Catalogue.h"
#include "Money.h"
#include "TrendData.h"

#include <QString>

namespace vesk {

// A self-contained <svg> element (no script, no style element: the page's style sheet and
// presentation attributes only) that scales to the page's width: pages per day, week or month as
// bars. Every text is escaped.
QString TrendSvg(const TrendData &data, const LangLookup &lang);

// The whole chart as an SVG document of `width` x `height` (a 3:2 time chart above a 2 x 2 grid of
// the top lists, each drawn as the web view draws and scaled to its place), at most `topCount`
// names per list. Each chart is a <g class="chart"> with its title first; each bar carries a
// <title> "name: figure". The figures are pages, or with TrendMeasure::Cost the cost (top lists
// ranked by it) written as money in `currency`, with the separators of the catalogue's language.
QString TrendChartSvg(const TrendData &data, const LangLookup &lang, int width, int height,
                      int topCount, TrendMeasure measure = TrendMeasure::Pages,
                      const Currency &currency = {});

// The catalogue key of the time chart's title for a bucket ("RSChartPerDay", ...).
QString TrendBucketTitleKey(TrendBucket bucket, TrendMeasure measure = TrendMeasure::Pages);

} // namespace vesk
