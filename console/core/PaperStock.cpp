// Paper stock from the purchases and the print records. The sheets a record used follow the
// charged pages of the cost rule (ChargedPages), halved (rounded up) for two-sided jobs.
#include "PaperStock.h"

#include "Database.h"
#include "Money.h"
#include "PaperMatch.h"
#include "PriceBook.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace vesk {

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// ChargedPages in SQL, summed as sheets: the rows of one printer since a day, per paper text.
const QString UsedStatement = QStringLiteral(
    "select PageSize, sum(case when Duplex = 1 then (c + 1) / 2 else c end) from (select PageSize, "
    "Duplex, case when JobOutcome in (2, 3) then coalesce(PagesPrinted, 0) "
    "when JobOutcome = 1 and PagesPrinted > 0 then PagesPrinted "
    "else coalesce(TotalPageCount, 0) end c from tPrinterData "
    "where PrinterName = ? and PrintTime >= ?) t where c > 0 group by PageSize");

} // namespace

std::optional<qint64> StockLine::sheetPrice() const
{
    if (bought <= 0)
        return std::nullopt;
    const WideInt n = WideInt(money) * PriceUnitsPerMinor;
    return qint64((n + bought / 2) / bought);
}

qint64 SheetsUsed(qint64 pages, bool duplex)
{
    pages = std::max<qint64>(pages, 0);
    return duplex ? (pages + 1) / 2 : pages;
}

bool PaperStock::buy(PaperPurchase p, QString *error, bool *unknownPrinter)
{
    if (p.printer.trimmed().isEmpty() || p.paper.trimmed().isEmpty() || p.sheets < 0 ||
        p.money < 0 || !p.bought.isValid()) {
        if (error)
            *error = QStringLiteral("a purchase needs a printer, a paper, sheets and money");
        return false;
    }
    // The printer as the printer list spells it: the name column ignores letter case.
    const std::optional<QString> stored = ListedPrinterName(db_, p.printer, error);
    if (!stored)
        return false;
    if (stored->isEmpty()) {
        if (unknownPrinter)
            *unknownPrinter = true;
        if (error)
            *error = QStringLiteral("no printer: ") + p.printer;
        return false;
    }
    p.printer = *stored;
    p.entered = QDateTime::currentDateTime();
    QSqlQuery q(db_);
    return runStatement(q,
                        QStringLiteral("insert into tPageManager (PrinterName, PageType, "
                                       "PageCount, MoneyCount, BuyDate, MakeDate) values (?, ?, "
                                       "?, ?, ?, ?)"),
                        {p.printer, p.paper.trimmed(), p.sheets, p.money,
                         QDateTime(p.bought, QTime(0, 0)).toString(TimeFormat),
                         p.entered.toString(TimeFormat)},
                        error);
}

bool PaperStock::setMinimum(const QString &paper, qint64 sheets, QString *error)
{
    QSqlQuery q(db_);
    if (!execStatement(q, QStringLiteral("select PageType from tPageType"), error))
        return false;
    QVariantList same;
    while (q.next())
        if (SamePaper(q.value(0).toString(), paper))
            same << q.value(0);
    q.finish();
    if (!beginWrite(db_, error))
        return false;
    bool ok = true;
    for (const QVariant &old : same)
        ok = ok && runStatement(q, QStringLiteral("delete from tPageType where PageType = ?"),
                                {old}, error);
    if (ok && sheets >= 0)
        ok = runStatement(
            q, QStringLiteral("insert into tPageType (PageType, MinCount) values (?, ?)"),
            {paper.trimmed(), sheets}, error);
    q.finish();
    if (!ok) {
        rollbackWrite(db_);
        return false;
    }
    return commitWrite(db_, error);
}

std::optional<std::vector<PaperPurchase>> PaperStock::purchases(QString *error) const
{
    QSqlQuery q(db_);
    if (!execStatement(q,
                       QStringLiteral("select PrinterName, PageType, PageCount, MoneyCount, "
                                      "BuyDate, MakeDate from tPageManager order by BuyDate desc, "
                                      "MakeDate desc"),
                       error))
        return std::nullopt;
    std::vector<PaperPurchase> out;
    while (q.next()) {
        PaperPurchase p;
        p.printer = q.value(0).toString();
        p.paper = q.value(1).toString();
        p.sheets = q.value(2).toLongLong();
        p.money = q.value(3).toLongLong();
        p.bought = QDateTime::fromString(q.value(4).toString().left(19), TimeFormat).date();
        if (!p.bought.isValid())
            p.bought = q.value(4).toDate();
        p.entered = QDateTime::fromString(q.value(5).toString().left(19), TimeFormat);
        out.push_back(p);
    }
    return out;
}

std::optional<std::vector<StockLine>> PaperStock::stock(QString *error) const
{
    auto bought = purchases(error);
    if (!bought)
        return std::nullopt;
    std::reverse(bought->begin(), bought->end()); // oldest first: a paper is named as first bought
    std::vector<StockLine> lines;
    for (const PaperPurchase &p : *bought) {
        auto same = std::find_if(lines.begin(), lines.end(), [&p](const StockLine &l) {
            return l.printer.compare(p.printer, Qt::CaseInsensitive) == 0 &&
                   SamePaper(l.paper, p.paper);
        });
        if (same == lines.end()) {
            StockLine l;
            l.printer = p.printer;
            l.paper = p.paper;
            l.since = p.bought;
            lines.push_back(l);
            same = lines.end() - 1;
        }
        same->bought += p.sheets;
        same->money += p.money;
        same->since = std::min(same->since, p.bought);
    }

    QSqlQuery q(db_);
    std::vector<std::pair<QString, qint64>> minimums;
    if (!execStatement(q, QStringLiteral("select PageType, MinCount from tPageType"), error))
        return std::nullopt;
    while (q.next())
        minimums.emplace_back(q.value(0).toString(), q.value(1).toLongLong());

    if (!prepareStatement(q, UsedStatement, error))
        return std::nullopt;
    for (StockLine &l : lines) {
        q.addBindValue(l.printer);
        q.addBindValue(QDateTime(l.since, QTime(0, 0)).toString(TimeFormat));
        if (!execPrepared(q, error))
            return std::nullopt;
        while (q.next())
            if (SamePaper(q.value(0).toString(), l.paper))
                l.used += q.value(1).toLongLong();
        l.left = l.bought - l.used;
        for (const auto &[paper, count] : minimums)
            if (SamePaper(paper, l.paper))
                l.minimum = count;
        l.below = l.minimum && l.left < *l.minimum;
    }
    std::sort(lines.begin(), lines.end(), [](const StockLine &a, const StockLine &b) {
        const int c = a.printer.compare(b.printer, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.paper.compare(b.paper, Qt::CaseInsensitive) < 0;
    });
    return lines;
}

QStringList PaperStock::printersBelow(const std::vector<StockLine> &lines)
{
    QStringList out;
    for (const StockLine &l : lines)
        if (l.below && !out.contains(l.printer.toCaseFolded()))
            out << l.printer.toCaseFolded();
    return out;
}

} // namespace vesk
