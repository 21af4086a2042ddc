// Spreadsheet export of a record table: an .xlsx workbook or a CSV file, written by the program.
#pragma once

#include "Money.h"
#include "ReportTables.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <vector>

namespace vesk {

// A column of the exported sheet and how its cells are typed.
struct ExportColumn
{
    enum class Kind
    {
        Text,
        Number,
        DateTime, // PrintTime's stored text, written as a date and time
        Coded,    // a stored code, written as the text `shown` gives for it
        Money     // minor units of `currency`: a plain number with a point in CSV, a number with
                  // the currency's format in a workbook
    };
    QString field;
    QString heading;
    Kind kind = Kind::Text;
    std::function<QString(const QVariant &)> shown; // Coded only
    Currency currency;                              // Money only
};

// The sheet's columns in order, headings from the catalogue ("MAC" fixed). A heading is plain
// text, whatever characters it holds.
// The cost is money in `currency`.
std::vector<ExportColumn> ExportColumns(ReportTable table, const LangLookup &lang,
                                        const Currency &currency = {});

// The last column of the sheet's automatic filter, counted from 0: one beyond the print
// records' columns (A:M), exactly the computers' columns (A:J).
int ExportFilterLastColumn(ReportTable table);

enum class ExportFormat
{
    Xlsx,
    Csv
};

// A CSV field: quoted, inner quotes doubled, when it holds a comma, a quote or a line break.
QString CsvField(const QString &value);
// A text cell's CSV field: a text beginning with tab or carriage return, or with =, +, -, @ or
// their full-width forms after any blanks, gets a leading apostrophe, so that a spreadsheet
// program shows it instead of running it as a formula (a document's name is whatever the user
// printing it chose).
QString CsvTextField(const QString &value);

// CSV for a name ending in ".csv" (any letter case), otherwise a workbook.
ExportFormat ExportFormatOf(const QString &fileName);

// Writes the rows of "select <columns> from <table> <filter>" in the database's order, streamed
// from the statement. Xlsx: sheet "Data", headings in row 1, automatic filter, landscape, row 1
// repeated on every printed page, one page wide, row 1 frozen, A1 selected. Csv: UTF-8 with a
// byte-order mark, CRLF line ends, RFC 4180 quoting, the same headings, text cells through
// CsvTextField and every number cell quoted. The file is written under a temporary name in its
// folder and renamed at the end, so a failure (an unwritable folder, a database error) leaves no
// file; where it goes and what is refused is OutputFile's rule. False with the reason.
bool ExportRecords(QSqlDatabase db, ReportTable table, const QString &filter,
                   const std::vector<ExportColumn> &columns, const QString &fileName,
                   ExportFormat format, QString *error = nullptr);

} // namespace vesk
