// Money texts in and out, digit by digit: no value passes through a double.
#include "Money.h"

#include "IniFile.h"

#include <QDir>

#include <algorithm>
#include <array>

namespace vesk {

namespace {

qint64 pow10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// The largest amount, price and factor the columns take; far beyond any real one, and small
// enough that a job's cost (pages x price x two factors) stays within 128 bits.
constexpr qint64 MaxAmount = 1000000000000000LL; // 10^15 minor units
constexpr qint64 MaxPrice = 1000000000000000LL;  // 10^9 minor units a page

} // namespace

int CurrencyDecimals(const QString &code)
{
    // ISO 4217's exceptions to two decimals among the codes in use.
    static const std::array<const char *, 17> none{"BIF", "CLP", "DJF", "GNF", "ISK", "JPY",
                                                   "KMF", "KRW", "PYG", "RWF", "UGX", "UYI",
                                                   "VND", "VUV", "XAF", "XOF", "XPF"};
    static const std::array<const char *, 7> three{"BHD", "IQD", "JOD", "KWD", "LYD", "OMR", "TND"};
    const QString c = code.trimmed().toUpper();
    for (const char *n : none)
        if (c == QLatin1String(n))
            return 0;
    for (const char *n : three)
        if (c == QLatin1String(n))
            return 3;
    return 2;
}

Currency CurrencyOf(const QString &code)
{
    const QString c = code.trimmed().toUpper();
    const bool letters = c.size() == 3 && std::all_of(c.begin(), c.end(), [](QChar ch) {
                             return ch >= u'A' && ch <= u'Z';
                         });
    if (!letters)
        return Currency{};
    return Currency{c, CurrencyDecimals(c)};
}

Currency ReadCurrency(const QString &appDir)
{
    const IniFile ini = IniFile::config(QDir(appDir).filePath(QStringLiteral("Config.ini")));
    return CurrencyOf(ini.readString(QStringLiteral("Cost"), QStringLiteral("Currency")));
}

std::optional<qint64> ParseDecimal(const QString &text, int decimals, qint64 max,
                                   AmountProblem *problem)
{
    const auto refuse = [problem](AmountProblem p) {
        if (problem)
            *problem = p;
        return std::optional<qint64>();
    };
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(u'-')) {
        negative = true;
        t.remove(0, 1);
    }
    const qsizetype point = t.indexOf(u'.');
    const QString whole = point < 0 ? t : t.left(point);
    const QString fraction = point < 0 ? QString() : t.mid(point + 1);
    const auto digits = [](const QString &s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if ((whole.isEmpty() && fraction.isEmpty()) || !digits(whole) || !digits(fraction))
        return refuse(AmountProblem::NotANumber);
    if (negative) {
        // "-0" and "-0.00" are zero, not a negative amount.
        const bool zero =
            std::none_of(t.begin(), t.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
        if (!zero)
            return refuse(AmountProblem::Negative);
    }
    // Trailing zeros beyond the allowed digits say nothing more ("0.50" in yen is not 0.5).
    QString frac = fraction;
    while (frac.size() > decimals && frac.endsWith(u'0'))
        frac.chop(1);
    if (frac.size() > decimals)
        return refuse(AmountProblem::TooManyDecimals);
    qint64 value = 0;
    const qint64 limit = max;
    const QString all = whole + frac.leftJustified(decimals, u'0');
    for (QChar c : all) {
        const int d = c.unicode() - u'0';
        if (value > (limit - d) / 10)
            return refuse(AmountProblem::TooLarge);
        value = value * 10 + d;
    }
    if (problem)
        *problem = AmountProblem::None;
    return value;
}

std::optional<qint64> ParseAmount(const QString &text, const Currency &currency,
                                  AmountProblem *problem)
{
    return ParseDecimal(text, currency.decimals, MaxAmount, problem);
}

std::optional<qint64> ParsePrice(const QString &text, const Currency &currency,
                                 AmountProblem *problem)
{
    return ParseDecimal(text, currency.decimals + PriceExtraDecimals, MaxPrice, problem);
}

std::optional<qint64> ParseFactor(const QString &text, AmountProblem *problem)
{
    return ParseDecimal(text, FactorDecimals, MaxFactor, problem);
}

QString AmountProblemText(AmountProblem problem, const QString &text, int decimals)
{
    switch (problem) {
    case AmountProblem::None:
        return {};
    case AmountProblem::NotANumber:
        return QStringLiteral("not a number: ") + text;
    case AmountProblem::Negative:
        return QStringLiteral("not a negative amount: ") + text;
    case AmountProblem::TooManyDecimals:
        return QStringLiteral("at most %1 decimals: %2").arg(decimals).arg(text);
    case AmountProblem::TooLarge:
        return QStringLiteral("too large: ") + text;
    }
    return {};
}

QString DecimalText(qint64 value, int decimals, int minDecimals)
{
    const bool negative = value < 0;
    // The magnitude as unsigned: the most negative value has no positive twin.
    const quint64 magnitude = negative ? 0 - quint64(value) : quint64(value);
    const quint64 scale = quint64(pow10(decimals));
    QString fraction = decimals > 0
                           ? QString::number(magnitude % scale).rightJustified(decimals, u'0')
                           : QString();
    while (fraction.size() > minDecimals && fraction.endsWith(u'0'))
        fraction.chop(1);
    QString out = QString::number(magnitude / scale);
    if (!fraction.isEmpty())
        out += u'.' + fraction;
    return negative ? u'-' + out : out;
}

QString PlainMoney(qint64 minor, const Currency &currency)
{
    return DecimalText(minor, currency.decimals);
}

QString PriceText(qint64 price, const Currency &currency)
{
    return DecimalText(price, currency.decimals + PriceExtraDecimals, currency.decimals);
}

QString FactorText(qint64 factor)
{
    return DecimalText(factor, FactorDecimals, 0);
}

QString FormatMoney(qint64 minor, const Currency &currency, const QLocale &locale)
{
    const bool negative = minor < 0;
    const quint64 magnitude = negative ? 0 - quint64(minor) : quint64(minor);
    const quint64 scale = quint64(pow10(currency.decimals));
    QString out = locale.toString(magnitude / scale);
    if (currency.decimals > 0)
        out += locale.decimalPoint() +
               QString::number(magnitude % scale).rightJustified(currency.decimals, u'0');
    if (negative)
        out.prepend(locale.negativeSign());
    if (!currency.code.isEmpty())
        out += u' ' + currency.code;
    return out;
}

QLocale MoneyLocale(const QString &langCode)
{
    return langCode.trimmed().compare(QStringLiteral("cn"), Qt::CaseInsensitive) == 0
               ? QLocale(QLocale::Chinese, QLocale::China)
               : QLocale(QLocale::English, QLocale::UnitedStates);
}

} // namespace vesk
