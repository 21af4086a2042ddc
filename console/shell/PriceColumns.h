// The printer list's price columns: the printer's own mono and colour price per page and its
// two-sided factor after tPrinter's columns, edited in place and stored through the price book.
#pragma once

#include "JobCost.h"
#include "Money.h"
#include "PaperStock.h"
#include "PriceBook.h"

#include <QIdentityProxyModel>

#include <vector>

namespace vesk {

class TdmMain;
class TPrinterTable;

// Window thread only, on the data module's connection. Where the printer has no part of its own
// the cell shows the default's, greyed, with a tip saying so, and edits as empty; emptying a cell
// puts the part back on the default. A new printer gets prices once it is stored. An entry that is
// not a valid price or factor is refused with the catalogue's message and nothing is stored.
class TPriceColumns : public QIdentityProxyModel
{
    Q_OBJECT

public:
    TPriceColumns(TdmMain &dm, TPrinterTable &printers, QObject *parent = nullptr);

    // Reads the prices and the currency again; the stock gives the paper cost per sheet hint.
    // A failed read of the prices leaves the columns empty and read-only.
    void Reload(const std::vector<StockLine> &stock);

    // The first price column; the others follow in PricePart order.
    int FirstPriceColumn() const;
    static constexpr int PriceColumnCount = 3;

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &idx) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    bool isPriceColumn(int column) const;
    PricePart partOf(int column) const;
    // The stored printer of the row; empty for a new or edited row.
    QString storedPrinter(int row) const;
    QString sheetCostHint(const QString &printer) const;

    TdmMain &dm_;
    TPrinterTable &printers_;
    Currency currency_;
    std::optional<PriceList> prices_;
    std::vector<StockLine> stock_;
};

} // namespace vesk
