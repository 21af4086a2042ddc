// Qt Charts items of a trend: a line of pages per bucket and four horizontal bar charts.
#include "TrendPicture.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QDateTimeAxis>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QPainter>
#include <QSaveFile>
#include <QValueAxis>

#include <algorithm>

namespace vesk {

namespace {

constexpr int TimeChartHeight = 400;
// Long names are cut so the bars keep their room.
constexpr int MaxNameLength = 28;

QChart *newChart(const QString &title, const QRectF &place)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setGeometry(place);
    chart->setBackgroundRoundness(0);
    return chart;
}

QString dateFormat(TrendBucket bucket)
{
    switch (bucket) {
    case TrendBucket::Day:
        return QStringLiteral("MM-dd");
    case TrendBucket::Week:
        return QStringLiteral("yyyy-MM-dd");
    case TrendBucket::Month:
        break;
    }
    return QStringLiteral("yyyy-MM");
}

QChart *timeChart(const TrendData &data, const LangLookup &lang, const QRectF &place)
{
    QChart *chart = newChart(lang(TrendBucketTitleKey(data.bucket)), place);
    auto *series = new QLineSeries;
    series->setPointsVisible(data.points.size() <= 62);
    qint64 top = 0;
    for (const TrendPoint &p : data.points) {
        series->append(double(p.start.startOfDay().toMSecsSinceEpoch()), double(p.pages));
        top = std::max(top, p.pages);
    }
    chart->addSeries(series);
    auto *x = new QDateTimeAxis;
    x->setFormat(dateFormat(data.bucket));
    x->setTickCount(int(std::clamp<size_t>(data.points.size(), 2, 13)));
    if (!data.points.empty()) {
        x->setRange(
            data.points.front().start.startOfDay(),
            std::max(data.points.back().start, data.points.front().start.addDays(1)).startOfDay());
    }
    auto *y = new QValueAxis;
    y->setLabelFormat(QStringLiteral("%d"));
    y->setRange(0, double(std::max<qint64>(top, 1)) * 1.05);
    y->applyNiceNumbers();
    y->setTitleText(lang(QStringLiteral("RSChartPages")));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    return chart;
}

QChart *topChart(TrendGroup group, const std::vector<TrendTotal> &totals, const LangLookup &lang,
                 const QRectF &place)
{
    static const char *const titles[TrendGroupCount] = {"RSChartTopDept", "RSChartTopPrinter",
                                                        "RSChartTopHost", "RSChartTopEm"};
    QChart *chart = newChart(lang(QLatin1String(titles[group])), place);
    auto *set = new QBarSet(lang(QStringLiteral("RSChartPages")));
    QStringList names;
    qint64 top = 0;
    const size_t shown = std::min<size_t>(totals.size(), TrendPicture::TopCount);
    // The bar axis runs upwards: the largest total goes last so it is drawn on top.
    for (size_t i = shown; i-- > 0;) {
        const TrendTotal &t = totals[i];
        QString name = t.name.isEmpty() ? QStringLiteral("-") : t.name;
        if (name.size() > MaxNameLength)
            name = name.left(MaxNameLength - 1) + QChar(0x2026);
        // Equal names would merge into one category; a trailing blank keeps them apart.
        while (names.contains(name))
            name += u' ';
        names << name;
        *set << double(t.pages);
        top = std::max(top, t.pages);
    }
    set->setLabelColor(Qt::black);
    auto *series = new QHorizontalBarSeries;
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    chart->addSeries(series);
    auto *y = new QBarCategoryAxis;
    y->append(names);
    auto *x = new QValueAxis;
    x->setLabelFormat(QStringLiteral("%d"));
    // Room for the figures beside the longest bar.
    x->setRange(0, double(std::max<qint64>(top, 1)) * 1.25);
    x->applyNiceNumbers();
    chart->addAxis(y, Qt::AlignLeft);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(y);
    series->attachAxis(x);
    return chart;
}

} // namespace

QString TrendBucketTitleKey(TrendBucket bucket)
{
    switch (bucket) {
    case TrendBucket::Day:
        return QStringLiteral("RSChartPerDay");
    case TrendBucket::Week:
        return QStringLiteral("RSChartPerWeek");
    case TrendBucket::Month:
        break;
    }
    return QStringLiteral("RSChartPerMonth");
}

TrendPicture::TrendPicture(const TrendData &data, const LangLookup &lang)
{
    scene_.setSceneRect(0, 0, Width, Height);
    scene_.setBackgroundBrush(Qt::white);
    scene_.addItem(timeChart(data, lang, QRectF(0, 0, Width, TimeChartHeight)));
    const qreal w = Width / 2.0, h = (Height - TimeChartHeight) / 2.0;
    for (int g = 0; g < TrendGroupCount; ++g) {
        const QRectF place(g % 2 * w, TimeChartHeight + g / 2 * h, w, h);
        scene_.addItem(topChart(TrendGroup(g), data.totals[g], lang, place));
    }
}

QImage TrendPicture::image()
{
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene_.render(&painter, QRectF(0, 0, Width, Height), scene_.sceneRect());
    return image;
}

bool TrendPicture::savePng(const QString &file, QString *error)
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

} // namespace vesk
