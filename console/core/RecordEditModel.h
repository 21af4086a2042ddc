// The print history grid's model: the lazy dataset model, with cells edited and stored at once.
#pragma once

#include "Catalogue.h"
#include "Money.h"

#include <QHash>
#include <QIdentityProxyModel>
#include <QPair>
#include <QSqlRecord>
#include <QString>

namespace vesk {

class PagedQueryModel;

// Sits between a standing dataset's PagedQueryModel and the grid. An edited cell is checked,
// written to the table at once (the row found by its values) and then shown with its new value
// until the dataset is opened again; the rows are not fetched again. Window thread only.
class RecordEditModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    RecordEditModel(PagedQueryModel *source, QString connectionName, QString table,
                    QObject *parent = nullptr);

    // Shows the coded columns (job outcome, colour, two-sided) as the catalogue's texts; those
    // cells are then read-only.
    void setLang(LangLookup lang) { lang_ = std::move(lang); }
    // The currency the cost column is shown in.
    void setCurrency(const Currency &currency) { currency_ = currency; }

    // The row's values as the grid shows them (edits included).
    QSqlRecord record(int row) const;

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

Q_SIGNALS:
    // An edit that was not stored because the value does not fit its column.
    void valueRefused(const QString &value, const QString &field);
    // An edit that was not stored: the database's text.
    void editRefused(const QString &message);

private:
    PagedQueryModel *source_;
    QString connectionName_;
    QString table_;
    QHash<QPair<int, int>, QVariant> edited_; // (row, column) -> stored value
    LangLookup lang_;
    Currency currency_;

    bool coded(const QModelIndex &index) const;
};

} // namespace vesk
