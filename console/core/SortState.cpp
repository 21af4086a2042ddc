// Title-click sort marks and the re-run of the statement in force with its ORDER BY.
#include "SortState.h"

#include "Dataset.h"
#include "PagedQueryModel.h"

#include <QRegularExpression>

namespace vesk {

QString SortMarks::click(const QString &field)
{
    int &m = marks_[field.toLower()];
    if (m == 1) {
        m = 0;
        return field + QStringLiteral(" ASC");
    }
    m = 1;
    return field + QStringLiteral(" DESC");
}

int SortMarks::mark(const QString &field) const
{
    return marks_.value(field.toLower(), 0);
}

ViewStatement::ViewStatement(TDataset &dataset)
    : dataset_(dataset), base_(dataset.SQL), lastSet_(dataset.SQL)
{
    ended_ = QObject::connect(
        dataset.model(), &PagedQueryModel::backgroundReadEnded, dataset.model(),
        [this](PagedQueryModel::ReadEnd end) { sortEnded(end == PagedQueryModel::ReadEnd::Read); });
}

ViewStatement::~ViewStatement()
{
    QObject::disconnect(ended_);
}

bool ViewStatement::run(const QString &statement, QString *error)
{
    cancelSort();
    base_ = lastSet_ = statement;
    sort_.clear();
    dataset_.Close();
    dataset_.SQL = statement;
    return dataset_.Open(error);
}

bool ViewStatement::prepareSort(const QString &field, QString *error)
{
    // Field names come from the result's own columns; anything else never reaches the text.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plainName.match(field).hasMatch()) {
        if (error)
            *error = QStringLiteral("cannot sort by \"%1\"").arg(field);
        return false;
    }
    // Someone else (the host collection, say) may have replaced the statement since.
    if (dataset_.SQL != lastSet_)
        base_ = dataset_.SQL;
    sort_ = marks_.click(field);
    dataset_.SQL = lastSet_ = base_ + QStringLiteral(" order by ") + sort_;
    return true;
}

bool ViewStatement::sortBy(const QString &field, QString *error)
{
    cancelSort();
    if (!prepareSort(field, error))
        return false;
    dataset_.Close();
    return dataset_.Open(error);
}

bool ViewStatement::sortInBackground(const QString &field, QString *error)
{
    cancelSort();
    Before before{base_, lastSet_, sort_, dataset_.SQL, marks_};
    if (!prepareSort(field, error))
        return false;
    pending_ = std::move(before);
    dataset_.OpenInBackground();
    return true;
}

void ViewStatement::cancelSort()
{
    if (pending_)
        dataset_.model()->cancelBackgroundRead(); // reaches sortEnded(false)
}

void ViewStatement::sortEnded(bool read)
{
    if (!pending_)
        return;
    const Before before = std::move(*pending_);
    pending_.reset();
    if (read)
        return;
    // Unless someone has replaced the statement meanwhile, the sort before this one stays.
    if (dataset_.SQL == lastSet_)
        dataset_.SQL = before.sql;
    base_ = before.base;
    lastSet_ = before.lastSet;
    sort_ = before.sort;
    marks_ = before.marks;
}

bool ViewStatement::reopen(QString *error)
{
    cancelSort();
    dataset_.Close();
    return dataset_.Open(error);
}

} // namespace vesk
