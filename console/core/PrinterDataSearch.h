// The print history search: statement text from the date range and the four name boxes.
#pragma once

#include "JobOutcome.h"
#include "SearchStatement.h"

#include <QDate>
#include <QString>

namespace vesk {

// What the administrator typed; the texts are trimmed by the search itself.
struct PrinterDataCriteria
{
    QDate begin;
    QDate end;
    QString host;
    QString printer;
    QString dept;
    QString em;
    JobFilter job; // outcome, colour, two-sided
    // The console's search ends at midnight at the start of `end`; the vesk command's takes
    // the whole day named (before the next midnight), so one month's range ends where the
    // next one's begins and no job falls in both.
    bool throughEndDay = false;
};

// The statement that shows every print record (reset and start-up).
QString PrinterDataAllStatement();

// "select * from tPrinterData " followed by the filter: the date range (always present, the end
// date at midnight, or before the next day's midnight with throughEndDay) and, for each non-empty
// box in the order computer, printer, department, employee, " AND <column> like " with the text
// between '%' signs as a quoted value; then the job conditions (JobFilterClause). With only the
// dates and the department, the same search for the kept totals too.
SearchStatement PrinterDataSearch(const PrinterDataCriteria &criteria);

// A date as the statement writes it for CDate.
QString PrinterDataDateText(const QDate &date);

} // namespace vesk
