// A listed row for tests that leave one in the agent's journal before the program starts.
#pragma once

#include "ListedRecord.h"

namespace vesk::test {

// Printer "Office" on PC-ONE, department IT, no IP or MAC; only the document name varies.
inline ListedRecord journalRow(const QString &document)
{
    ListedRecord row;
    row.Id = NewRecordId();
    row.Cells = {QStringLiteral("Office"),
                 document,
                 QStringLiteral("PC-ONE"),
                 QStringLiteral("1"),
                 QStringLiteral("10"),
                 QStringLiteral("A4"),
                 QStringLiteral("2026-01-02 03:04:05"),
                 QStringLiteral("bob"),
                 {},
                 {},
                 QStringLiteral("Bob"),
                 QStringLiteral("IT")};
    return row;
}

} // namespace vesk::test
