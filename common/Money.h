// Money without binary floating point: amounts are whole minor units of the configured currency
// (cents, yen, fils) in a 64-bit integer, prices millionths of a minor unit, factors ten
// thousandths. Texts go in and out through the routines here only.
#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace vesk {

// [Cost] Currency of Config.ini: an ISO 4217 code, or none (no code shown, two decimals).
struct Currency
{
    QString code;     // upper case; empty: none
    int decimals = 2; // digits of the minor unit
};

// The digits of a code's minor unit: 0 for JPY, KRW and the like, 3 for KWD, BHD and the like,
// else 2 (ISO 4217's usual case).
int CurrencyDecimals(const QString &code);
// The currency of a code as written in Config.ini; anything but three letters is none.
Currency CurrencyOf(const QString &code);
// [Cost] Currency of the folder's Config.ini.
Currency ReadCurrency(const QString &appDir);

// The 128-bit integer of products of money: pages x price x two factors fit it exactly.
__extension__ typedef __int128 WideInt;

// Prices carry this many digits below the minor unit (0.035 per page in a two-decimal currency).
inline constexpr int PriceExtraDecimals = 6;
inline constexpr qint64 PriceUnitsPerMinor = 1000000;
// Factors (paper, two-sided) carry four decimals: 10000 is 1.
inline constexpr int FactorDecimals = 4;
inline constexpr qint64 FactorOne = 10000;
// The largest factor accepted: keeps a job's cost within 128-bit arithmetic.
inline constexpr qint64 MaxFactor = 100 * FactorOne;

enum class AmountProblem
{
    None,
    NotANumber,      // empty, letters, a sign other than '-', two points
    Negative,        //
    TooManyDecimals, // more digits after the point than allowed
    TooLarge         // beyond what the columns hold
};

// A non-negative decimal text with at most `decimals` digits after a '.', as a whole number of
// 10^-decimals (" 12.5 " with 2 gives 1250). Blanks around it are ignored; nothing else is.
std::optional<qint64> ParseDecimal(const QString &text, int decimals, qint64 max,
                                   AmountProblem *problem = nullptr);
// An amount of money (a budget, a purchase) in minor units.
std::optional<qint64> ParseAmount(const QString &text, const Currency &currency,
                                  AmountProblem *problem = nullptr);
// A price per page in millionths of a minor unit.
std::optional<qint64> ParsePrice(const QString &text, const Currency &currency,
                                 AmountProblem *problem = nullptr);
// A factor in ten thousandths, at most MaxFactor.
std::optional<qint64> ParseFactor(const QString &text, AmountProblem *problem = nullptr);

// What is wrong, in English, for the command line: "not a number: x".
QString AmountProblemText(AmountProblem problem, const QString &text, int decimals);

// `value` 10^-decimals as plain digits with a '.': at least `minDecimals` digits after it, the
// trailing zeros beyond them dropped. No grouping, no code: CSV and the command's arguments.
QString DecimalText(qint64 value, int decimals, int minDecimals);
inline QString DecimalText(qint64 value, int decimals)
{
    return DecimalText(value, decimals, decimals);
}
// An amount in minor units as plain text ("1234.50"), a price (at least the currency's
// decimals, "0.035"), a factor ("0.8", "2").
QString PlainMoney(qint64 minor, const Currency &currency);
QString PriceText(qint64 price, const Currency &currency);
QString FactorText(qint64 factor);

// An amount for a screen: the language's digit grouping and decimal point, and the code after
// it where there is one ("1,234.50 EUR").
QString FormatMoney(qint64 minor, const Currency &currency, const QLocale &locale);
// The locale whose separators a language file's figures use.
QLocale MoneyLocale(const QString &langCode);

} // namespace vesk
