#include "DownloadPage.h"

#include "Database.h"
#include "HistoryFiles.h"
#include "ReportTables.h"
#include "SpreadsheetExport.h"

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
        if (!WriteHistoryReportPdf(db, filter, *group, lang, c.privacy, file, &why, c.currency))
            return FailedPage(why, lang);
        type = "application/pdf";
    } else {
        const ExportFormat format = ExportFormatOf(file);
        if (!WriteHistoryExport(db, filter, lang, c.privacy, file, &why, c.currency))
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
