#include "Statement.h"

#include "BudgetBook.h"
#include "Database.h"
#include "HistoryFiles.h"
#include "PrinterDataSearch.h"
#include "ReportTables.h"
#include "Scope.h"
#include "TrendData.h"
#include "WebText.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace vesk {

namespace {

constexpr int TopRows = 10;

QString share(qint64 part, qint64 whole)
{
    return whole <= 0 ? QStringLiteral("-")
                      : QString::number(100.0 * double(part) / double(whole), 'f', 1) + u'%';
}

QString tr(const LangLookup &lang, const char *key)
{
    return lang(QLatin1String(key));
}

// The text part's and the HTML part's lines, built side by side.
struct Body
{
    QString text, html;

    void heading(const QString &title)
    {
        text += u'\n' + title + u'\n' + QString(title.size(), u'-') + u'\n';
        html += QStringLiteral("<h2 style=\"font-size:1.1em;margin:1em 0 .3em\">") +
                web::HtmlEscape(title) + QStringLiteral("</h2>");
    }
    void paragraph(const QString &p)
    {
        text += p + u'\n';
        html += QStringLiteral("<p>") + web::HtmlEscape(p) + QStringLiteral("</p>");
    }
    // Rows of cells; the first row is the heading where `heading` says so.
    void table(const QList<QStringList> &rows, bool heading = true)
    {
        QList<int> widths;
        for (const QStringList &r : rows) {
            for (int i = 0; i < r.size(); ++i) {
                if (widths.size() <= i)
                    widths << 0;
                widths[i] = std::max(widths[i], int(r[i].size()));
            }
        }
        html += QStringLiteral("<table style=\"border-collapse:collapse\">");
        for (int n = 0; n < rows.size(); ++n) {
            QString line;
            html += QStringLiteral("<tr>");
            for (int i = 0; i < rows[n].size(); ++i) {
                const QString &cell = rows[n][i];
                const bool figure = i > 0;
                line += (figure ? cell.rightJustified(widths[i]) : cell.leftJustified(widths[i])) +
                        QStringLiteral("  ");
                const QString tag = heading && n == 0 ? QStringLiteral("th") : QStringLiteral("td");
                html += u'<' + tag +
                        QStringLiteral(" style=\"padding:2px 8px;border-bottom:1px solid #ddd;"
                                       "text-align:%1\">")
                            .arg(figure ? QStringLiteral("right") : QStringLiteral("left")) +
                        web::HtmlEscape(cell) + QStringLiteral("</") + tag + u'>';
            }
            text += line.trimmed() + u'\n';
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
    }
};

std::optional<QByteArray> fileBytes(const QString &file, QString *error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read back %1: %2").arg(file, f.errorString());
        return std::nullopt;
    }
    return f.readAll();
}

} // namespace

std::optional<QDate> StatementMonth(const QString &text, const QDate &today)
{
    if (text == u"last")
        return QDate(today.year(), today.month(), 1).addMonths(-1);
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDate d = QDate::fromString(text + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

const LangLookup &AccountLang(const WebAccount &account, const LangLookup &english,
                              const LangLookup &chinese)
{
    return account.lang.compare(QStringLiteral("cn"), Qt::CaseInsensitive) == 0 ? chinese : english;
}

QString MonthTitle(const QDate &month, const LangLookup &lang)
{
    return QLocale::c().toString(month, tr(lang, "RSMailMonthFormat"));
}

QString GroupedNumber(qint64 n)
{
    static const QLocale grouping(QLocale::English, QLocale::UnitedStates);
    return grouping.toString(n);
}

QString WholePercent(qint64 shareBp)
{
    return QString::number(shareBp / 100);
}

std::optional<MailMessage> ComposeStatement(const QSqlDatabase &db, const WebAccount &account,
                                            const QDate &month, const LangLookup &lang,
                                            const DocumentPrivacy &privacy,
                                            const Currency &currency, QString *error)
{
    // The scope as the web view gives the account without a chosen department.
    web::Scope scope;
    QString scopeName = tr(lang, "RSMailWholeOffice");
    if (account.admin) {
        scope.all = true;
    } else {
        const std::optional<QStringList> own = web::DeptSubtree(db, account.dept, error);
        if (!own)
            return std::nullopt;
        scope.depts = *own;
        scopeName = own->isEmpty() ? account.dept : own->first();
    }
    PrinterDataCriteria criteria;
    criteria.begin = month;
    criteria.end = month.addMonths(1).addDays(-1);
    criteria.throughEndDay = true;
    const QString filter =
        PrinterDataSearch(criteria).filter + web::ScopeClause(scope, engineOf(db));

    TrendData trend;
    if (!ReadTrendData(db, filter, TopRows, trend, error, TrendFigures::WithJobFigures))
        return std::nullopt;

    // The budget of the department the account heads; the whole office has none.
    std::optional<BudgetLine> budget;
    if (!scope.all) {
        const std::optional<std::vector<BudgetLine>> lines =
            BudgetBook(db).month(month, QDate::currentDate(), error);
        if (!lines)
            return std::nullopt;
        for (const BudgetLine &l : *lines) {
            if (l.budget && l.dept.compare(scopeName, Qt::CaseInsensitive) == 0)
                budget = l;
        }
    }
    const QLocale locale = MoneyLocale(account.lang);
    const auto money = [&](qint64 minor) { return FormatMoney(minor, currency, locale); };

    const QString monthTitle = MonthTitle(month, lang);
    MailMessage m;
    m.to = account.email;
    const QString pages = GroupedNumber(trend.pages), cost = money(trend.cost);
    m.subject = budget && budget->shareBp
                    ? tr(lang, "RSMailStatementSubjectBudget")
                          .arg(scopeName, monthTitle, pages, cost, WholePercent(*budget->shareBp))
                    : tr(lang, "RSMailStatementSubject").arg(scopeName, monthTitle, pages, cost);
    const QString title = tr(lang, "RSMailStatementTitle").arg(scopeName, monthTitle);

    Body b;
    b.text = title + u'\n' + QString(title.size(), u'=') + u'\n';
    b.html = QStringLiteral("<h1 style=\"font-size:1.3em\">") + web::HtmlEscape(title) +
             QStringLiteral("</h1>");
    b.paragraph(tr(lang, "RSMailStatementPeriod")
                    .arg(criteria.begin.toString(Qt::ISODate), criteria.end.toString(Qt::ISODate)));
    b.table({{tr(lang, "RSChartPages"), GroupedNumber(trend.pages)},
             {tr(lang, "RSChartJobs"), GroupedNumber(trend.jobs)},
             {tr(lang, "RSPagesPrinted"), GroupedNumber(trend.pagesPrinted)},
             {tr(lang, "RSWebColorShare"), share(trend.colourJobs, trend.jobs)},
             {tr(lang, "RSWebDuplexShare"), share(trend.duplexJobs, trend.jobs)},
             {tr(lang, "RSJobCancelled"), GroupedNumber(trend.cancelledJobs)},
             {tr(lang, "RSJobAborted"), GroupedNumber(trend.abortedJobs)},
             {tr(lang, "RSMailCost"), cost}},
            false);
    if (budget) {
        QList<QStringList> rows{{tr(lang, "RSBudget"), money(*budget->budget)}};
        if (budget->shareBp)
            rows << QStringList{tr(lang, "RSMailBudgetShare"), ShareText(budget->shareBp)};
        b.table(rows, false);
    }
    const auto top = [&](TrendGroup group, const char *titleKey) {
        if (trend.totals[group].empty())
            return;
        b.heading(tr(lang, titleKey));
        QList<QStringList> rows{
            {tr(lang, "RSChartName"), tr(lang, "RSChartPages"), tr(lang, "RSChartJobs")}};
        for (const TrendTotal &t : trend.totals[group])
            rows << QStringList{t.name, GroupedNumber(t.pages), GroupedNumber(t.jobs)};
        b.table(rows);
    };
    if (scope.all || scope.depts.size() > 1)
        top(TrendDept, "RSChartTopDept");
    top(TrendPrinter, "RSChartTopPrinter");
    top(TrendHost, "RSChartTopHost");
    top(TrendEmployee, "RSChartTopEm");
    b.text += u'\n';
    b.paragraph(tr(lang, "RSMailStatementFiles"));
    b.paragraph(tr(lang, "RSMailFooter"));
    m.text = b.text;
    // No script, no style sheet to fetch, no remote picture: a mail reader shows it as sent.
    m.html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>") +
             web::HtmlEscape(m.subject) +
             QStringLiteral("</title></head><body style=\"font-family:sans-serif;color:#222\">") +
             b.html + QStringLiteral("</body></html>");

    QTemporaryDir dir;
    if (!dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return std::nullopt;
    }
    const QString stem = month.toString(QStringLiteral("yyyy-MM"));
    const QString pdf = dir.filePath(QStringLiteral("report.pdf")),
                  xlsx = dir.filePath(QStringLiteral("history.xlsx"));
    const std::optional<QString> group =
        FindReportGroupColumn(ReportTable::PrinterData, QStringLiteral("DeptName"));
    if (!group || !WriteHistoryReportPdf(db, filter, *group, lang, privacy, pdf, error) ||
        !WriteHistoryExport(db, filter, lang, privacy, xlsx, error))
        return std::nullopt;
    const std::optional<QByteArray> pdfData = fileBytes(pdf, error);
    const std::optional<QByteArray> xlsxData = pdfData ? fileBytes(xlsx, error) : std::nullopt;
    if (!xlsxData)
        return std::nullopt;
    m.attachments.push_back({QStringLiteral("vesk-report-") + stem + QStringLiteral(".pdf"),
                             "application/pdf", *pdfData});
    m.attachments.push_back({QStringLiteral("vesk-history-") + stem + QStringLiteral(".xlsx"),
                             "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                             *xlsxData});
    return m;
}

} // namespace vesk
