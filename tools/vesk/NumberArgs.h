// Numbers from the command line (amounts, prices, factors, counts), parsed by the money rules;
// a text that is none is told with its reason, as every command group tells it.
#pragma once

#include "CommandContext.h"
#include "Money.h"

#include <optional>

namespace vesk::cli {

// `parse` is one of Money.h's routines bound to its scale: (text, AmountProblem *) -> value.
template <typename Parse>
std::optional<qint64> ParsedNumber(CommandContext &c, const QString &text, int decimals,
                                   Parse parse)
{
    AmountProblem problem = AmountProblem::None;
    const std::optional<qint64> value = parse(text, &problem);
    if (!value)
        c.fail(AmountProblemText(problem, text, decimals));
    return value;
}

// An amount of money in the currency's minor units.
inline std::optional<qint64> ParsedAmount(CommandContext &c, const QString &text,
                                          const Currency &currency)
{
    return ParsedNumber(c, text, currency.decimals, [&](const QString &t, AmountProblem *p) {
        return ParseAmount(t, currency, p);
    });
}

} // namespace vesk::cli
