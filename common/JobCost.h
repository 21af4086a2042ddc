// What a print job costs: the one rule that the agent, the console, the command and the web view
// all apply, and the price list it applies.
#pragma once

#include "JobOutcome.h"
#include "Money.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace vesk {

// A printer's own prices, or the default's. Each part may be unset; an unset part is the
// default's.
struct PrinterPrices
{
    std::optional<qint64> mono;         // millionths of a minor unit a page
    std::optional<qint64> colour;       //
    std::optional<qint64> duplexFactor; // ten thousandths (8000: 0.8)
};

struct PaperFactor
{
    QString paper; // as entered: "A3", "iso_a3_297x420mm", a stored paper name
    qint64 factor; // ten thousandths
};

struct PriceList
{
    PrinterPrices defaults;
    QHash<QString, PrinterPrices> printers; // by the printer's name in lower case
    std::vector<PaperFactor> papers;

    // The prices that apply to `printer`: its own parts, the default's where it has none.
    PrinterPrices pricesOf(const QString &printer) const;
    // The factor of the paper of that size; 1 (FactorOne) where none is set.
    qint64 paperFactor(const QString &paper) const;
};

// A stored or listed record, as far as its cost goes.
struct CostedJob
{
    QString printer;
    QString paper;                     // tPrinterData.PageSize
    qint64 totalPages = 0;             // TotalPageCount
    std::optional<JobOutcome> outcome; // NULL in records stored before outcomes were
    std::optional<qint64> pagesPrinted;
    bool colour = false; // ColorPrint 1; unknown counts as monochrome
    bool duplex = false; // Duplex 1; unknown counts as one-sided
};

// The pages a job is charged for: where its outcome is known, the pages it printed (a cancelled
// job that printed nothing 0, an aborted one what it printed; a printed job whose printer
// reported no count its page count); else its page count.
qint64 ChargedPages(const CostedJob &job);

// pages x price (colour or monochrome) x paper factor x two-sided factor (two-sided jobs), in
// minor units, rounded once, half away from zero. Exact: integers and 128-bit intermediates.
// std::nullopt when no price applies (neither the printer nor the default has one). A cost
// beyond what a record's cost column holds is held at its largest value.
std::optional<qint64> JobCost(const PriceList &prices, const CostedJob &job);

// The largest cost a record holds: its column is a 32-bit integer on PostgreSQL, whose sums are
// then exact bigints.
inline constexpr qint64 MaxJobCost = 2147483647;

// The stored record's fields as a CostedJob: the values of PrinterName, PageSize, TotalPageCount,
// JobOutcome, PagesPrinted, ColorPrint and Duplex (NULLs as unknown).
CostedJob CostedJobOf(const QVariant &printer, const QVariant &paper, const QVariant &totalPages,
                      const QVariant &outcome, const QVariant &pagesPrinted, const QVariant &colour,
                      const QVariant &duplex);

// A cost cell for a grid or a file: the stored minor units, or NULL (no price applied) as empty.
QString CostCellText(const QVariant &cost, const Currency &currency);

} // namespace vesk
