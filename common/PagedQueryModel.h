// A statement's rows read in pages that each finish, for the grids and standing datasets.
#pragma once

#include <QAbstractTableModel>
#include <QSqlRecord>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <memory>
#include <vector>

class QSqlDatabase;

namespace vesk {

struct PageReadJob;
class PageReadWorker;

// No statement stays open between pages: on SQLite an unfinished statement pins its connection
// to the snapshot it started in, so the connection would neither see other programs' rows nor
// be able to write. Each page is the statement in force, in its own order with the table's
// paging key as the last sort key (so pages never overlap or skip among equal values), limited
// and offset; the database sorts and uses its indexes. The same on every engine, except that a
// table whose only key is PostgreSQL's ctid, which moves when a row is updated, is read whole
// in one statement. A key column
// kept only for paging is left out of the rows. Rows already read stay as read until the
// statement is set again. Belongs to the thread of its connection.
//
// A first page that may take long (a sort no index serves) can be read in the background: the
// model's worker thread, with a connection of its own that it keeps between reads, reads it while
// the rows in force stay shown and scroll; it can be cancelled with the engine's interrupt, which
// leaves them as they were and the worker's connection ready for the next read.
class PagedQueryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageRows = 256;

    enum class ReadEnd
    {
        Read,     // the new statement's first page is shown
        Failed,   // the rows in force stay; the error says why
        Cancelled // the rows in force stay
    };

    explicit PagedQueryModel(QObject *parent = nullptr);
    ~PagedQueryModel() override;

    // Reads the first page of `statement` on the named connection. False with the database's
    // text; the model is empty then.
    bool setQuery(const QString &connectionName, const QString &statement,
                  QString *error = nullptr);
    void clear();

    // Starts reading the first page of `statement` on the worker thread, with its clone of the
    // named connection. backgroundReadEnded follows once, on this model's thread. A read already
    // running is cancelled first; setQuery and clear cancel it too.
    void setQueryInBackground(const QString &connectionName, const QString &statement);
    // Interrupts the running read; backgroundReadEnded(Cancelled) is emitted before this returns.
    void cancelBackgroundRead();
    bool readingInBackground() const { return reader_ != nullptr; }
    // No background read left, cancelled ones included: their statements have ended.
    bool backgroundReadsEnded() const { return !reader_ && ending_.empty(); }
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

Q_SIGNALS:
    void backgroundReadEnded(vesk::PagedQueryModel::ReadEnd end, const QString &error);

private:
    friend struct PageReadJob;
    friend class PageReadWorker;
    struct Page
    {
        QSqlRecord fields;
        std::vector<QVariant> values; // row after row
        int rows = 0;
        bool complete = false; // no rows after these
    };
    static bool readPage(const QSqlDatabase &db, const QString &statement, qsizetype offset,
                         Page &page, QString *error);
    bool readPage(qsizetype offset, Page &page, QString *error) const;
    void showFirstPage(bool ok, Page &page, const QString &error);
    void readFinished(PageReadJob *job);

    QString connectionName_;
    QString statement_;
    QSqlRecord fields_;
    std::vector<QVariant> values_;
    std::vector<QVariant> headers_; // by column; invalid where none was set
    int rows_ = 0;
    bool atEnd_ = true;
    QString error_;
    // The background read in force, and cancelled ones still ending.
    std::shared_ptr<PageReadJob> reader_;
    std::vector<std::shared_ptr<PageReadJob>> ending_;
    // A cancel that reached the engine before the statement had begun did nothing: it is sent
    // again until every cancelled read has ended.
    QTimer recancel_;
    std::unique_ptr<PageReadWorker> worker_; // started by the first background read
};

// The statement of one page: `statement` ordered as it says (unsortedPageOrder where it says
// nothing), then by the paging key of the table it reads (pagingKey: the engine's row key, or a
// key column with an index), limited to
// `limit` rows from `offset` (every row when `limit` is 0), and translated for the engine.
QString pageStatement(const QSqlDatabase &db, const QString &statement, qsizetype offset,
                      int limit);

} // namespace vesk
