// The grouped report: layout from tShowSetting, rows from one ordered statement, lazy pages.
#include "GroupedReport.h"

#include "Database.h"
#include "JobOutcome.h"
#include "OutputFile.h"
#include "SqlText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vesk {

namespace {

// Separates the cells of a stored row; a value never holds it (control characters are cut).
constexpr QChar CellSeparator(0x1f);

// Height and width of the printable area: the A4 page's sides less both margins.
double PrintableHeight()
{
    const double mm = QPageSize(QPageSize::A4).size(QPageSize::Millimeter).width();
    return (mm - 2 * report::MarginMm) / 25.4 * report::UnitsPerInch;
}

double PrintableWidth()
{
    const double mm = QPageSize(QPageSize::A4).size(QPageSize::Millimeter).height();
    return (mm - 2 * report::MarginMm) / 25.4 * report::UnitsPerInch;
}

// Room kept between a cell's text and the next column, so neighbours stay apart on paper.
constexpr double CellGap = 3;

// The ellipsis that ends a cut text.
const QString Ellipsis(QChar(0x2026));

QFont reportFont(double points)
{
    QFont f(QString::fromLatin1(report::FontFamily));
    f.setPointSizeF(points);
    return f;
}

// Draws texts with one font. Texts of plain Latin script go straight to glyphs through the
// font's character map and are collected into one glyph run per page: shaping every cell of a
// long report, and the PDF engine's set-up for every text drawn, cost more than the glyphs
// themselves. Anything else (CJK, marks, a glyph the face lacks) takes the painter's full text
// path with font fallback at once. A text wider than the room it is given ends in an ellipsis
// where it would reach its neighbour; a text that fits is drawn whole.
class CellText
{
public:
    CellText(QPainter &painter, const QFont &font) : painter_(painter)
    {
        painter_.setFont(font);
        ascent_ = painter_.fontMetrics().ascent();
        raw_ = QRawFont::fromFont(painter_.font());
        raw_.setPixelSize(font.pointSizeF() * painter_.device()->logicalDpiY() / 72.0);
        const QList<quint32> ellipsis = raw_.glyphIndexesForString(Ellipsis);
        if (!ellipsis.contains(0)) {
            ellipsis_ = ellipsis.value(0);
            ellipsisWidth_ = raw_.advancesForGlyphIndexes(ellipsis).value(0).x();
        }
    }
    ~CellText() { flush(); }

    // `top` is the text's top edge; `room` the width it may take, in device units.
    void draw(const QPointF &top, const QString &text, double room)
    {
        QPointF at = top + QPointF(0, ascent_);
        const QList<quint32> glyphs =
            plain(text) ? raw_.glyphIndexesForString(text) : QList<quint32>{0};
        if (glyphs.contains(0) || ellipsisWidth_ <= 0) {
            const QFontMetricsF metrics(painter_.font(), painter_.device());
            const QString shown = metrics.horizontalAdvance(text) <= room
                                      ? text
                                      : metrics.elidedText(text, Qt::ElideRight, room);
            if (!shown.isEmpty())
                painter_.drawText(at, shown);
            return;
        }
        const QList<QPointF> advances = raw_.advancesForGlyphIndexes(glyphs);
        double width = 0;
        for (const QPointF &a : advances)
            width += a.x();
        qsizetype count = glyphs.size();
        if (width > room) {
            // As many glyphs as leave room for the ellipsis; none fit: nothing is drawn.
            count = 0;
            for (double used = ellipsisWidth_; count < glyphs.size(); ++count) {
                used += advances[count].x();
                if (used > room)
                    break;
            }
            if (ellipsisWidth_ > room)
                return;
        }
        for (qsizetype i = 0; i < count; ++i) {
            glyphs_.append(glyphs[i]);
            positions_.append(at);
            at += advances[i];
        }
        if (count < glyphs.size()) {
            glyphs_.append(ellipsis_);
            positions_.append(at);
        }
    }

    // Draws the glyphs collected so far.
    void flush()
    {
        if (glyphs_.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(raw_);
        run.setGlyphIndexes(glyphs_);
        run.setPositions(positions_);
        painter_.drawGlyphRun(QPointF(0, 0), run);
        glyphs_.clear();
        positions_.clear();
    }

private:
    // Characters that need no shaping: below the combining marks.
    static bool plain(const QString &text)
    {
        for (QChar c : text) {
            if (c.unicode() >= 0x300)
                return false;
        }
        return true;
    }

    QPainter &painter_;
    QRawFont raw_;
    double ascent_ = 0;
    quint32 ellipsis_ = 0;
    double ellipsisWidth_ = 0; // 0: the face has no ellipsis, texts are cut by the metrics
    QList<quint32> glyphs_;
    QList<QPointF> positions_;
};

bool sameGroup(const QVariant &a, const QString &b, bool bNull)
{
    if (a.isNull() || bNull)
        return a.isNull() && bNull;
    return a.toString().compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

bool LoadReportLayout(QSqlDatabase db, ReportTable table, const QString &groupField,
                      const LangLookup &lang, ReportLayout &layout, QString *error)
{
    layout = ReportLayout{};
    layout.table = table;
    layout.groupField = groupField;
    layout.title = lang(ReportTitleKey());
    layout.heading = lang(ReportHeadingKey(table));
    layout.groupTitle = ReportColumnTitle(table, groupField, lang);
    layout.codeTexts = CodedTextLookup(lang);
    layout.groupTotal = lang(QStringLiteral("RSReportGroupTotal"));
    layout.grandTotal = lang(QStringLiteral("RSReportGrandTotal"));

    const auto fail = [&](const QSqlQuery &q) {
        if (error)
            *error = q.lastError().text();
        return false;
    };
    const QString tableName = ReportTableName(table);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(translateStatement(db, QStringLiteral("select FWidth from tShowSetting where "
                                                      "tableName=") +
                                           QuotedStr(tableName) +
                                           QStringLiteral(" and FieldName=") +
                                           QuotedStr(groupField))))
        return fail(q);
    int x = q.next() ? q.value(0).toInt() : 0;
    q.finish();

    if (!q.exec(translateStatement(
            db,
            QStringLiteral("select FieldName, FName, FWidth from tShowSetting where tableName=") +
                QuotedStr(tableName) + QStringLiteral(" and IsVisible=1 and FieldName<>") +
                QuotedStr(groupField) + QStringLiteral(" order by Findex"))))
        return fail(q);
    while (q.next()) {
        layout.columns.push_back({q.value(0).toString(), q.value(1).toString(), x});
        x += q.value(2).toInt();
    }
    return true;
}

QPageLayout ReportPageLayout()
{
    const double m = report::MarginMm;
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(m, m, m, m),
                       QPageLayout::Millimeter);
}

GroupedReport::GroupedReport(ReportLayout layout) : layout_(std::move(layout)) {}

bool GroupedReport::read(QSqlDatabase db, const QString &filter, QString *error)
{
    groups_.clear();
    rows_.clear();
    lines_.clear();
    totals_.clear();
    rowCount_ = 0;

    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString statement = QStringLiteral("select * from ") + ReportTableName(layout_.table) +
                              u' ' + filter + QStringLiteral(" order by ") + layout_.groupField;
    if (!q.exec(translateStatement(db, statement))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    const QSqlRecord rec = q.record();
    const int groupIndex = rec.indexOf(layout_.groupField);
    std::vector<int> cells;
    for (const ReportColumn &c : layout_.columns)
        cells.push_back(rec.indexOf(c.field)); // -1: a setting without a column prints nothing

    // Totals only where the cost is printed: its column and, beside it, the pages'.
    int costColumn = -1, pagesColumn = -1;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] < 0)
            continue;
        if (IsCostPrinterDataField(rec.fieldName(cells[i])))
            costColumn = int(i);
        else if (rec.fieldName(cells[i]).compare(QStringLiteral("TotalPageCount"),
                                                 Qt::CaseInsensitive) == 0)
            pagesColumn = int(i);
    }
    struct Sum
    {
        qint64 pages = 0, cost = 0;
    } group, grand;
    const auto addTotal = [&](const Sum &sum) {
        QString t;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                t += CellSeparator;
            if (int(i) == pagesColumn)
                t += QString::number(sum.pages);
            else if (int(i) == costColumn)
                t += FormatMoney(sum.cost, layout_.currency, MoneyLocale(QString()));
        }
        totals_.push_back(static_cast<std::int32_t>(rows_.size()));
        lines_.push_back(static_cast<std::int32_t>(rows_.size()));
        rows_.push_back(t);
    };

    QString text;
    while (q.next()) {
        const QVariant groupValue = groupIndex >= 0 ? q.value(groupIndex) : QVariant();
        if (groups_.empty() || !sameGroup(groupValue, groups_.back(), groups_.back().isNull())) {
            if (costColumn >= 0 && !groups_.empty())
                addTotal(std::exchange(group, Sum{}));
            groups_.push_back(groupValue.isNull() ? QString() : groupValue.toString());
            lines_.push_back(-static_cast<std::int32_t>(groups_.size()));
        }
        text.clear();
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                text += CellSeparator;
            if (cells[i] >= 0) {
                const QVariant value = q.value(cells[i]);
                QString v = PrinterDataCellText(rec.fieldName(cells[i]), value, layout_.codeTexts,
                                                layout_.currency);
                v.replace(CellSeparator, u' ');
                text += v;
                // No cost (NULL) adds nothing.
                if (int(i) == costColumn) {
                    group.cost += value.toLongLong();
                    grand.cost += value.toLongLong();
                } else if (int(i) == pagesColumn) {
                    group.pages += value.toLongLong();
                    grand.pages += value.toLongLong();
                }
            }
        }
        lines_.push_back(static_cast<std::int32_t>(rows_.size()));
        rows_.push_back(text);
        ++rowCount_;
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    if (costColumn >= 0) {
        if (!groups_.empty())
            addTotal(group);
        addTotal(grand); // the last total line
    }
    rows_.shrink_to_fit();
    return true;
}

int GroupedReport::linesOnPage(int page)
{
    const double top = (page == 0 ? report::TitleBandHeight : 0) + report::HeaderBandHeight;
    return std::max(1,
                    static_cast<int>(std::floor((PrintableHeight() - top) / report::LineHeight)));
}

int GroupedReport::firstLine(int page) const
{
    return page == 0 ? 0 : linesOnPage(0) + (page - 1) * linesOnPage(1);
}

int GroupedReport::pageCount() const
{
    const int lines = static_cast<int>(lines_.size());
    if (lines <= linesOnPage(0))
        return 1;
    const int rest = lines - linesOnPage(0);
    return 1 + (rest + linesOnPage(1) - 1) / linesOnPage(1);
}

void GroupedReport::paintPage(QPainter &painter, int page) const
{
    // One layout unit is 1/96 inch at the device's resolution; fonts are sized by the device.
    const double k = painter.device()->logicalDpiY() / report::UnitsPerInch;
    const auto at = [k](double x, double y) { return QPointF(x * k, y * k); };
    painter.save();
    painter.setPen(Qt::black);

    // The room of a text starting at `left` up to `right` (the next column's start, less the
    // gap; the page edge for the last one), in device units.
    const double edge = PrintableWidth();
    const auto room = [k](double left, double right) { return (right - left) * k; };
    std::vector<double> rooms;
    for (size_t i = 0; i < layout_.columns.size(); ++i) {
        const double left = layout_.columns[i].left;
        rooms.push_back(i + 1 < layout_.columns.size()
                            ? room(left, layout_.columns[i + 1].left - CellGap)
                            : room(left, edge));
    }

    double top = 0;
    if (page == 0) {
        CellText heading(painter, reportFont(report::HeadingFontPoints));
        heading.draw(at(report::HeadingLeft, report::HeadingTop), layout_.heading,
                     room(report::HeadingLeft, edge));
        top = report::TitleBandHeight;
    }

    CellText text(painter, reportFont(report::BaseFontPoints));
    const double headerTop = top + report::HeaderTextTop;
    // A title wider than its room goes on two lines, broken where the language allows (at a
    // blank in English, between characters in Chinese): "Document Size" reads whole.
    const auto title = [&](double left, const QString &t, double width) {
        QTextLayout lines(t, painter.font(), painter.device());
        lines.beginLayout();
        QTextLine first = lines.createLine();
        if (first.isValid())
            first.setLineWidth(width);
        lines.endLayout();
        const int cut = first.isValid() ? first.textLength() : int(t.size());
        text.draw(at(left, headerTop), t.left(cut).trimmed(), width);
        const QString rest = t.mid(cut).trimmed();
        if (!rest.isEmpty())
            text.draw(at(left, headerTop + report::HeaderLineHeight), rest, width);
    };
    // The group column's title ends before the first column's title. Where the group column
    // has no width row the columns start under it, as the settings say, and it is not cut.
    const double firstLeft =
        layout_.columns.empty() ? edge : static_cast<double>(layout_.columns.front().left);
    title(report::GroupLeft, layout_.groupTitle,
          room(report::GroupLeft, firstLeft > report::GroupLeft ? firstLeft - CellGap : edge));
    for (size_t i = 0; i < layout_.columns.size(); ++i)
        title(layout_.columns[i].left, layout_.columns[i].title, rooms[i]);
    top += report::HeaderBandHeight;

    const int first = firstLine(page);
    const int last = std::min(static_cast<int>(lines_.size()), first + linesOnPage(page));
    for (int i = first; i < last; ++i, top += report::LineHeight) {
        const std::int32_t line = lines_[static_cast<size_t>(i)];
        if (line < 0) {
            text.draw(at(report::GroupLeft, top), groups_[static_cast<size_t>(-line - 1)],
                      room(report::GroupLeft, edge));
            continue;
        }
        const auto total = std::lower_bound(totals_.begin(), totals_.end(), line);
        if (total != totals_.end() && *total == line && firstLeft > report::GroupLeft)
            text.draw(at(report::GroupLeft, top + report::DetailTop),
                      total + 1 == totals_.end() ? layout_.grandTotal : layout_.groupTotal,
                      room(report::GroupLeft, firstLeft - CellGap));
        const QString &row = rows_[static_cast<size_t>(line)];
        size_t column = 0;
        for (QStringView cell : QStringView(row).tokenize(CellSeparator)) {
            if (column >= layout_.columns.size())
                break;
            if (!cell.isEmpty())
                text.draw(at(layout_.columns[column].left, top + report::DetailTop),
                          cell.toString(), rooms[column]);
            ++column;
        }
    }
    text.flush();
    painter.restore();
}

bool GroupedReport::print(QPagedPaintDevice &device, int from, int to) const
{
    const int last = to < 0 ? pageCount() - 1 : std::min(to, pageCount() - 1);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const int start = std::max(0, from);
    for (int page = start; page <= last; ++page) {
        if (page > start && !device.newPage())
            return false;
        paintPage(painter, page);
    }
    return painter.end();
}

bool WriteReportPdf(const GroupedReport &report, const QString &fileName, QString *error)
{
    // Written under a temporary name and renamed at the end: a failure leaves no file.
    QSaveFile file;
    if (!OpenOutputFile(fileName, file, error))
        return false;
    bool ok = false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(ReportPageLayout());
        writer.setResolution(1200);
        writer.setTitle(report.layout().title);
        writer.setCreator(QStringLiteral("Vesk"));
        ok = report.print(writer);
    }
    if (!ok || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace vesk
