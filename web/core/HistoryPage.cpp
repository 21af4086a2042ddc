#include "HistoryPage.h"

#include "Database.h"
#include "JobOutcome.h"
#include "RecordPage.h"

#include <QDateTime>

namespace vesk::web {

namespace {

using Pairs = QList<std::pair<QString, QString>>;

QString title(const RecordColumn &col, const LangLookup &lang)
{
    return columnTitle(ColumnTitle{QLatin1String(col.field), QLatin1String(col.titleKey)}, lang);
}

// The search form: department, dates, the name boxes, the job conditions and the order in force.
QString searchForm(const PageContext &c, const Search &s, const QString &sortName,
                   const QString &dir)
{
    const LangLookup &lang = c.lang;
    QString form = QStringLiteral("<form class=\"search\" method=\"get\" action=\"/history\">") +
                   DeptSelect(c) +
                   Input(lang(QStringLiteral("RSWebFrom")), "from", s.from, "date") +
                   Input(lang(QStringLiteral("RSTo")), "to", s.to, "date") +
                   Input(lang(QStringLiteral("RShostName")), "computer", s.criteria.host) +
                   Input(lang(QStringLiteral("RSPrinterName")), "printer", s.criteria.printer) +
                   Input(lang(QStringLiteral("RSEmName")), "employee", s.criteria.em);
    const auto choice = [&](const char *name, const char *titleKey, const QString &chosen,
                            const Pairs &options) {
        form += QStringLiteral("<label>") + HtmlEscape(lang(QLatin1String(titleKey))) +
                QStringLiteral("<select name=\"") + QLatin1String(name) + QStringLiteral("\">") +
                Option(QString(), chosen, lang(QStringLiteral("RSAnyValue")));
        for (const auto &[value, key] : options)
            form += Option(value, chosen, lang(key));
        form += QStringLiteral("</select></label>");
    };
    choice("outcome", "RSJobOutcome", s.outcome,
           {{QStringLiteral("printed"), QStringLiteral("RSJobPrinted")},
            {QStringLiteral("cancelled"), QStringLiteral("RSJobCancelled")},
            {QStringLiteral("aborted"), QStringLiteral("RSJobAborted")}});
    choice("color", "RSColorPrint", s.color,
           {{QStringLiteral("yes"), QStringLiteral("RSYES")},
            {QStringLiteral("no"), QStringLiteral("RSNO")}});
    choice("duplex", "RSDuplex", s.duplex,
           {{QStringLiteral("yes"), QStringLiteral("RSYES")},
            {QStringLiteral("no"), QStringLiteral("RSNO")}});
    // The order in force goes along; at a phone's width, where the table's headings are hidden,
    // it is chosen here (the style sheet shows these two only there).
    form += QStringLiteral("<label class=\"sort\">") +
            HtmlEscape(lang(QStringLiteral("RSWebSortBy"))) +
            QStringLiteral("<select name=\"sort\">");
    for (const RecordColumn &col : PrinterDataColumnTable)
        form += Option(QLatin1String(col.field), sortName, title(col, lang));
    form += QStringLiteral("</select>");
    form += QStringLiteral("<select name=\"dir\">") +
            Option(QStringLiteral("desc"), dir, lang(QStringLiteral("RSWebDescending"))) +
            Option(QStringLiteral("asc"), dir, lang(QStringLiteral("RSWebAscending"))) +
            QStringLiteral("</select></label>");
    return form + QStringLiteral("<button>") + HtmlEscape(lang(QStringLiteral("RSSearchBtn "))) +
           QStringLiteral("</button></form>");
}

QString downloadLinks(const LangLookup &lang, const Pairs &searchParams)
{
    const QString search = QueryOf(searchParams);
    QString links = QStringLiteral("<p class=\"downloads\">");
    for (const auto &[file, key] :
         Pairs{{QStringLiteral("history.xlsx"), QStringLiteral("RSWebDownloadXlsx")},
               {QStringLiteral("history.csv"), QStringLiteral("RSWebDownloadCsv")},
               {QStringLiteral("report.pdf"), QStringLiteral("RSWebDownloadPdf")}})
        links += QStringLiteral("<a href=\"/download/") + file + HtmlEscape(search) +
                 QStringLiteral("\">") + HtmlEscape(lang(key)) + QStringLiteral("</a>");
    return links + QStringLiteral("</p>");
}

// The table's rows. Each cell names its column, so a phone's width can show a row as a card of
// labelled lines.
QString recordRows(const RecordPage &page, const PageContext &c, const QString &cutoff)
{
    QStringList labels;
    for (const RecordColumn &col : PrinterDataColumnTable)
        labels << QStringLiteral("<td data-label=\"") + HtmlEscape(title(col, c.lang)) +
                      QStringLiteral("\">");
    QString rows;
    for (const RecordPage::Row &r : page.rows) {
        rows += QStringLiteral("<tr>");
        for (int i = 0; i < PrinterDataColumnCount; ++i) {
            const QString field = QLatin1String(PrinterDataColumnTable[i].field);
            QString text = PrinterDataCellText(field, r.values[size_t(i)], c.lang, c.currency);
            bool isNumber = false;
            const qint64 bytes = r.values[size_t(i)].toLongLong(&isNumber);
            if (i == colPrintedDocumentSize && isNumber)
                text = ReadableSize(bytes);
            if (i == coldocumentName && !cutoff.isEmpty() &&
                r.values[colPrintTime].toString() < cutoff)
                text = RedactedDocumentName();
            rows += labels[i] + HtmlEscape(text) + QStringLiteral("</td>");
        }
        rows += QStringLiteral("</tr>");
    }
    return rows;
}

} // namespace

Response HistoryPage(const Request &r, const QSqlDatabase &db, const PageContext &c)
{
    const LangLookup &lang = c.lang;
    const std::optional<Search> s = SearchOf(r.query, c.today);
    const std::optional<PrinterDataColumn> sortColumn =
        PrinterDataColumnNamed(r.query.value(QStringLiteral("sort"), QStringLiteral("PrintTime")));
    const QString dir = r.query.value(QStringLiteral("dir"), QStringLiteral("desc"));
    // A page goes on after one row (the next page) or ends before one (the previous page).
    const QString afterText = r.query.value(QStringLiteral("after"));
    const QString beforeText = r.query.value(QStringLiteral("before"));
    bool afterOk = true, beforeOk = true;
    RecordPageQuery query;
    if (!afterText.isEmpty())
        query.after = afterText.toLongLong(&afterOk);
    if (!beforeText.isEmpty())
        query.before = beforeText.toLongLong(&beforeOk);
    if (!s || !sortColumn || (dir != u"asc" && dir != u"desc") || !afterOk || !beforeOk ||
        (query.after && query.before))
        return ErrorPage(400, lang);
    query.filter = PrinterDataSearch(s->criteria).filter + ScopeClause(c.scope, engineOf(db));
    query.sort = *sortColumn;
    // Hidden names sort as the text shown in their place, not among the others by their initials.
    const QString cutoff = RedactionCutoff(c.privacy, QDateTime::currentDateTime());
    if (*sortColumn == coldocumentName && !cutoff.isEmpty())
        query.sortSql = ShownDocumentNameSql(cutoff);
    query.ascending = dir == u"asc";
    query.rows = PageRows;
    RecordPage page;
    QString why;
    if (!ReadRecordPage(db, query, page, &why))
        return FailedPage(why, lang);
    if (page.anchorMissing)
        return ErrorPage(404, lang);

    const Pairs searchParams = s->params(c.dept);
    const RecordColumn &sorted = PrinterDataColumnTable[*sortColumn];
    const QString sortName = QLatin1String(sorted.field);
    QString body = searchForm(c, *s, sortName, dir) + downloadLinks(lang, searchParams) +
                   QStringLiteral("<div class=\"scroll\"><table class=\"records\"><tr>");
    for (const RecordColumn &col : PrinterDataColumnTable) {
        const QString field = QLatin1String(col.field);
        const bool isSorted = &col == &sorted;
        auto params = searchParams;
        params << std::pair{QStringLiteral("sort"), field}
               << std::pair{QStringLiteral("dir"), isSorted && !query.ascending
                                                       ? QStringLiteral("asc")
                                                       : QStringLiteral("desc")};
        body +=
            QStringLiteral("<th><a href=\"/history") + HtmlEscape(QueryOf(params)) +
            QStringLiteral("\">") + HtmlEscape(title(col, lang)) +
            (isSorted ? (query.ascending ? QStringLiteral(" &#9650;") : QStringLiteral(" &#9660;"))
                      : QString()) +
            QStringLiteral("</a></th>");
    }
    body +=
        QStringLiteral("</tr>") + recordRows(page, c, cutoff) + QStringLiteral("</table></div>");
    if (page.rows.empty())
        body += QStringLiteral("<p>") + HtmlEscape(lang(QStringLiteral("RSWebNoRows"))) +
                QStringLiteral("</p>");
    auto pageParams = searchParams;
    pageParams << std::pair{QStringLiteral("sort"), sortName}
               << std::pair{QStringLiteral("dir"), dir};
    const auto pageLink = [&](const char *rel, const char *anchorName, qint64 anchorKey,
                              const char *textKey) {
        auto params = pageParams;
        if (anchorName)
            params << std::pair{QLatin1String(anchorName), QString::number(anchorKey)};
        body += QStringLiteral("<a rel=\"") + QLatin1String(rel) +
                QStringLiteral("\" href=\"/history") + HtmlEscape(QueryOf(params)) +
                QStringLiteral("\">") + HtmlEscape(lang(QLatin1String(textKey))) +
                QStringLiteral("</a> ");
    };
    body += QStringLiteral("<p class=\"pages\">");
    if (page.earlier && !page.rows.empty()) {
        pageLink("first", nullptr, 0, "RSWebFirstPage");
        pageLink("prev", "before", page.rows.front().key, "RSWebPreviousPage");
    }
    if (page.later && !page.rows.empty())
        pageLink("next", "after", page.rows.back().key, "RSWebNextPage");
    body += QStringLiteral("</p>");
    Response out;
    out.body = PageHtml(c, lang(QStringLiteral("RSWebHistory")), body).toUtf8();
    return out;
}

} // namespace vesk::web
