// Title-click sort marks and the re-run of the statement in force with its ORDER BY.
#include "SortState.h"

#include "Dataset.h"

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
{}

bool ViewStatement::run(const QString &statement, QString *error)
{
    base_ = lastSet_ = statement;
    sort_.clear();
    dataset_.Close();
    dataset_.SQL = statement;
    return dataset_.Open(error);
}

bool ViewStatement::sortBy(const QString &field, QString *error)
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
    dataset_.Close();
    dataset_.SQL = lastSet_ = base_ + QStringLiteral(" order by ") + sort_;
    return dataset_.Open(error);
}

bool ViewStatement::reopen(QString *error)
{
    dataset_.Close();
    return dataset_.Open(error);
}

} // namespace vesk
