// The record tables of print and export: names, column lists and group columns.
#include "ReportTables.h"

namespace vesk {

QString ReportTableName(ReportTable table)
{
    return table == ReportTable::PrinterData ? QStringLiteral("tPrinterData")
                                             : QStringLiteral("tHost");
}

const std::vector<ColumnTitle> &ReportColumnTitles(ReportTable table)
{
    return table == ReportTable::PrinterData ? PrinterDataTitles() : HostTitles();
}

const std::vector<QString> &ReportGroupColumns(ReportTable table)
{
    static const std::vector<QString> printerData{
        QStringLiteral("DeptName"), QStringLiteral("HostName"), QStringLiteral("EmName"),
        QStringLiteral("PrinterName")};
    static const std::vector<QString> host{QStringLiteral("DeptName"), QStringLiteral("HostName"),
                                           QStringLiteral("EmName"), QStringLiteral("tNetGroup")};
    return table == ReportTable::PrinterData ? printerData : host;
}

std::optional<QString> FindReportGroupColumn(ReportTable table, const QString &name)
{
    for (const QString &column : ReportGroupColumns(table)) {
        if (column.compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    return std::nullopt;
}

QString ReportColumnTitle(ReportTable table, const QString &field, const LangLookup &lang)
{
    for (const ColumnTitle &c : ReportColumnTitles(table)) {
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            return columnTitle(c, lang);
    }
    return field;
}

QString ReportHeadingKey(ReportTable table)
{
    return table == ReportTable::PrinterData ? QStringLiteral("RSPrintDataPrintTitle")
                                             : QStringLiteral("RSHostPrintTitle");
}

QString ReportTitleKey()
{
    return QStringLiteral("RSDataPrint");
}

} // namespace vesk
