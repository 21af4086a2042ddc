// The trend chart of a search as one picture: pages or cost over time above, the four top lists
// below.
#pragma once

#include "Catalogue.h"
#include "Money.h"
#include "TrendData.h"

#include <QImage>
#include <QRect>
#include <QString>

namespace vesk {

// The chart drawn as SVG (TrendChartSvg) and painted by Qt Svg's renderer, so the window, the
// saved PNG and `vesk report --chart` show the same picture. Painting text needs a
// QGuiApplication; no widgets.
class TrendPicture
{
public:
    static constexpr int Width = 1200;
    static constexpr int Height = 1200;
    // Names per top list.
    static constexpr int TopCount = 10;

    // The cost measure wants the data read with TrendFigures::WithCost; its money is written in
    // `currency`.
    TrendPicture(const TrendData &data, const LangLookup &lang,
                 TrendMeasure measure = TrendMeasure::Pages, const Currency &currency = {});

    const QString &svg() const { return svg_; }
    QImage image() const;
    // Writes the picture as PNG; false with a reason when the file cannot be written.
    bool savePng(const QString &file, QString *error = nullptr) const;

    // Where chart `chart` is drawn: 0 the time chart, then the top lists in TrendGroup order.
    static QRect ChartPlace(int chart);

private:
    QString svg_;
};

} // namespace vesk
