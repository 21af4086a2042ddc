// How a print job ended, whether it printed in colour and on both sides: the codes stored in
// the columns appended to tPrinterData, and their texts.
#pragma once

#include "Catalogue.h"
#include "Money.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace vesk {

// tPrinterData.JobOutcome. Records stored before the column existed hold NULL.
enum class JobOutcome
{
    Printed = 1,
    Cancelled = 2,
    Aborted = 3,
};

// The columns appended to tPrinterData, in table order after DeptName.
inline constexpr const char *JobOutcomeField = "JobOutcome";
inline constexpr const char *PagesPrintedField = "PagesPrinted";
inline constexpr const char *ColorPrintField = "ColorPrint";
inline constexpr const char *DuplexField = "Duplex";
inline constexpr const char *CostField = "Cost";

// True for the three coded columns (JobOutcome, ColorPrint, Duplex), any letter case.
bool IsCodedPrinterDataField(const QString &field);
// True for the cost column, any letter case.
bool IsCostPrinterDataField(const QString &field);

// What a stored value shows: the catalogue text of an outcome code, of 1 and 0 in ColorPrint
// and Duplex ("RSYES"/"RSNO"), empty for NULL; a cost as an amount of `currency` for a screen
// (FormatMoney); every other field or value, or any without `lang`, as it is.
QString PrinterDataCellText(const QString &field, const QVariant &value, const LangLookup &lang,
                            const Currency &currency = {});

// The catalogue keys PrinterDataCellText reads.
const QStringList &CodedTextKeys();

// A lookup of just those keys, read from `lang` now: safe to use on any thread later.
LangLookup CodedTextLookup(const LangLookup &lang);

// A filter on one of the coded columns: nothing, or the code it must hold.
struct JobFilter
{
    std::optional<JobOutcome> outcome;
    std::optional<bool> color;
    std::optional<bool> duplex;

    bool empty() const { return !outcome && !color && !duplex; }
};

// " AND JobOutcome=2 AND ColorPrint=1 ..." for the conditions set, in that order; empty when
// none is. Only numbers reach the text.
QString JobFilterClause(const JobFilter &filter);

// The words of the administration command and the search form: "printed", "cancelled",
// "aborted"; "yes", "no" (letter case ignored). std::nullopt for anything else.
std::optional<JobOutcome> JobOutcomeFromWord(const QString &word);
std::optional<bool> YesNoFromWord(const QString &word);

} // namespace vesk
