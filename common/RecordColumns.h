// The columns of the record tables tPrinterData and tHost, each written once.
#pragma once

#include "ConnectionString.h"

#include <QString>
#include <QStringList>

#include <iterator>

namespace vesk {

enum class ColumnType
{
    Text,     // `length` characters, 0: unbounded; letter case ignored on both engines
    Integer,  // 32-bit whole number
    DateTime, // "yyyy-mm-dd hh:mm:ss" text, so it sorts and compares in time order
    Money     // whole minor units of the currency (Money.h) in a 64-bit integer
};

// Columns holding a whole number: stored, bound and sorted as numbers.
constexpr bool isNumberColumn(ColumnType type)
{
    return type == ColumnType::Integer || type == ColumnType::Money;
}

// One column of a record table. Everything that lists a table's columns reads this: the create
// statements (Schema.cpp), the catalogue keys of the titles (PrinterDataTitles, HostTitles), the
// initial column settings, the data module's declared fields, the agent's listed record and its
// save. Adding a column is one entry at the end of the table plus a schema step that adds it to
// existing databases (SchemaSteps in Schema.cpp) and the key in both language files.
struct RecordColumn
{
    const char *field;    // the name as statements write it
    ColumnType type;      //
    int length;           // of a text column
    const char *titleKey; // catalogue key of the column's title; "" where it shows its own name
    int displayWidth;     // characters in the console's grids; 0 where none is declared
    int reportWidth;      // initial width in printed reports (tShowSetting.FWidth): room for
                          // a usual value and the longest word of the title at 10 pt (a title
                          // wraps onto two lines); the first twelve fill the page, the document
                          // name taking the room the others leave
};

// tPrinterData in table order; the agent's record list and its journal follow this order.
inline constexpr RecordColumn PrinterDataColumnTable[] = {
    {"PrinterName", ColumnType::Text, 50, "RSPrinterName", 14, 92},
    {"documentName", ColumnType::Text, 255, "RSdocumentName", 19, 127},
    {"hostName", ColumnType::Text, 50, "RShostName", 15, 90},
    {"TotalPageCount", ColumnType::Integer, 0, "RSTotalPageCount", 7, 43},
    {"PrintedDocumentSize", ColumnType::Integer, 0, "RSPrintedDocumentSize", 18, 67},
    {"PageSize", ColumnType::Text, 50, "RSPageSize", 17, 48},
    {"PrintTime", ColumnType::DateTime, 0, "RSPrintTime", 0, 130},
    {"OperatorName", ColumnType::Text, 50, "RSOperatorName", 11, 70},
    {"IP", ColumnType::Text, 50, "RSIP", 12, 105},
    {"MAC", ColumnType::Text, 50, "", 19, 120},
    {"EmName", ColumnType::Text, 50, "RSEmName", 9, 65},
    {"DeptName", ColumnType::Text, 255, "RSDeptName", 11, 90},
    // Appended later (schema version 5): how the job ended, the pages printed, colour and
    // two-sided, as codes (JobOutcome.h); NULL in records stored before.
    {"JobOutcome", ColumnType::Integer, 0, "RSJobOutcome", 9, 70},
    {"PagesPrinted", ColumnType::Integer, 0, "RSPagesPrinted", 7, 60},
    {"ColorPrint", ColumnType::Integer, 0, "RSColorPrint", 5, 50},
    {"Duplex", ColumnType::Integer, 0, "RSDuplex", 5, 60},
    // Appended later (schema version 9): what the job cost at the prices in force when the agent
    // took it in; NULL in records stored before and where no price applied.
    {"Cost", ColumnType::Money, 0, "RSCost", 9, 60},
};
// The first twelve fill a report's page; the columns appended later are in the column settings
// but left out of reports until the administrator adds them.
inline constexpr int ReportedPrinterDataColumns = 12;

// tHost in table order.
inline constexpr RecordColumn HostColumnTable[] = {
    {"HostName", ColumnType::Text, 255, "RShostName", 20, 120},
    {"IP", ColumnType::Text, 255, "", 15, 105},
    {"MAC", ColumnType::Text, 255, "", 24, 125},
    {"tNetGroup", ColumnType::Text, 255, "RSNetGroup", 24, 90},
    {"DeptName", ColumnType::Text, 255, "RSBelongDept", 12, 110},
    {"EmName", ColumnType::Text, 50, "RSBelongEmName", 12, 85},
    {"Tel", ColumnType::Text, 50, "RSTel", 10, 85},
    {"Fax", ColumnType::Text, 50, "RSFax", 10, 85},
    {"Email", ColumnType::Text, 50, "RSEmail", 12, 120},
    {"Memo", ColumnType::Text, 255, "RSMemo", 0, 120},
};

inline constexpr int PrinterDataColumnCount = int(std::size(PrinterDataColumnTable));
inline constexpr int HostColumnCount = int(std::size(HostColumnTable));

// The columns of tPrinterData by position, for code that names one (the agent's record list, a
// statement that reads the columns in table order).
enum PrinterDataColumn
{
    colPrinterName,
    coldocumentName,
    colhostName,
    colTotalPageCount,
    colPrintedDocumentSize,
    colPageSize,
    colPrintTime,
    colOperatorName,
    colIP,
    colMAC,
    colEmName,
    colDeptName,
    // Appended later
    colJobOutcome,
    colPagesPrinted,
    colColorPrint,
    colDuplex,
    colCost
};
static_assert(colCost + 1 == PrinterDataColumnCount);

// A table's columns as a range.
struct RecordColumns
{
    const RecordColumn *first;
    const RecordColumn *last;
    constexpr const RecordColumn *begin() const { return first; }
    constexpr const RecordColumn *end() const { return last; }
    constexpr int size() const { return int(last - first); }
    constexpr const RecordColumn &operator[](int i) const { return first[i]; }
};
inline constexpr RecordColumns PrinterDataColumns{std::begin(PrinterDataColumnTable),
                                                  std::end(PrinterDataColumnTable)};
// The columns tPrinterData had at first, and those appended since.
inline constexpr RecordColumns OriginalPrinterDataColumns{std::begin(PrinterDataColumnTable),
                                                          std::begin(PrinterDataColumnTable) +
                                                              ReportedPrinterDataColumns};
inline constexpr RecordColumns AppendedPrinterDataColumns{std::begin(PrinterDataColumnTable) +
                                                              ReportedPrinterDataColumns,
                                                          std::end(PrinterDataColumnTable)};
inline constexpr RecordColumns HostColumns{std::begin(HostColumnTable), std::end(HostColumnTable)};

// The field names in table order.
QStringList fieldNames(RecordColumns columns);

// Text column types per engine: a case-insensitive text type on PostgreSQL, NOCASE on SQLite.
QString textColumnType(DbEngine engine, int length);
// The column's declared type on the engine.
QString columnType(const RecordColumn &column, DbEngine engine);
// "name type, name type, ...", the column part of the table's create statement.
QString columnDefinitions(RecordColumns columns, DbEngine engine);

} // namespace vesk
