// The cost rule.
#include "JobCost.h"

#include "PaperMatch.h"

namespace vesk {

namespace {

std::optional<qint64> optionalInteger(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const qint64 n = v.toString().toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

} // namespace

PrinterPrices PriceList::pricesOf(const QString &printer) const
{
    PrinterPrices p = printers.value(printer.toLower());
    if (!p.mono)
        p.mono = defaults.mono;
    if (!p.colour)
        p.colour = defaults.colour;
    if (!p.duplexFactor)
        p.duplexFactor = defaults.duplexFactor;
    return p;
}

qint64 PriceList::paperFactor(const QString &paper) const
{
    for (const PaperFactor &f : papers) {
        if (SamePaper(f.paper, paper))
            return f.factor;
    }
    return FactorOne;
}

qint64 ChargedPages(const CostedJob &job)
{
    if (!job.outcome)
        return job.totalPages;
    switch (*job.outcome) {
    case JobOutcome::Cancelled:
    case JobOutcome::Aborted:
        return job.pagesPrinted.value_or(0);
    case JobOutcome::Printed:
        break;
    }
    return job.pagesPrinted && *job.pagesPrinted > 0 ? *job.pagesPrinted : job.totalPages;
}

std::optional<qint64> JobCost(const PriceList &prices, const CostedJob &job)
{
    const PrinterPrices p = prices.pricesOf(job.printer);
    const std::optional<qint64> price = job.colour ? p.colour : p.mono;
    if (!price)
        return std::nullopt;
    const qint64 pages = std::max<qint64>(ChargedPages(job), 0);
    const qint64 duplex = job.duplex ? p.duplexFactor.value_or(FactorOne) : FactorOne;
    const qint64 paper = prices.paperFactor(job.paper);
    // Millionths of a minor unit times two factors in ten thousandths: 10^14 parts of a minor
    // unit. Each value is non-negative and bounded where it is entered; a product that would
    // still overflow is held at the largest cost.
    WideInt n = 0;
    if (__builtin_mul_overflow(WideInt(pages), WideInt(std::max<qint64>(*price, 0)), &n) ||
        __builtin_mul_overflow(n, WideInt(std::max<qint64>(paper, 0)), &n) ||
        __builtin_mul_overflow(n, WideInt(std::max<qint64>(duplex, 0)), &n))
        return MaxJobCost;
    constexpr WideInt Divisor = WideInt(PriceUnitsPerMinor) * FactorOne * FactorOne;
    const WideInt rounded = (n + Divisor / 2) / Divisor; // half away from zero: n >= 0
    return rounded > MaxJobCost ? MaxJobCost : qint64(rounded);
}

CostedJob CostedJobOf(const QVariant &printer, const QVariant &paper, const QVariant &totalPages,
                      const QVariant &outcome, const QVariant &pagesPrinted, const QVariant &colour,
                      const QVariant &duplex)
{
    CostedJob job;
    job.printer = printer.toString();
    job.paper = paper.toString();
    job.totalPages = optionalInteger(totalPages).value_or(0);
    if (const auto code = optionalInteger(outcome)) {
        if (*code >= int(JobOutcome::Printed) && *code <= int(JobOutcome::Aborted))
            job.outcome = JobOutcome(*code);
    }
    job.pagesPrinted = optionalInteger(pagesPrinted);
    job.colour = optionalInteger(colour).value_or(0) == 1;
    job.duplex = optionalInteger(duplex).value_or(0) == 1;
    return job;
}

QString CostCellText(const QVariant &cost, const Currency &currency)
{
    const std::optional<qint64> minor = optionalInteger(cost);
    return minor ? PlainMoney(*minor, currency) : QString();
}

} // namespace vesk
