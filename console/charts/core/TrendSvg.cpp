// Bars in SVG: the time chart of the web view and of the console's picture, and the top lists.
#include "TrendSvg.h"

#include "HtmlEscape.h"

#include <algorithm>

namespace vesk {

namespace {

// The drawing's own units: the web view's picture is 640 wide, and the console's picture scales
// the same drawing to its size.
constexpr int UnitWidth = 640;
constexpr int Left = 48, Right = 8, Top = 24, Bottom = 28;
constexpr auto BarColour = "#3b6ea5";
// A top list's name column; longer names are cut so the bars keep their room.
constexpr int NameColumn = 104;
constexpr int MaxNameLength = 15;
// Room right of the longest bar for its figure, at least; wider figures (money) get theirs.
constexpr int FigureRoom = 48;
// About how wide a character of the 11-unit labels is, and the gap beside a label.
constexpr double LabelCharWidth = 7.0;
constexpr int LabelGap = 6;

int labelWidth(const QString &text)
{
    return int(text.size() * LabelCharWidth) + LabelGap;
}

// The figures a chart shows: pages as a number, or cost as money.
struct Figures
{
    TrendMeasure measure = TrendMeasure::Pages;
    Currency currency;
    QLocale locale;

    qint64 of(const TrendPoint &p) const
    {
        return measure == TrendMeasure::Cost ? p.cost : p.pages;
    }
    qint64 of(const TrendTotal &t) const
    {
        return measure == TrendMeasure::Cost ? t.cost : t.pages;
    }
    QString text(qint64 value) const
    {
        return measure == TrendMeasure::Cost ? FormatMoney(value, currency, locale)
                                             : QString::number(value);
    }
};

QString titleText(const QString &title)
{
    return QStringLiteral("<text x=\"%1\" y=\"16\" font-size=\"13\">%2</text>")
        .arg(Left)
        .arg(HtmlEscape(title));
}

// The time chart's marks in a box of width x height at the origin: title, base line, scale and
// one bar per point with its date and figure as tooltip. The plot starts right of the scale's
// widest label.
QString timeMarks(const TrendData &data, const Figures &figures, const QString &title, int width,
                  int height)
{
    qint64 most = 1;
    for (const TrendPoint &p : data.points)
        most = std::max(most, figures.of(p));
    const QString mostText = figures.text(most);
    const int left = std::max(Left, labelWidth(mostText));
    QString svg = titleText(title);
    const int plotW = width - left - Right, plotH = height - Top - Bottom;
    svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#888\"/>")
               .arg(left)
               .arg(Top + plotH)
               .arg(left + plotW);
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" text-anchor=\"end\">%3</text>"
                          "<text x=\"%1\" y=\"%4\" font-size=\"11\" text-anchor=\"end\">0</text>")
               .arg(left - 4)
               .arg(Top + 10)
               .arg(mostText)
               .arg(Top + plotH);
    const int n = int(data.points.size());
    if (n > 0) {
        const double slot = double(plotW) / n;
        const double bar = std::max(1.0, slot * 0.8);
        for (int i = 0; i < n; ++i) {
            const TrendPoint &p = data.points[size_t(i)];
            const double h = double(figures.of(p)) * plotH / double(most);
            svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                  "fill=\"%7\"><title>%5: %6</title></rect>")
                       .arg(left + i * slot + (slot - bar) / 2, 0, 'f', 1)
                       .arg(Top + plotH - h, 0, 'f', 1)
                       .arg(bar, 0, 'f', 1)
                       .arg(h, 0, 'f', 1)
                       .arg(p.start.toString(Qt::ISODate))
                       .arg(figures.text(figures.of(p)))
                       .arg(QLatin1String(BarColour));
        }
        const auto label = [&](int i, const char *anchor) {
            return QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" "
                                  "text-anchor=\"%3\">%4</text>")
                .arg(left + (i + 0.5) * slot, 0, 'f', 1)
                .arg(height - 10)
                .arg(QLatin1String(anchor))
                .arg(data.points[size_t(i)].start.toString(Qt::ISODate));
        };
        svg += label(0, n == 1 ? "middle" : "start");
        if (n > 1)
            svg += label(n - 1, "end");
    }
    return svg;
}

// A top list's marks in a box of width x height: title, then one row per name, the largest figure
// at the top, each a bar with its figure beside it.
QString topMarks(const std::vector<TrendTotal> &totals, const Figures &figures,
                 const QString &title, int width, int height, int topCount)
{
    QString svg = titleText(title);
    const size_t shown = std::min<size_t>(totals.size(), size_t(std::max(topCount, 1)));
    qint64 most = 1;
    int figureRoom = FigureRoom;
    for (size_t i = 0; i < shown; ++i) {
        most = std::max(most, figures.of(totals[i]));
        figureRoom = std::max(figureRoom, labelWidth(figures.text(figures.of(totals[i]))));
    }
    const double row = double(height - Top - 8) / std::max(topCount, 1);
    const int barRoom = width - NameColumn - 4 - figureRoom;
    for (size_t i = 0; i < shown; ++i) {
        const TrendTotal &t = totals[i];
        QString name = t.name.isEmpty() ? QStringLiteral("-") : t.name;
        if (name.size() > MaxNameLength)
            name = name.left(MaxNameLength - 1) + QChar(0x2026);
        const double y = Top + double(i) * row;
        const QString figure = figures.text(figures.of(t));
        const double w = std::max(1.0, double(figures.of(t)) * barRoom / double(most));
        const double text = y + row * 0.72;
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" text-anchor=\"end\">%3"
                              "</text>")
                   .arg(NameColumn)
                   .arg(text, 0, 'f', 1)
                   .arg(HtmlEscape(name));
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\">"
                              "<title>%7: %6</title></rect>")
                   .arg(NameColumn + 4)
                   .arg(y + row * 0.15, 0, 'f', 1)
                   .arg(w, 0, 'f', 1)
                   .arg(row * 0.7, 0, 'f', 1)
                   .arg(QLatin1String(BarColour))
                   .arg(figure)
                   // Last: a name is any text, and a later arg() would fill a "%1" in it.
                   .arg(HtmlEscape(t.name));
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\">%3</text>")
                   .arg(NameColumn + 4 + w + 3, 0, 'f', 1)
                   .arg(text, 0, 'f', 1)
                   .arg(figure);
    }
    return svg;
}

QString chartGroup(const QString &title, double x, double y, double scale, const QString &marks)
{
    return QStringLiteral("<g class=\"chart\" transform=\"translate(%1,%2) scale(%3)\">"
                          "<title>%4</title>")
               .arg(x)
               .arg(y)
               .arg(scale)
               .arg(HtmlEscape(title)) +
           marks + QStringLiteral("</g>");
}

} // namespace

QString TrendBucketTitleKey(TrendBucket bucket, TrendMeasure measure)
{
    const bool cost = measure == TrendMeasure::Cost;
    switch (bucket) {
    case TrendBucket::Day:
        return cost ? QStringLiteral("RSChartCostPerDay") : QStringLiteral("RSChartPerDay");
    case TrendBucket::Week:
        return cost ? QStringLiteral("RSChartCostPerWeek") : QStringLiteral("RSChartPerWeek");
    case TrendBucket::Month:
        break;
    }
    return cost ? QStringLiteral("RSChartCostPerMonth") : QStringLiteral("RSChartPerMonth");
}

QString TrendSvg(const TrendData &data, const LangLookup &lang)
{
    constexpr int height = 240;
    const QString title = lang(TrendBucketTitleKey(data.bucket));
    return QStringLiteral("<svg class=\"trend\" viewBox=\"0 0 %1 %2\" role=\"img\" "
                          "xmlns=\"http://www.w3.org/2000/svg\"><title>%3</title>")
               .arg(UnitWidth)
               .arg(height)
               .arg(HtmlEscape(title)) +
           timeMarks(data, Figures(), title, UnitWidth, height) + QStringLiteral("</svg>");
}

QString TrendChartSvg(const TrendData &data, const LangLookup &lang, int width, int height,
                      int topCount, TrendMeasure measure, const Currency &currency)
{
    static const char *const topTitles[TrendGroupCount] = {"RSChartTopDept", "RSChartTopPrinter",
                                                           "RSChartTopHost", "RSChartTopEm"};
    static const char *const topCostTitles[TrendGroupCount] = {
        "RSChartTopDeptCost", "RSChartTopPrinterCost", "RSChartTopHostCost", "RSChartTopEmCost"};
    const bool cost = measure == TrendMeasure::Cost;
    const Figures figures{measure, currency, MoneyLocale(lang(QStringLiteral("RSLanuage")))};
    // The drawing is made in the web view's units and scaled: the time chart takes the full
    // width and a third of the height, each top list half the width and a third.
    const double scale = double(width) / UnitWidth;
    const int rowHeight = int(height / 3.0 / scale);
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                 "height=\"%2\" viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\">"
                                 "<rect width=\"%1\" height=\"%2\" fill=\"#ffffff\"/>")
                      .arg(width)
                      .arg(height);
    const QString timeTitle = lang(TrendBucketTitleKey(data.bucket, measure));
    svg += chartGroup(timeTitle, 0, 0, scale,
                      timeMarks(data, figures, timeTitle, UnitWidth, rowHeight));
    for (int g = 0; g < TrendGroupCount; ++g) {
        const QString title = lang(QLatin1String(cost ? topCostTitles[g] : topTitles[g]));
        svg += chartGroup(title, g % 2 * width / 2.0, (1 + g / 2) * height / 3.0, scale,
                          topMarks(TrendTopList(data, TrendGroup(g), measure), figures, title,
                                   UnitWidth / 2, rowHeight, topCount));
    }
    return svg + QStringLiteral("</svg>");
}

} // namespace vesk
