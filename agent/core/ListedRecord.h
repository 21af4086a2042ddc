// One row of the agent's record list and the list itself: one text per column of tPrinterData,
// plus the row's id that the journal and the save use to store it exactly once.
#pragma once

#include "JobOutcome.h"
#include "RecordColumns.h"
#include "Spooler.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace vesk {

// The columns every record has had; rows of older journals hold only these.
inline constexpr int OriginalColumnCount = colJobOutcome;

// Field names of tPrinterData in column order.
inline constexpr auto PrinterDataFields = [] {
    std::array<const char *, PrinterDataColumnCount> names{};
    for (int i = 0; i < PrinterDataColumnCount; ++i)
        names[size_t(i)] = PrinterDataColumnTable[i].field;
    return names;
}();

struct ListedRecord
{
    // Unique for every row ever taken in (a UUID text); never shown.
    QString Id;
    // Cells[0] is the row's caption, the rest its sub-items.
    std::array<QString, PrinterDataColumnCount> Cells;
    // The spooler's job id (0: not known) and the printer's resume point once this row is
    // journaled; neither is stored in tPrinterData.
    uint32_t JobId = 0;
    std::optional<spooler::ResumePoint> Mark;
    // The printer whose monitor handed the job over, where the row is stored under another (a
    // CUPS class's job under the member that printed it); empty: the caption. Its mark is that
    // monitor's.
    QString MarkPrinter;

    const QString &Caption() const { return Cells[colPrinterName]; }
    const QString &MarkOwner() const { return MarkPrinter.isEmpty() ? Caption() : MarkPrinter; }
};

// A new unique row id.
QString NewRecordId();

// The rows of lvPrinterData as the window owns them until they are saved. Rows with an index
// below SavedCount are already in tPrinterData; the rest are not.
struct RecordList
{
    std::vector<ListedRecord> Rows;
    int SavedCount = 0;

    int UnsavedCount() const { return static_cast<int>(Rows.size()) - SavedCount; }
};

} // namespace vesk
