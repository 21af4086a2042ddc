// One page of the print history read by key: the web view's history pages through a search
// without counting or skipping rows, however deep the page.
#pragma once

#include "RecordColumns.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <array>
#include <optional>
#include <vector>

namespace vesk {

// The column of tPrinterData with that field name (letter case ignored), or nothing.
std::optional<PrinterDataColumn> PrinterDataColumnNamed(const QString &field);

// Which page: the rows of `filter` (a print history filter, " where ..."), ordered by `sort`
// then by the table's paging key, `rows` of them after the row whose key is `after`, or before
// the row whose key is `before`, or the first ones.
struct RecordPageQuery
{
    QString filter;
    PrinterDataColumn sort = colPrintTime;
    // What the rows sort and page by instead of the sort column itself, where it is shown
    // changed (the document names the privacy settings hide); empty: the column.
    QString sortSql;
    bool ascending = false;
    std::optional<qint64> after;
    std::optional<qint64> before;
    int rows = 50;
};

struct RecordPage
{
    struct Row
    {
        qint64 key = 0; // the paging key, for the links to the next and previous pages
        std::array<QVariant, PrinterDataColumnCount> values; // in table order
    };
    std::vector<Row> rows;      // in the order asked for, also when read backward
    bool earlier = false;       // rows precede the first
    bool later = false;         // rows follow the last
    bool anchorMissing = false; // the anchor row is not in the filter's rows: no page
};

// Reads the page; false with the database's text. Every value compared is bound.
bool ReadRecordPage(const QSqlDatabase &db, const RecordPageQuery &query, RecordPage &page,
                    QString *error = nullptr);

} // namespace vesk
