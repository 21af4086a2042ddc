// The paper bought for each printer and what is left of it: sheets bought minus the sheets the
// printer's records used since that paper's first purchase, against each paper's minimum.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace vesk {

// A row of tPageManager. Money in minor units of the configured currency.
struct PaperPurchase
{
    QString printer;
    QString paper;
    qint64 sheets = 0;
    qint64 money = 0;
    QDate bought;
    QDateTime entered; // set by buy()
};

// A paper of a printer. Papers of one size are one paper, named as first bought.
struct StockLine
{
    QString printer;
    QString paper;
    qint64 bought = 0; // sheets
    qint64 used = 0;   // sheets used since the first purchase
    qint64 left = 0;   // bought - used; negative where more was used than entered
    std::optional<qint64> minimum;
    bool below = false; // left < minimum
    qint64 money = 0;   // paid for the sheets bought
    QDate since;        // the first purchase
    // The paper's cost per sheet from what was paid: millionths of a minor unit (a price, as the
    // price list keeps them); none without sheets.
    std::optional<qint64> sheetPrice() const;
};

// The sheets a job uses: a two-sided job uses half its charged pages, rounded up.
qint64 SheetsUsed(qint64 pages, bool duplex);

// On the connection's thread; failures give false or nullopt with the database's text.
class PaperStock
{
public:
    explicit PaperStock(QSqlDatabase db) : db_(std::move(db)) {}

    // Records a purchase; `entered` is now. Sheets and money must not be negative. The printer
    // must be one of tPrinter, matched as its name column compares (letter case ignored), and is
    // stored as tPrinter spells it; another is refused, nothing stored, with `*unknownPrinter`
    // set for the caller to say so.
    bool buy(PaperPurchase purchase, QString *error = nullptr, bool *unknownPrinter = nullptr);
    // Sets a paper's minimum stock (a paper of the same size already listed is replaced);
    // a negative count removes it.
    bool setMinimum(const QString &paper, qint64 sheets, QString *error = nullptr);

    // Every purchase, newest first.
    std::optional<std::vector<PaperPurchase>> purchases(QString *error = nullptr) const;
    // The stock of every printer and paper bought, by printer and paper.
    std::optional<std::vector<StockLine>> stock(QString *error = nullptr) const;
    // Printers (folded names) with a paper below its minimum.
    static QStringList printersBelow(const std::vector<StockLine> &lines);

private:
    QSqlDatabase db_;
};

} // namespace vesk
