// Paged reading of a statement's rows, the same on every engine.
#include "PagedQueryModel.h"

#include "Database.h"
#include "Schema.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace vesk {

namespace {

// Where the statement's own "order by" starts (outside quotes and brackets), -1 when none.
qsizetype topLevelOrderBy(const QString &statement)
{
    static const QRegularExpression orderBy(QStringLiteral(R"(\border\s+by\b)"),
                                            QRegularExpression::CaseInsensitiveOption);
    qsizetype found = -1;
    int depth = 0;
    QChar quote;
    for (qsizetype i = 0; i < statement.size(); ++i) {
        const QChar c = statement.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"')
            quote = c;
        else if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (depth == 0 && (c == u'o' || c == u'O') &&
                 orderBy
                     .match(statement, i, QRegularExpression::NormalMatch,
                            QRegularExpression::AnchorAtOffsetMatchOption)
                     .hasMatch())
            found = i;
    }
    return found;
}

// The table a statement reads: the name after its first "from".
QString statementTable(const QString &statement)
{
    static const QRegularExpression from(QStringLiteral(R"(\bfrom\s+\[?(\w+))"),
                                         QRegularExpression::CaseInsensitiveOption);
    return from.match(statement).captured(1);
}

} // namespace

QString pageStatement(const QSqlDatabase &db, const QString &statement, qsizetype offset, int limit)
{
    QString text = statement.trimmed();
    const QString key = pagingKey(db, statementTable(text));
    if (topLevelOrderBy(text) < 0) {
        text += QStringLiteral(" order by ") + key;
    } else {
        // Among equal values the key runs the way the last sort key does, so an index on that
        // key (which holds the row key too) still gives the order.
        static const QRegularExpression descending(QStringLiteral(R"(\bdesc$)"),
                                                   QRegularExpression::CaseInsensitiveOption);
        text += QStringLiteral(", ") + key +
                (descending.match(text).hasMatch() ? QStringLiteral(" DESC") : QString());
    }
    text += QStringLiteral(" limit %1 offset %2").arg(limit).arg(offset);
    return translateStatement(db, text);
}

PagedQueryModel::PagedQueryModel(QObject *parent) : QAbstractTableModel(parent) {}

bool PagedQueryModel::readPage(qsizetype offset, Page &page, QString *error) const
{
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(pageStatement(db, statement_, offset, PageRows))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    // A key column kept for paging is no field of the records: "select *" does not show it.
    page.fields = q.record();
    const int columns = page.fields.count();
    const QString key = pagingKey(db, statementTable(statement_));
    const int hidden = key != rowKey(db) ? page.fields.indexOf(key) : -1;
    if (hidden >= 0)
        page.fields.remove(hidden);
    while (q.next()) {
        for (int c = 0; c < columns; ++c) {
            if (c != hidden)
                page.values.push_back(q.value(c));
        }
        ++page.rows;
    }
    const bool ok = !q.lastError().isValid();
    if (!ok && error)
        *error = q.lastError().text();
    // The page is complete: the statement ends here, not when the query object goes.
    q.finish();
    return ok;
}

bool PagedQueryModel::setQuery(const QString &connectionName, const QString &statement,
                               QString *error)
{
    connectionName_ = connectionName;
    statement_ = statement;
    Page page;
    QString text;
    const bool ok = readPage(0, page, &text);
    beginResetModel();
    fields_ = ok ? page.fields : QSqlRecord();
    values_ = std::move(page.values);
    if (!ok)
        values_.clear();
    rows_ = ok ? page.rows : 0;
    atEnd_ = !ok || page.rows < PageRows;
    headers_.assign(size_t(fields_.count()), QVariant());
    error_ = ok ? QString() : text;
    endResetModel();
    if (!ok && error)
        *error = text;
    return ok;
}

void PagedQueryModel::clear()
{
    beginResetModel();
    fields_ = QSqlRecord();
    values_.clear();
    headers_.clear();
    rows_ = 0;
    atEnd_ = true;
    statement_.clear();
    error_.clear();
    endResetModel();
}

QSqlRecord PagedQueryModel::record(int row) const
{
    QSqlRecord rec = fields_;
    if (row < 0 || row >= rows_)
        return rec;
    const int columns = fields_.count();
    for (int c = 0; c < columns; ++c)
        rec.setValue(c, values_[size_t(row) * size_t(columns) + size_t(c)]);
    return rec;
}

int PagedQueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int PagedQueryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : fields_.count();
}

QVariant PagedQueryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= fields_.count() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return values_[size_t(index.row()) * size_t(fields_.count()) + size_t(index.column())];
}

QVariant PagedQueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < fields_.count() &&
        (role == Qt::DisplayRole || role == Qt::EditRole)) {
        const QVariant &set = headers_[size_t(section)];
        return set.isValid() ? set : QVariant(fields_.fieldName(section));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool PagedQueryModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                                    int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= fields_.count() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    headers_[size_t(section)] = value;
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}

bool PagedQueryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !atEnd_;
}

void PagedQueryModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || atEnd_)
        return;
    Page page;
    if (!readPage(rows_, page, &error_)) {
        atEnd_ = true;
        return;
    }
    atEnd_ = page.rows < PageRows;
    if (page.rows == 0)
        return;
    beginInsertRows({}, rows_, rows_ + page.rows - 1);
    values_.insert(values_.end(), std::make_move_iterator(page.values.begin()),
                   std::make_move_iterator(page.values.end()));
    rows_ += page.rows;
    endInsertRows();
}

} // namespace vesk
