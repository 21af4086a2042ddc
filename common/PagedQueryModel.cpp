// Paged reading of a statement's rows, the same on every engine.
#include "PagedQueryModel.h"

#include "Database.h"
#include "StatementCanceller.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <atomic>
#include <thread>

namespace vesk {

namespace {

constexpr int RecancelMs = 250;
constexpr int RecancelPollMs = 10;

} // namespace

// Reads one first page on a thread of its own with a connection of its own (every thread that
// uses the database has its own), opened and removed on that thread. When it is done it posts
// readerFinished to the model; the model joins the thread before it reads the result. A plain
// std::thread: its join is what orders the result's writes before the model's reads.
class PageReadThread
{
public:
    PageReadThread(QString source, QString statement)
        : source_(std::move(source)), statement_(std::move(statement))
    {}
    ~PageReadThread() { join(); }
    PageReadThread(const PageReadThread &) = delete;
    PageReadThread &operator=(const PageReadThread &) = delete;

    void start(PagedQueryModel *model)
    {
        thread_ = std::thread([this, model] {
            run();
            done_ = true;
            QMetaObject::invokeMethod(
                model, [model, this] { model->readerFinished(this); }, Qt::QueuedConnection);
        });
    }
    bool done() const { return done_; }
    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

    StatementCanceller canceller;
    PagedQueryModel::Page page;
    bool ok = false;
    QString error;
    const QString &statement() const { return statement_; }
    const QString &source() const { return source_; }

private:
    void run()
    {
        static std::atomic<int> serial{0};
        const QString name = QStringLiteral("pageread-%1").arg(++serial);
        {
            const OpenResult opened = cloneDatabaseForThread(source_, name);
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (!opened.ok) {
                error = opened.error;
            } else {
                canceller.attach(db);
                if (!canceller.cancelled())
                    ok = PagedQueryModel::readPage(db, statement_, 0, page, &error);
                canceller.detach();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    QString source_;
    QString statement_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

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

} // namespace

QString pageStatement(const QSqlDatabase &db, const QString &statement, qsizetype offset, int limit)
{
    QString text = statement.trimmed();
    const QString key = rowKey(db);
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

PagedQueryModel::PagedQueryModel(QObject *parent) : QAbstractTableModel(parent)
{
    recancel_.setInterval(RecancelMs);
    connect(&recancel_, &QTimer::timeout, this, [this] {
        for (const auto &r : ending_)
            r->canceller.cancel();
    });
}

PagedQueryModel::~PagedQueryModel()
{
    // The interrupt ends each statement; sent again until the thread is joined, in case it came
    // before its statement had begun.
    if (reader_)
        ending_.push_back(std::move(reader_));
    for (const auto &r : ending_) {
        while (!r->done()) {
            r->canceller.cancel();
            QThread::msleep(RecancelPollMs);
        }
        r->join();
    }
}

bool PagedQueryModel::readPage(qsizetype offset, Page &page, QString *error) const
{
    return readPage(QSqlDatabase::database(connectionName_, false), statement_, offset, page,
                    error);
}

bool PagedQueryModel::readPage(const QSqlDatabase &db, const QString &statement, qsizetype offset,
                               Page &page, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(pageStatement(db, statement, offset, PageRows))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    page.fields = q.record();
    const int columns = page.fields.count();
    while (q.next()) {
        for (int c = 0; c < columns; ++c)
            page.values.push_back(q.value(c));
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
    cancelBackgroundRead();
    connectionName_ = connectionName;
    statement_ = statement;
    Page page;
    QString text;
    const bool ok = readPage(0, page, &text);
    showFirstPage(ok, page, text);
    if (!ok && error)
        *error = text;
    return ok;
}

void PagedQueryModel::showFirstPage(bool ok, Page &page, const QString &text)
{
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
}

void PagedQueryModel::setQueryInBackground(const QString &connectionName, const QString &statement)
{
    cancelBackgroundRead();
    reader_ = std::make_unique<PageReadThread>(connectionName, statement);
    reader_->start(this);
}

void PagedQueryModel::cancelBackgroundRead()
{
    if (!reader_)
        return;
    reader_->canceller.cancel();
    ending_.push_back(std::move(reader_));
    recancel_.start();
    Q_EMIT backgroundReadEnded(ReadEnd::Cancelled, {});
}

void PagedQueryModel::readerFinished(PageReadThread *reader)
{
    reader->join();
    if (reader_.get() != reader) {
        std::erase_if(ending_, [reader](const auto &r) { return r.get() == reader; });
        if (ending_.empty())
            recancel_.stop();
        return;
    }
    const std::unique_ptr<PageReadThread> done = std::move(reader_);
    if (!done->ok) {
        Q_EMIT backgroundReadEnded(ReadEnd::Failed, done->error);
        return;
    }
    connectionName_ = done->source();
    statement_ = done->statement();
    showFirstPage(true, done->page, {});
    Q_EMIT backgroundReadEnded(ReadEnd::Read, {});
}

void PagedQueryModel::clear()
{
    cancelBackgroundRead();
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
