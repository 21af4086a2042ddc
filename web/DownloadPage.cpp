#include "DownloadPage.h"

#include "Database.h"
#include "GroupedReport.h"
#include "SpreadsheetExport.h"
#include "SqlText.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::web {

Response DownloadPage(const Request &r, const QSqlDatabase &db, const PageContext &c)
{
    const QString what = r.path.mid(r.path.lastIndexOf(u'/') + 1);
    const LangLookup &lang = c.lang;
    const std::optional<Search> s = SearchOf(r.query, c.today);
    if (!s)
        return ErrorPage(400, lang);
    const QString filter =
        PrinterDataSearch(s->criteria).filter + ScopeClause(c.scope, engineOf(db));
    QTemporaryDir dir;
    if (!dir.isValid())
        return FailedPage(QStringLiteral("no temporary folder"), lang);
    const QString file = dir.filePath(what);
    QString why;
    QByteArray type;
    if (what == u"report.pdf") {
        const QString word = r.query.value(QStringLiteral("group"), QStringLiteral("dept"));
        static const QHash<QString, QString> groups{
            {QStringLiteral("dept"), QStringLiteral("DeptName")},
            {QStringLiteral("host"), QStringLiteral("hostName")},
            {QStringLiteral("employee"), QStringLiteral("EmName")},
            {QStringLiteral("printer"), QStringLiteral("PrinterName")}};
        const std::optional<QString> group =
            groups.contains(word) ? FindReportGroupColumn(ReportTable::PrinterData, groups[word])
                                  : std::nullopt;
        if (!group)
            return ErrorPage(400, lang);
        ReportLayout layout;
        if (!LoadReportLayout(db, ReportTable::PrinterData, *group, lang, layout, &why))
            return FailedPage(why, lang);
        // The report reads whole rows: where names must not be shown, its column goes.
        if (c.privacy.active())
            std::erase_if(layout.columns, [](const ReportColumn &col) {
                return col.field.compare(QStringLiteral("documentName"), Qt::CaseInsensitive) == 0;
            });
        GroupedReport report(std::move(layout));
        if (!report.read(db, filter, &why) || !WriteReportPdf(report, file, &why))
            return FailedPage(why, lang);
        type = "application/pdf";
    } else {
        const ExportFormat format = ExportFormatOf(file);
        std::vector<ExportColumn> columns = ExportColumns(ReportTable::PrinterData, lang);
        // Names that the privacy settings hide are replaced in the statement itself, as the
        // history page replaces them, whether or not an agent has redacted them yet.
        const QString cutoff = RedactionCutoff(c.privacy, QDateTime::currentDateTime());
        for (ExportColumn &col : columns) {
            if (!cutoff.isEmpty() &&
                col.field.compare(QStringLiteral("documentName"), Qt::CaseInsensitive) == 0)
                col.field = QStringLiteral("case when PrintTime < %1 then %2 else documentName end")
                                .arg(QuotedStr(cutoff), QuotedStr(RedactedDocumentName()));
        }
        if (!ExportRecords(db, ReportTable::PrinterData, filter, columns, file, format, &why))
            return FailedPage(why, lang);
        type = format == ExportFormat::Csv
                   ? QByteArrayLiteral("text/csv; charset=utf-8")
                   : QByteArrayLiteral(
                         "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
    }
    // The open file outlives its folder: the server streams it and closes it.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st
    {
    };
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0)
            ::close(fd);
        return FailedPage(QStringLiteral("cannot read back ") + file, lang);
    }
    Response out;
    out.contentType = type;
    out.fd = fd;
    out.fdSize = st.st_size;
    out.headers << std::pair{QByteArrayLiteral("Content-Disposition"),
                             QByteArrayLiteral("attachment; filename=\"vesk-") + what.toLatin1() +
                                 '"'};
    return out;
}

} // namespace vesk::web
