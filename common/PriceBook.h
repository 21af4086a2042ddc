// The stored price list (tPrice, tPaperFactor): read for costing, changed by the console and the
// command, and the recost of stored records at the prices now.
#pragma once

#include "JobCost.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace vesk {

// The printer name of the default prices' row in tPrice.
inline const QString DefaultPricesName = QString();

// The price list as stored now; std::nullopt with the database's text.
std::optional<PriceList> ReadPriceList(const QSqlDatabase &db, QString *error = nullptr);

// The parts of a printer's prices, one column each in the console's printer list.
enum class PricePart
{
    Mono,
    Colour,
    DuplexFactor
};

// `name` (trimmed) as tPrinter spells it, matched as its name column compares (letter case
// ignored); an empty text when tPrinter has no such printer; std::nullopt with the database's text.
std::optional<QString> ListedPrinterName(const QSqlDatabase &db, const QString &name,
                                         QString *error = nullptr);

// Sets the parts of `prices` that are given for `printer` (DefaultPricesName: the default) and
// keeps the others; its own transaction. The printer must be one of tPrinter (ListedPrinterName)
// and a new row takes its spelling there; another is refused, nothing changed, with
// `*unknownPrinter` set for the caller to say so.
bool SetPrinterPrices(QSqlDatabase &db, const QString &printer, const PrinterPrices &prices,
                      QString *error = nullptr, bool *unknownPrinter = nullptr);
// Clears the printer's own `parts` (DefaultPricesName: the default's), so the default's apply
// (for the default: no price); a row left without any part is removed. The printer is matched as
// SetPrinterPrices matches it; one of tPrinter without prices of its own is no error. A name that
// is neither in tPrinter nor in the price list is refused as SetPrinterPrices refuses it; one
// only in the price list (a removed printer's prices) is cleared. Its own transaction.
bool ClearPrinterPrices(QSqlDatabase &db, const QString &printer,
                        const std::vector<PricePart> &parts, QString *error = nullptr,
                        bool *unknownPrinter = nullptr);
// The factor of a paper, replacing the one of the same name (letter case ignored).
bool SetPaperFactor(QSqlDatabase &db, const QString &paper, qint64 factor,
                    QString *error = nullptr);

// A part as entered: a price in the currency (its decimals and the price's extra ones), or a
// factor; std::nullopt with the problem.
std::optional<qint64> ParsePricePart(PricePart part, const QString &text, const Currency &currency,
                                     AmountProblem *problem = nullptr);
// The printer's own part as text; empty where it has none (the default applies).
QString PricePartText(PricePart part, const PrinterPrices &own, const Currency &currency);
// The prices with only `part` set to `value`, for SetPrinterPrices.
PrinterPrices WithPricePart(PricePart part, qint64 value);
// The catalogue key of the message that refuses a part's text (%s: the text).
QString PricePartRefusalKey(PricePart part);

// What a recost changed on one printer's records: how many, their cost before and after (minor
// units; a record without a cost counts 0).
struct RecostChange
{
    QString printer;
    qint64 records = 0;
    qint64 before = 0;
    qint64 after = 0;
};

// Costs the records that `filter` selects (" where ..." of tPrinterData, or empty: all) again at
// the prices stored now, in one transaction with the totals' fold. The changes per printer (only
// records whose cost changed), in printer order; std::nullopt with the database's text, nothing
// changed.
std::optional<std::vector<RecostChange>> RecostRecords(QSqlDatabase &db, const QString &filter,
                                                       QString *error = nullptr);

} // namespace vesk
