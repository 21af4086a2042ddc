// Money texts, papers by size and the cost of a job: each rule's cases in one table.
#include "JobCost.h"
#include "Money.h"
#include "PaperMatch.h"
#include "PriceBook.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

const Currency None{};
const Currency Yen = CurrencyOf(QStringLiteral("jpy"));
const Currency Dinar = CurrencyOf(QStringLiteral("KWD"));
const Currency Euro = CurrencyOf(QStringLiteral("EUR"));

} // namespace

TEST(Money, ParsesAndWritesAmountsExactly)
{
    EXPECT_EQ(Yen.decimals, 0);
    EXPECT_EQ(Dinar.decimals, 3);
    EXPECT_EQ(Euro.decimals, 2);
    EXPECT_EQ(CurrencyOf(QStringLiteral("e1")).code, QString());
    const struct
    {
        const char *text;
        Currency currency;
        std::optional<qint64> minor;
        AmountProblem problem;
    } amounts[] = {
        {"12.34", Euro, 1234, AmountProblem::None},
        {" 7 ", None, 700, AmountProblem::None},
        {".5", None, 50, AmountProblem::None},
        {"0.10", Yen, std::nullopt, AmountProblem::TooManyDecimals},
        {"100.0", Yen, 100, AmountProblem::None},
        {"1.2345", Dinar, std::nullopt, AmountProblem::TooManyDecimals},
        {"1.234", Dinar, 1234, AmountProblem::None},
        {"-1", Euro, std::nullopt, AmountProblem::Negative},
        {"-0.00", Euro, 0, AmountProblem::None},
        {"1,5", Euro, std::nullopt, AmountProblem::NotANumber},
        {"abc", Euro, std::nullopt, AmountProblem::NotANumber},
        {"", Euro, std::nullopt, AmountProblem::NotANumber},
        {"1e3", Euro, std::nullopt, AmountProblem::NotANumber},
        {"+1", Euro, std::nullopt, AmountProblem::NotANumber},
        {"99999999999999999999", Euro, std::nullopt, AmountProblem::TooLarge},
    };
    for (const auto &a : amounts) {
        SCOPED_TRACE(a.text);
        AmountProblem problem = AmountProblem::None;
        EXPECT_EQ(ParseAmount(QLatin1String(a.text), a.currency, &problem), a.minor);
        EXPECT_EQ(problem, a.problem);
    }
    // Prices go six digits below the minor unit; factors four below one.
    EXPECT_EQ(ParsePrice(QStringLiteral("0.035"), Euro), 3500000);
    EXPECT_EQ(ParsePrice(QStringLiteral("0.00000001"), Euro), 1);
    EXPECT_EQ(ParsePrice(QStringLiteral("0.000000001"), Euro), std::nullopt);
    EXPECT_EQ(ParseFactor(QStringLiteral("0.8")), 8000);
    EXPECT_EQ(ParseFactor(QStringLiteral("101")), std::nullopt);

    EXPECT_EQ(PlainMoney(123456, Euro), QStringLiteral("1234.56"));
    EXPECT_EQ(PlainMoney(5, Dinar), QStringLiteral("0.005"));
    EXPECT_EQ(PlainMoney(1234, Yen), QStringLiteral("1234"));
    EXPECT_EQ(PriceText(3500000, Euro), QStringLiteral("0.035"));
    EXPECT_EQ(PriceText(100000000, Euro), QStringLiteral("1.00"));
    EXPECT_EQ(FactorText(8000), QStringLiteral("0.8"));
    EXPECT_EQ(FactorText(20000), QStringLiteral("2"));
    EXPECT_EQ(FormatMoney(123456789, Euro, MoneyLocale(QStringLiteral("en"))),
              QStringLiteral("1,234,567.89 EUR"));
    EXPECT_EQ(FormatMoney(-5, None, MoneyLocale(QStringLiteral("cn"))), QStringLiteral("-0.05"));
    EXPECT_EQ(FormatMoney(1234, Yen, MoneyLocale(QStringLiteral("en"))),
              QStringLiteral("1,234 JPY"));
}

// A printer list cell: parsed as its part's kind, refused with its part's message, and written
// back as the list shows it.
TEST(Money, PriceListCellsAreValidatedByTheirPart)
{
    const struct
    {
        PricePart part;
        const char *text;
        Currency currency;
        std::optional<qint64> value;
        AmountProblem problem;
        const char *shown;
    } cells[] = {
        {PricePart::Mono, "0.035", Euro, 3500000, AmountProblem::None, "0.035"},
        {PricePart::Colour, " 1 ", Yen, 1000000, AmountProblem::None, "1"},
        {PricePart::Colour, "0.1234567", Dinar, 123456700, AmountProblem::None, "0.1234567"},
        {PricePart::Mono, "0.000000001", Euro, std::nullopt, AmountProblem::TooManyDecimals, ""},
        {PricePart::Mono, "0.0000001", Yen, std::nullopt, AmountProblem::TooManyDecimals, ""},
        {PricePart::Mono, "-0.05", Euro, std::nullopt, AmountProblem::Negative, ""},
        {PricePart::Colour, "ten", Euro, std::nullopt, AmountProblem::NotANumber, ""},
        {PricePart::Colour, "0,05", Euro, std::nullopt, AmountProblem::NotANumber, ""},
        {PricePart::DuplexFactor, "0.8", Euro, 8000, AmountProblem::None, "0.8"},
        {PricePart::DuplexFactor, "0.12345", Euro, std::nullopt, AmountProblem::TooManyDecimals,
         ""},
        {PricePart::DuplexFactor, "-1", Euro, std::nullopt, AmountProblem::Negative, ""},
        {PricePart::DuplexFactor, "half", Euro, std::nullopt, AmountProblem::NotANumber, ""},
        {PricePart::DuplexFactor, "1000", Euro, std::nullopt, AmountProblem::TooLarge, ""},
    };
    for (const auto &c : cells) {
        SCOPED_TRACE(c.text);
        AmountProblem problem = AmountProblem::None;
        const std::optional<qint64> value =
            ParsePricePart(c.part, QLatin1String(c.text), c.currency, &problem);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(PricePartText(c.part, value ? WithPricePart(c.part, *value) : PrinterPrices{},
                                c.currency),
                  QLatin1String(c.shown));
        EXPECT_EQ(PricePartRefusalKey(c.part), c.part == PricePart::DuplexFactor
                                                   ? QStringLiteral("RSBadFactor")
                                                   : QStringLiteral("RSBadPrice"));
    }
}

TEST(Money, PapersMatchBySizeNotByText)
{
    const struct
    {
        const char *a, *b;
        bool same;
    } papers[] = {
        {"A3", "iso_a3_297x420mm", true},
        {"A3", "A3 sheet, 297- by 420-millimeters", true},
        {"a3.Borderless", "A3 Sheet, 297- by 420-millimeters", true},
        {"Letter", "na_letter_8.5x11in", true},
        {"Letter, 8 1/2- by 11-inches", "na_letter_8.5x11in", true},
        {"Ledger, 17- by 11-inches", "Tabloid", true},
        {"A4", "A3", false},
        {"A4", "Letter", false},
        {"Other", "other ", true},
        {"Other", "A4", false},
    };
    for (const auto &p : papers)
        EXPECT_EQ(SamePaper(QLatin1String(p.a), QLatin1String(p.b)), p.same) << p.a << " / " << p.b;
}

// Every branch of the rule: pages by outcome, price by colour and printer, paper and two-sided
// factors, the one rounding per job (half away from zero), and no price at all.
TEST(Money, CostsEachJobByTheRule)
{
    PriceList prices;
    prices.defaults = {3000000, 10000000, 8000}; // 0.03 mono, 0.10 colour, two-sided 0.8
    prices.printers.insert(QStringLiteral("colourlaser"), {std::nullopt, 25000000, 5000});
    prices.printers.insert(QStringLiteral("cheap"), {1000000, std::nullopt, std::nullopt});
    prices.papers = {{QStringLiteral("A3"), 20000}, {QStringLiteral("iso_a5_148x210mm"), 5000}};
    PriceList unpriced;
    unpriced.printers.insert(QStringLiteral("p"), {std::nullopt, 1000000, std::nullopt});

    const auto job = [](const char *printer, const char *paper, qint64 total,
                        std::optional<JobOutcome> outcome, std::optional<qint64> printed,
                        bool colour, bool duplex) {
        return CostedJob{
            QLatin1String(printer), QLatin1String(paper), total, outcome, printed, colour, duplex};
    };
    const auto P = JobOutcome::Printed, C = JobOutcome::Cancelled, A = JobOutcome::Aborted;
    const struct
    {
        const char *what;
        const PriceList &list;
        CostedJob job;
        std::optional<qint64> cost;
    } cases[] = {
        {"printed, default mono", prices, job("Any", "A4", 10, P, 10, false, false), 30},
        {"no outcome: page count", prices, job("Any", "A4", 10, {}, {}, false, false), 30},
        {"printed, count not reported", prices, job("Any", "A4", 10, P, 0, false, false), 30},
        {"cancelled, nothing printed", prices, job("Any", "A4", 10, C, 0, false, false), 0},
        {"cancelled, count unknown", prices, job("Any", "A4", 10, C, {}, false, false), 0},
        {"aborted part way", prices, job("Any", "A4", 10, A, 4, false, false), 12},
        {"colour, default", prices, job("Any", "A4", 3, P, 3, true, false), 30},
        {"printer's colour", prices, job("ColourLaser", "A4", 3, P, 3, true, false), 75},
        {"printer without mono: default's", prices, job("colourlaser", "A4", 3, P, 3, false, false),
         9},
        {"printer's mono", prices, job("CHEAP", "A4", 3, P, 3, false, false), 3},
        {"printer without colour: default's", prices, job("cheap", "A4", 3, P, 3, true, false), 30},
        {"paper A3 by its stored name", prices,
         job("Any", "A3 sheet, 297- by 420-millimeters", 5, P, 5, false, false), 30},
        {"A5 by its common name; half a cent rounds up: 0.03 x 0.5", prices,
         job("Any", "A5", 1, P, 1, false, false), 2},
        {"two-sided, default factor", prices, job("Any", "A4", 10, P, 10, false, true), 24},
        {"two-sided, printer's factor", prices, job("ColourLaser", "A4", 2, P, 2, true, true), 25},
        {"two-sided A5: 0.03 x 0.5 x 0.8 x 3 = 0.036", prices,
         job("Any", "A5", 3, P, 3, false, true), 4},
        {"rounding once per job, not per page: 7 x 0.015", prices,
         job("Any", "A5", 7, P, 7, false, false), 11},
        {"no price applies", unpriced, job("other", "A4", 10, P, 10, false, false), std::nullopt},
        {"only colour priced, mono job", unpriced, job("p", "A4", 10, P, 10, false, false),
         std::nullopt},
        {"huge held at the column's largest", prices,
         job("Any", "A3", 4000000000, P, 4000000000, true, false), MaxJobCost},
    };
    for (const auto &c : cases)
        EXPECT_EQ(JobCost(c.list, c.job), c.cost) << c.what;
}
