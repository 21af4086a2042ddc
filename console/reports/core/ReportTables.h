// The two record tables that the console prints and exports, and what each one needs.
#pragma once

#include "Catalogue.h"

#include <QString>

#include <optional>
#include <vector>

namespace vesk {

enum class ReportTable
{
    PrinterData, // the print history, tPrinterData
    Host         // the computer directory, tHost
};

// The table's name as the statements write it.
QString ReportTableName(ReportTable table);

// The table's columns with their catalogue keys; the one list the grids, the settings, the
// report and the export all read, so a new column reaches all of them.
const std::vector<ColumnTitle> &ReportColumnTitles(ReportTable table);

// The group columns of grouped printing, in the order the radio buttons are tested.
const std::vector<QString> &ReportGroupColumns(ReportTable table);
// A group column named in any letter case, spelled as the table above spells it; none when the
// name is not one of the table's group columns.
std::optional<QString> FindReportGroupColumn(ReportTable table, const QString &name);

// The title of one of the table's columns in the current language (its own name where it has
// no catalogue key); the field's name when the table has no such column.
QString ReportColumnTitle(ReportTable table, const QString &field, const LangLookup &lang);

// Catalogue keys of the report's heading and of its title (preview window and print job).
QString ReportHeadingKey(ReportTable table);
QString ReportTitleKey();

} // namespace vesk
