// A search of a console view: the statement to run and the WHERE clause kept for print and export.
#pragma once

#include "Totals.h"

#include <QString>

#include <optional>

namespace vesk {

struct SearchStatement
{
    QString statement;
    QString filter; // empty, or beginning with " where "
    // The same search for the kept totals, where they hold every condition it has.
    std::optional<TotalsSearch> totals;
};

// Appends `prefix` (" AND <column> like ") and the trimmed text between '%' signs as a quoted
// value; nothing when the text is blank.
void appendLike(QString &filter, const QString &prefix, const QString &text);

} // namespace vesk
