// The chart's SVG painted into an image, and saved as PNG.
#include "TrendPicture.h"

#include "TrendSvg.h"

#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

namespace vesk {

TrendPicture::TrendPicture(const TrendData &data, const LangLookup &lang, TrendMeasure measure,
                           const Currency &currency)
    : svg_(TrendChartSvg(data, lang, Width, Height, TopCount, measure, currency))
{}

QImage TrendPicture::image() const
{
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QSvgRenderer renderer(svg_.toUtf8());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer.render(&painter, QRectF(0, 0, Width, Height));
    return image;
}

bool TrendPicture::savePng(const QString &file, QString *error) const
{
    // Written under a temporary name and renamed: a failure leaves no partial picture.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !image().save(&out, "PNG") || !out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

QRect TrendPicture::ChartPlace(int chart)
{
    const int third = Height / 3;
    if (chart == 0)
        return QRect(0, 0, Width, third);
    const int g = chart - 1;
    return QRect(g % 2 * Width / 2, (1 + g / 2) * third, Width / 2, third);
}

} // namespace vesk
