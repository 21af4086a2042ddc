// The trend chart of a search as one picture: pages over time above, the four top lists below.
#pragma once

#include "Catalogue.h"
#include "TrendData.h"

#include <QGraphicsScene>
#include <QImage>
#include <QString>

namespace vesk {

// Builds the Qt Charts items of `data` into a scene of a fixed size, so the window, the saved
// PNG and `vesk report --chart` show the same picture. Needs a QApplication (Qt Charts draws
// with widgets' styles); window thread only.
class TrendPicture
{
public:
    static constexpr int Width = 1200;
    static constexpr int Height = 1200;
    // Names per top list.
    static constexpr int TopCount = 10;

    TrendPicture(const TrendData &data, const LangLookup &lang);

    QGraphicsScene &scene() { return scene_; }
    QImage image();
    // Writes the picture as PNG; false with a reason when the file cannot be written.
    bool savePng(const QString &file, QString *error = nullptr);

private:
    QGraphicsScene scene_;
};

// The catalogue key of the time chart's title for a bucket ("RSChartPerDay", ...).
QString TrendBucketTitleKey(TrendBucket bucket);

} // namespace vesk
