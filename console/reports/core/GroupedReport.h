// The grouped report of a record table: its layout from tShowSetting, its rows and its pages.
#pragma once

#include "Money.h"
#include "ReportTables.h"

#include <QPageLayout>
#include <QSqlDatabase>
#include <QString>

#include <cstdint>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace vesk {

// Page geometry, in layout units of 1/96 inch on an A4 landscape page with 10 mm margins.
namespace report {
constexpr double UnitsPerInch = 96.0;
constexpr double MarginMm = 10.0;
constexpr double TitleBandHeight = 40;
constexpr double HeadingLeft = 312;
constexpr double HeadingTop = 8;
constexpr double HeaderBandHeight = 43; // column titles of up to two lines
constexpr double HeaderTextTop = 8;
constexpr double HeaderLineHeight = 16; // the second line of a column title below the first
constexpr double GroupLeft = 8;
constexpr double LineHeight = 24; // group lines and detail lines alike
constexpr double DetailTop = 1;
constexpr double BaseFontPoints = 10;
constexpr double HeadingFontPoints = 20;
// Fontconfig puts a metric-compatible face (Liberation Sans) in its place where it is absent.
inline const char *const FontFamily = "Arial";
} // namespace report

// A printed column: its field, its title and its left position in layout units.
struct ReportColumn
{
    QString field;
    QString title;
    int left = 0;
};

// What the report prints besides its rows.
struct ReportLayout
{
    ReportTable table = ReportTable::PrinterData;
    QString title;   // the document's name: preview window, print job, PDF title
    QString heading; // printed at the top of the first page
    QString groupField;
    QString groupTitle;
    std::vector<ReportColumn> columns; // in Findex order, the group column left out
    LangLookup codeTexts;              // the texts of coded cells (CodedTextLookup)
    Currency currency;                 // of the Cost column and its totals
    QString groupTotal, grandTotal;    // the total lines' labels
};

// The report's layout: the group column's title from the catalogue; the first column starts at
// the group column's FWidth (0 when it has no tShowSetting row), then every column with
// IsVisible 1 other than the group column, in ascending Findex, each FWidth further right.
bool LoadReportLayout(QSqlDatabase db, ReportTable table, const QString &groupField,
                      const LangLookup &lang, ReportLayout &layout, QString *error = nullptr);

// The A4 landscape page with its margins.
QPageLayout ReportPageLayout();

// The report's rows, read with one statement ordered by the group column, and its pages laid
// out from them. Rows whose group value is null are printed under an empty group line. Where
// the Cost column is printed, each group ends in a total line (its cost, and its pages where
// that column is printed too) and the report in a grand total line. Pages
// are painted one at a time, so a preview paints only what it shows. Plain class: build and
// read it on any thread with its own connection; paint on the thread that owns the device.
class GroupedReport
{
public:
    explicit GroupedReport(ReportLayout layout);

    // Reads "select * from <table> <filter> order by <group column>". `filter` is empty or a
    // search's WHERE clause. False with the database's text.
    bool read(QSqlDatabase db, const QString &filter, QString *error = nullptr);

    const ReportLayout &layout() const { return layout_; }
    int groupCount() const { return static_cast<int>(groups_.size()); }
    int rowCount() const { return rowCount_; }
    int pageCount() const;

    // Paints page `page` (from 0) with the painter's origin at the printable area's top left
    // corner. The layout unit follows the device's resolution, so any device will do. A text
    // that would reach the next column's start (the last column's: the page's edge) ends in
    // "…" before it; a text that fits is printed whole. A column title that does not fit wraps
    // onto a second line instead, and only what that line cannot hold ends in "…".
    void paintPage(QPainter &painter, int page) const;
    // Paints pages `from` to `to` (from 0, inclusive) onto a device, a new page between them.
    bool print(QPagedPaintDevice &device, int from = 0, int to = -1) const;

    // Lines that fit on a page below the bands above them.
    static int linesOnPage(int page);

private:
    int firstLine(int page) const;

    ReportLayout layout_;
    std::vector<QString> groups_;      // group values; null for the null group
    std::vector<QString> rows_;        // one text per row: the printed cells joined by a separator
    std::vector<std::int32_t> lines_;  // >= 0: a row of rows_; < 0: group line -(g + 1)
    std::vector<std::int32_t> totals_; // the rows of rows_ that are total lines, ascending
    int rowCount_ = 0;
};

// Writes every page as a PDF file; no file is left behind when writing fails. Where it goes
// and what is refused is OutputFile's rule.
bool WriteReportPdf(const GroupedReport &report, const QString &fileName, QString *error = nullptr);

} // namespace vesk
