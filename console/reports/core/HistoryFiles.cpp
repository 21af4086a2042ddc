#include "HistoryFiles.h"

#include "GroupedReport.h"
#include "ReportTables.h"
#include "SpreadsheetExport.h"

#include <QDateTime>

namespace vesk {

bool WriteHistoryReportPdf(QSqlDatabase db, const QString &filter, const QString &groupField,
                           const LangLookup &lang, const DocumentPrivacy &privacy,
                           const QString &file, QString *error, const Currency &currency)
{
    ReportLayout layout;
    if (!LoadReportLayout(db, ReportTable::PrinterData, groupField, lang, layout, error))
        return false;
    layout.currency = currency;
    if (privacy.active())
        std::erase_if(layout.columns, [](const ReportColumn &col) {
            return col.field.compare(QStringLiteral("documentName"), Qt::CaseInsensitive) == 0;
        });
    // The column titles in the reader's language: tShowSetting holds those of the console's
    // installation, in whatever language that was.
    for (ReportColumn &col : layout.columns) {
        const QString title = ReportColumnTitle(ReportTable::PrinterData, col.field, lang);
        if (title != col.field) // a column the catalogue has a title for
            col.title = title;
    }
    GroupedReport report(std::move(layout));
    return report.read(db, filter, error) && WriteReportPdf(report, file, error);
}

bool WriteHistoryExport(QSqlDatabase db, const QString &filter, const LangLookup &lang,
                        const DocumentPrivacy &privacy, const QString &file, QString *error,
                        const Currency &currency)
{
    std::vector<ExportColumn> columns = ExportColumns(ReportTable::PrinterData, lang, currency);
    const QString cutoff = RedactionCutoff(privacy, QDateTime::currentDateTime());
    for (ExportColumn &col : columns) {
        if (!cutoff.isEmpty() &&
            col.field.compare(QStringLiteral("documentName"), Qt::CaseInsensitive) == 0)
            col.field = ShownDocumentNameSql(cutoff);
    }
    return ExportRecords(db, ReportTable::PrinterData, filter, columns, file, ExportFormatOf(file),
                         error);
}

} // namespace vesk
