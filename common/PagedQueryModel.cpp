// Paged reading of a statement's rows, the same on every engine.
#include "PagedQueryModel.h"

#include "Database.h"
#include "Schema.h"
#include "StatementCanceller.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace vesk {

namespace {

constexpr int RecancelMs = 250;
constexpr int RecancelPollMs = 10;

} // namespace

// One background read: what to read, how to stop it, and what it read. Written by the worker
// thread until `done`, then read by the model.
struct PageReadJob
{
    PageReadJob(QString source, QString statement)
        : source(std::move(source)), statement(std::move(statement))
    {}
    const QString source;
    const QString statement;
    StatementCanceller canceller;
    PagedQueryModel::Page page;
    bool ok = false;
    QString error;
    std::atomic<bool> done{false};
};

// The model's thread for reads that may take long, with a connection of its own (every thread
// that uses the database has its own), opened on the first read and kept for the next ones:
// opening a PostgreSQL session costs more than an indexed sort. Opened again when it was lost
// (a server restart) and closed on this thread when the model goes. Reads run one after the
// other; a cancelled one that has not begun does not run. Each read ends with readFinished
// posted to the model.
class PageReadWorker
{
public:
    explicit PageReadWorker(PagedQueryModel *model) : model_(model)
    {
        thread_ = std::thread([this] { run(); });
    }
    ~PageReadWorker()
    {
        stop();
        thread_.join();
    }
    PageReadWorker(const PageReadWorker &) = delete;
    PageReadWorker &operator=(const PageReadWorker &) = delete;

    void post(std::shared_ptr<PageReadJob> job)
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
        wake_.notify_one();
    }
    // The thread ends after the read it runs; the caller cancels that read.
    void stop()
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_one();
    }
    bool finished() const { return finished_; }

private:
    void run()
    {
        static std::atomic<int> serial{0};
        name_ = QStringLiteral("pageread-%1").arg(++serial);
        for (;;) {
            std::shared_ptr<PageReadJob> job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (stopping_)
                    break;
                job = std::move(queue_.front());
                queue_.pop_front();
            }
            if (!job->canceller.cancelled())
                read(*job);
            job->done = true;
            QMetaObject::invokeMethod(
                model_, [model = model_, job] { model->readFinished(job.get()); },
                Qt::QueuedConnection);
        }
        close();
        finished_ = true;
    }

    void read(PageReadJob &job)
    {
        // A connection the server ended since the last read fails its statement; it is opened
        // again and the page read once more.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!open(job.source, &job.error))
                return;
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            job.canceller.attach(db);
            if (!job.canceller.cancelled())
                job.ok = PagedQueryModel::readPage(db, job.statement, 0, job.page, &job.error);
            // Waits for cancels still on their way, so none reaches the next statement.
            job.canceller.detach();
            if (job.ok || job.canceller.cancelled() || connectionAlive(db))
                return;
            db.close();
            job.page = {};
        }
    }

    bool open(const QString &source, QString *error)
    {
        if (source != source_)
            close();
        OpenResult opened{true, {}};
        if (source_.isEmpty())
            opened = cloneDatabaseForThread(source, name_);
        else if (!QSqlDatabase::database(name_, false).isOpen())
            opened = reopenDatabase(name_);
        source_ = source;
        if (!opened.ok)
            *error = opened.error;
        return opened.ok;
    }

    void close()
    {
        if (source_.isEmpty())
            return;
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
        source_.clear();
    }

    PagedQueryModel *const model_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<PageReadJob>> queue_;
    bool stopping_ = false;
    std::atomic<bool> finished_{false};
    // The thread's own.
    QString name_;
    QString source_; // the connection the open one was cloned from; empty while none is
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
    const QString table = statementTable(text);
    const QString key = pagingKey(db, table);
    const qsizetype orderAt = topLevelOrderBy(text);
    if (orderAt < 0) {
        text += QStringLiteral(" order by ") + unsortedPageOrder(db, table);
    } else {
        // Among equal values the key runs the way the last sort key does, so an index on that
        // key (which holds the row key too) still gives the order; so does the index's second
        // column where it has one (pageTieBreak).
        static const QRegularExpression descending(QStringLiteral(R"(\bdesc$)"),
                                                   QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression oneColumn(
            QStringLiteral(R"(^order\s+by\s+\[?(\w+)\]?(\s+(asc|desc))?$)"),
            QRegularExpression::CaseInsensitiveOption);
        const QString direction =
            descending.match(text).hasMatch() ? QStringLiteral(" DESC") : QString();
        const QRegularExpressionMatch sorted = oneColumn.match(text.mid(orderAt));
        const QString tie = sorted.hasMatch() ? pageTieBreak(table, sorted.captured(1)) : QString();
        if (!tie.isEmpty())
            text += QStringLiteral(", ") + tie + direction;
        text += QStringLiteral(", ") + key + direction;
    }
    if (limit > 0)
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
    if (!worker_)
        return;
    // The interrupt ends the running statement; sent again until the thread has ended, in case
    // it came before its statement had begun.
    if (reader_)
        ending_.push_back(std::move(reader_));
    worker_->stop();
    while (!worker_->finished()) {
        for (const auto &r : ending_)
            r->canceller.cancel();
        QThread::msleep(RecancelPollMs);
    }
    worker_.reset();
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
    // A key that moves when its row is updated (PostgreSQL's ctid, for the tables without a key
    // column of their own, all of them small) would show a row changed between two page reads
    // twice and skip another: such a table is read whole, in one statement.
    const bool whole = pagingKey(db, statementTable(statement)) == u"ctid";
    if (!q.exec(pageStatement(db, statement, offset, whole ? 0 : PageRows))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    // A key column kept for paging is no field of the records: "select *" does not show it.
    page.fields = q.record();
    const int columns = page.fields.count();
    const QString key = pagingKey(db, statementTable(statement));
    const int hidden = key != rowKey(db) ? page.fields.indexOf(key) : -1;
    if (hidden >= 0)
        page.fields.remove(hidden);
    page.values.reserve(size_t(page.fields.count()) * (whole ? 64 : PageRows));
    while (q.next()) {
        for (int c = 0; c < columns; ++c) {
            if (c != hidden)
                page.values.push_back(q.value(c));
        }
        ++page.rows;
    }
    page.complete = whole || page.rows < PageRows;
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
    atEnd_ = !ok || page.complete;
    headers_.assign(size_t(fields_.count()), QVariant());
    error_ = ok ? QString() : text;
    endResetModel();
}

void PagedQueryModel::setQueryInBackground(const QString &connectionName, const QString &statement)
{
    cancelBackgroundRead();
    if (!worker_)
        worker_ = std::make_unique<PageReadWorker>(this);
    reader_ = std::make_shared<PageReadJob>(connectionName, statement);
    worker_->post(reader_);
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

void PagedQueryModel::readFinished(PageReadJob *job)
{
    if (reader_.get() != job) {
        std::erase_if(ending_, [job](const auto &r) { return r.get() == job; });
        if (ending_.empty())
            recancel_.stop();
        return;
    }
    const std::shared_ptr<PageReadJob> done = std::move(reader_);
    if (!done->ok) {
        Q_EMIT backgroundReadEnded(ReadEnd::Failed, done->error);
        return;
    }
    connectionName_ = done->source;
    statement_ = done->statement;
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
    atEnd_ = page.complete;
    if (page.rows == 0)
        return;
    beginInsertRows({}, rows_, rows_ + page.rows - 1);
    values_.insert(values_.end(), std::make_move_iterator(page.values.begin()),
                   std::make_move_iterator(page.values.end()));
    rows_ += page.rows;
    endInsertRows();
}

} // namespace vesk
