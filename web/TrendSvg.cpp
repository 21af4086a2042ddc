#include "TrendSvg.h"

#include "WebText.h"

#include <algorithm>

namespace vesk::web {

QString TrendSvg(const TrendData &data, const LangLookup &lang)
{
    constexpr int width = 640, height = 240, left = 48, right = 8, top = 24, bottom = 28;
    const QString title =
        lang(data.bucket == TrendBucket::Day    ? QStringLiteral("RSChartPerDay")
             : data.bucket == TrendBucket::Week ? QStringLiteral("RSChartPerWeek")
                                                : QStringLiteral("RSChartPerMonth"));
    qint64 most = 1;
    for (const TrendPoint &p : data.points)
        most = std::max(most, p.pages);
    QString svg = QStringLiteral("<svg class=\"trend\" viewBox=\"0 0 %1 %2\" role=\"img\" "
                                 "xmlns=\"http://www.w3.org/2000/svg\"><title>%3</title>")
                      .arg(width)
                      .arg(height)
                      .arg(HtmlEscape(title));
    svg += QStringLiteral("<text x=\"%1\" y=\"16\" font-size=\"13\">%2</text>")
               .arg(left)
               .arg(HtmlEscape(title));
    const int plotW = width - left - right, plotH = height - top - bottom;
    svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#888\"/>")
               .arg(left)
               .arg(top + plotH)
               .arg(left + plotW);
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" text-anchor=\"end\">%3</text>"
                          "<text x=\"%1\" y=\"%4\" font-size=\"11\" text-anchor=\"end\">0</text>")
               .arg(left - 4)
               .arg(top + 10)
               .arg(most)
               .arg(top + plotH);
    const int n = int(data.points.size());
    if (n > 0) {
        const double slot = double(plotW) / n;
        const double bar = std::max(1.0, slot * 0.8);
        for (int i = 0; i < n; ++i) {
            const TrendPoint &p = data.points[size_t(i)];
            const double h = double(p.pages) * plotH / double(most);
            svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                  "fill=\"#3b6ea5\"><title>%5: %6</title></rect>")
                       .arg(left + i * slot + (slot - bar) / 2, 0, 'f', 1)
                       .arg(top + plotH - h, 0, 'f', 1)
                       .arg(bar, 0, 'f', 1)
                       .arg(h, 0, 'f', 1)
                       .arg(p.start.toString(Qt::ISODate))
                       .arg(p.pages);
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
    return svg + QStringLiteral("</svg>");
}

} // namespace vesk::web
