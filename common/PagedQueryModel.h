// A statement's rows read in pages that each finish, for the grids and standing datasets.
#pragma once

#include <QAbstractTableModel>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <vector>

class QSqlDatabase;

namespace vesk {

// No statement stays open between pages: on SQLite an unfinished statement pins its connection
// to the snapshot it started in, so the connection would neither see other programs' rows nor
// be able to write. Each page is the statement in force, in its own order with the table's
// paging key as the last sort key (so pages never overlap or skip among equal values), limited
// and offset; the database sorts and uses its indexes. The same on every engine. A key column
// kept only for paging is left out of the rows. Rows already read stay as read until the
// statement is set again. Belongs to the thread of its connection.
class PagedQueryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageRows = 256;

    explicit PagedQueryModel(QObject *parent = nullptr);

    // Reads the first page of `statement` on the named connection. False with the database's
    // text; the model is empty then.
    bool setQuery(const QString &connectionName, const QString &statement,
                  QString *error = nullptr);
    void clear();
    // The text of the last failed read, empty after a good one.
    const QString &lastError() const { return error_; }

    // The result's fields without values, and one row's values.
    QSqlRecord record() const { return fields_; }
    QSqlRecord record(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    // Reads the next page; a failure ends the reading and leaves its text in lastError().
    void fetchMore(const QModelIndex &parent = {}) override;

private:
    struct Page
    {
        QSqlRecord fields;
        std::vector<QVariant> values; // row after row
        int rows = 0;
    };
    bool readPage(qsizetype offset, Page &page, QString *error) const;

    QString connectionName_;
    QString statement_;
    QSqlRecord fields_;
    std::vector<QVariant> values_;
    std::vector<QVariant> headers_; // by column; invalid where none was set
    int rows_ = 0;
    bool atEnd_ = true;
    QString error_;
};

// The statement of one page: `statement` ordered as it says, then by the paging key of the
// table it reads (pagingKey: the engine's row key, or a key column with an index), limited to
// `limit` rows from `offset`, and translated for the engine.
QString pageStatement(const QSqlDatabase &db, const QString &statement, qsizetype offset,
                      int limit);

} // namespace vesk
