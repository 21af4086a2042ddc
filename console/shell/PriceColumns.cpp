// The printer list's price columns over the printer table.
#include "PriceColumns.h"

#include "MainDM.h"
#include "MessageFlags.h"
#include "PrinterTable.h"

#include <QGuiApplication>
#include <QPalette>

namespace vesk {

TPriceColumns::TPriceColumns(TdmMain &dm, TPrinterTable &printers, QObject *parent)
    : QIdentityProxyModel(parent), dm_(dm), printers_(printers)
{
    setSourceModel(&printers);
}

void TPriceColumns::Reload(const std::vector<StockLine> &stock)
{
    currency_ = ReadCurrency(dm_.AppDir());
    prices_ = ReadPriceList(dm_.acntVesk.database());
    stock_ = stock;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, FirstPriceColumn()),
                           index(rowCount() - 1, FirstPriceColumn() + PriceColumnCount - 1));
}

int TPriceColumns::FirstPriceColumn() const
{
    return printers_.columnCount();
}

bool TPriceColumns::isPriceColumn(int column) const
{
    return column >= FirstPriceColumn() && column < FirstPriceColumn() + PriceColumnCount;
}

PricePart TPriceColumns::partOf(int column) const
{
    return static_cast<PricePart>(column - FirstPriceColumn());
}

int TPriceColumns::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : printers_.columnCount() + PriceColumnCount;
}

QModelIndex TPriceColumns::index(int row, int column, const QModelIndex &parent) const
{
    if (!parent.isValid() && isPriceColumn(column) && row >= 0 && row < rowCount())
        return createIndex(row, column);
    return QIdentityProxyModel::index(row, column, parent);
}

QModelIndex TPriceColumns::sibling(int row, int column, const QModelIndex &idx) const
{
    return index(row, column, idx.parent());
}

QModelIndex TPriceColumns::mapToSource(const QModelIndex &proxyIndex) const
{
    if (proxyIndex.isValid() && isPriceColumn(proxyIndex.column()))
        return {};
    return QIdentityProxyModel::mapToSource(proxyIndex);
}

QString TPriceColumns::storedPrinter(int row) const
{
    if (printers_.RowPending(row))
        return {};
    return printers_.data(printers_.index(row, printers_.NameColumn()), Qt::EditRole).toString();
}

QString TPriceColumns::sheetCostHint(const QString &printer) const
{
    QStringList parts;
    for (const StockLine &line : stock_) {
        const std::optional<qint64> price = line.sheetPrice();
        if (price && line.printer.compare(printer, Qt::CaseInsensitive) == 0)
            parts << line.paper + QLatin1Char(' ') + PriceText(*price, currency_);
    }
    if (parts.isEmpty())
        return {};
    return dm_.GetLangString(QStringLiteral("RSSheetCost")) + QStringLiteral(": ") +
           parts.join(QStringLiteral(", "));
}

QVariant TPriceColumns::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !isPriceColumn(index.column()))
        return QIdentityProxyModel::data(index, role);
    const QString printer = storedPrinter(index.row());
    if (printer.isEmpty() || !prices_)
        return {};
    const PricePart part = partOf(index.column());
    const QString own = PricePartText(part, prices_->printers.value(printer.toLower()), currency_);
    // Without a part of its own the printer pays the default's, shown greyed.
    const QString inherited =
        own.isEmpty() ? PricePartText(part, prices_->defaults, currency_) : QString();
    switch (role) {
    case Qt::DisplayRole:
        return own.isEmpty() ? inherited : own;
    case Qt::EditRole:
        return own;
    case Qt::ForegroundRole:
        return inherited.isEmpty()
                   ? QVariant()
                   : QVariant(QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text));
    case Qt::ToolTipRole: {
        QStringList tip{dm_.GetLangString(own.isEmpty() ? QStringLiteral("RSPriceInherited")
                                                        : QStringLiteral("RSPriceOwn"))};
        if (part != PricePart::DuplexFactor)
            tip << sheetCostHint(printer);
        tip.removeAll(QString());
        return tip.join(u'\n');
    }
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool TPriceColumns::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || !isPriceColumn(index.column()))
        return QIdentityProxyModel::setData(index, value, role);
    const QString printer = storedPrinter(index.row());
    if (role != Qt::EditRole || printer.isEmpty() || !prices_)
        return false;
    const QString text = value.toString().trimmed();
    const QString own = data(index, Qt::EditRole).toString();
    if (text == own)
        return false;
    const PricePart part = partOf(index.column());
    QString error;
    bool unknown = false;
    QSqlDatabase db = dm_.acntVesk.database();
    // Unknown: a printer removed meanwhile by another console or the agent.
    const auto refuse = [&] {
        if (unknown)
            dm_.ShowMsg(
                TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSPrinterNotExist")), printer),
                MB_ICONEXCLAMATION);
        else
            dm_.ShowMsg(error, MB_ICONSTOP);
        return false;
    };
    // An emptied cell puts the part back on the default.
    if (text.isEmpty() && !ClearPrinterPrices(db, printer, {part}, &error, &unknown))
        return refuse();
    const std::optional<qint64> parsed =
        text.isEmpty() ? std::nullopt : ParsePricePart(part, text, currency_);
    if (!text.isEmpty() && !parsed) {
        dm_.ShowMsg(TdmMain::FillMsg(dm_.GetLangString(PricePartRefusalKey(part)), text),
                    MB_ICONEXCLAMATION);
        return false;
    }
    if (parsed && !SetPrinterPrices(db, printer, WithPricePart(part, *parsed), &error, &unknown))
        return refuse();
    prices_ = ReadPriceList(db);
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags TPriceColumns::flags(const QModelIndex &index) const
{
    if (!index.isValid() || !isPriceColumn(index.column()))
        return QIdentityProxyModel::flags(index);
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (prices_ && !storedPrinter(index.row()).isEmpty())
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant TPriceColumns::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !isPriceColumn(section))
        return QIdentityProxyModel::headerData(section, orientation, role);
    if (role != Qt::DisplayRole)
        return {};
    static const char *const keys[] = {"RSMonoPrice", "RSColourPrice", "RSDuplexFactor"};
    return dm_.GetLangString(QLatin1String(keys[section - FirstPriceColumn()]));
}

} // namespace vesk
