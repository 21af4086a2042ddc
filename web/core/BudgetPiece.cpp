// Budgets and paper on the overview: the figures are BudgetBook's and PaperStock's.
#include "BudgetPiece.h"

#include "BudgetBook.h"
#include "Money.h"
#include "PaperStock.h"

#include <algorithm>

namespace vesk::web {

namespace {

QString heading(const LangLookup &lang, const QStringList &keys)
{
    QString h = QStringLiteral("<tr>");
    for (const QString &k : keys)
        h += QStringLiteral("<th>") + HtmlEscape(lang(k)) + QStringLiteral("</th>");
    return h + QStringLiteral("</tr>");
}

} // namespace

std::optional<QString> BudgetPiece(const QSqlDatabase &db, const PageContext &c, QString *why)
{
    const LangLookup &lang = c.lang;
    const auto lines = BudgetBook(db).month(c.today, c.today, why);
    if (!lines)
        return std::nullopt;
    const QLocale locale = MoneyLocale(c.langCode == u"zh" ? QStringLiteral("cn") : QString());
    const auto money = [&](qint64 minor) { return FormatMoney(minor, c.currency, locale); };
    QString rows;
    for (const BudgetLine &l : *lines) {
        if (!l.budget || !(c.scope.all || InScope(c.scope, l.dept)))
            continue;
        // The bar is as long as the share, at most the whole width; past 100 % it is marked.
        const qint64 width = std::min<qint64>(l.shareBp.value_or(l.over ? 10000 : 0), 10000) / 100;
        rows += QStringLiteral("<tr") + (l.over ? QStringLiteral(" class=\"over\"") : QString()) +
                u'>' + Cell(l.dept) + Cell(money(*l.budget)) + Cell(money(l.spent)) +
                QStringLiteral("<td><span class=\"bar\"><span style=\"width:%1%\"></span></span> ")
                    .arg(width) +
                HtmlEscape(ShareText(l.shareBp) + (l.over ? QStringLiteral(" !") : QString())) +
                QStringLiteral("</td>") + Cell(money(l.forecast)) + QStringLiteral("</tr>");
    }
    QString out;
    if (!rows.isEmpty())
        out += QStringLiteral("<h2>") + HtmlEscape(lang(QStringLiteral("RSBudgets"))) +
               QStringLiteral("</h2><div class=\"scroll\"><table class=\"budgets\">") +
               heading(lang, {QStringLiteral("RSDeptName"), QStringLiteral("RSBudget"),
                              QStringLiteral("RSSpent"), QStringLiteral("RSShare"),
                              QStringLiteral("RSForecast")}) +
               rows + QStringLiteral("</table></div>");
    // The paper stock is the whole office's: an administrator's alone.
    if (!c.account.admin)
        return out;
    const auto stock = PaperStock(db).stock(why);
    if (!stock)
        return std::nullopt;
    QString low;
    for (const StockLine &l : *stock)
        if (l.below)
            low += QStringLiteral("<tr class=\"over\">") + Cell(l.printer) + Cell(l.paper) +
                   Cell(Number(l.left)) + Cell(Number(l.minimum.value_or(0))) +
                   QStringLiteral("</tr>");
    if (!low.isEmpty())
        out += QStringLiteral("<h2>") + HtmlEscape(lang(QStringLiteral("RSWebPaperLow"))) +
               QStringLiteral("</h2><div class=\"scroll\"><table class=\"paper\">") +
               heading(lang, {QStringLiteral("RSPrinterName"), QStringLiteral("RSPageSize"),
                              QStringLiteral("RSLeft"), QStringLiteral("RSMinimum")}) +
               low + QStringLiteral("</table></div>");
    return out;
}

} // namespace vesk::web
