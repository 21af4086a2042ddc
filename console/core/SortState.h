// Title-click sorting of a console grid: per-field marks and the statement in force.
#pragma once

#include <QHash>
#include <QMetaObject>
#include <QString>

#include <optional>

namespace vesk {

class TDataset;

// One mark per field, 0 at start. A click on a field with mark 1 sorts ascending and clears the
// mark; any other click sorts descending and sets it. So each column's first click sorts
// descending, the next ascending, and so on. The marks outlive searches.
class SortMarks
{
public:
    // The sort text for a click on `field` ("<field> DESC" or "<field> ASC"); flips the mark.
    QString click(const QString &field);
    int mark(const QString &field) const;

private:
    QHash<QString, int> marks_; // keyed by the lower-cased field name
};

// The statement in force on a standing dataset. A search or reset replaces it and drops the
// sort; a title click re-runs it with an ORDER BY, so the database sorts (with its indexes and
// lazily fetched rows) instead of the grid sorting every row in memory. Window thread only.
//
// A title click from the window sorts in the background (sortInBackground): a column no index
// serves makes the database read every row before the first page, seconds on a large history,
// and the window must stay responsive meanwhile. The order in force, its marks and rows stay
// until the new first page is there; a cancel or a failure leaves them as they were.
class ViewStatement
{
public:
    explicit ViewStatement(TDataset &dataset);
    ~ViewStatement();
    ViewStatement(const ViewStatement &) = delete;
    ViewStatement &operator=(const ViewStatement &) = delete;

    // Close, replace the statement, open. False with the database's text.
    bool run(const QString &statement, QString *error = nullptr);
    // Sorts by the clicked field as the marks say. False with the database's text, or when
    // the name is not a plain column name.
    bool sortBy(const QString &field, QString *error = nullptr);
    // Runs the dataset's current statement again (after a delete, or a view switch).
    bool reopen(QString *error = nullptr);

    // sortBy's click, its first page read on a worker thread. False at once when the name is not
    // a plain column name; otherwise the dataset's model reports the end. A sort still running
    // is cancelled first.
    bool sortInBackground(const QString &field, QString *error = nullptr);
    // Stops the running sort; the order in force before it stays.
    void cancelSort();
    bool sorting() const { return pending_.has_value(); }

    const QString &statement() const { return base_; } // without the ORDER BY
    const QString &sortText() const { return sort_; }  // empty when unsorted
    const SortMarks &marks() const { return marks_; }
    TDataset &dataset() const { return dataset_; }

private:
    // What a background sort replaced, put back when it does not finish.
    struct Before
    {
        QString base, lastSet, sort, sql;
        SortMarks marks;
    };
    bool prepareSort(const QString &field, QString *error);
    void sortEnded(bool read);

    TDataset &dataset_;
    QString base_;
    QString lastSet_; // the statement this class last gave the dataset
    QString sort_;
    SortMarks marks_;
    std::optional<Before> pending_;
    QMetaObject::Connection ended_;
};

} // namespace vesk
