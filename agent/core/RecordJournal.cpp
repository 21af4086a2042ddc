// The journal file of taken-in rows: appended durably, rewritten atomically after a save.
#include "RecordJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace vesk {

namespace {

using spooler::ResumePoint;

const QString KeyId = QStringLiteral("id");
const QString KeyCells = QStringLiteral("cells");
const QString KeyJob = QStringLiteral("job");
const QString KeyMark = QStringLiteral("mark");
const QString KeyUpTo = QStringLiteral("upTo");
const QString KeyOpen = QStringLiteral("open");
const QString KeyMarkPrinter = QStringLiteral("markPrinter");
// The cells appended to the record after the first twelve, each under its own key, written only
// when not empty: older agents read such a line as before and ignore the keys.
const std::array<std::pair<int, QString>, PrinterDataColumnCount - OriginalColumnCount> KeyMore{{
    {colJobOutcome, QStringLiteral("outcome")},
    {colPagesPrinted, QStringLiteral("printed")},
    {colColorPrint, QStringLiteral("color")},
    {colDuplex, QStringLiteral("duplex")},
    {colCost, QStringLiteral("cost")},
}};

QByteArray line(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

void putPoint(QJsonObject &o, const ResumePoint &p)
{
    QJsonArray open;
    for (uint32_t id : p.Open)
        open.append(static_cast<qint64>(id));
    o.insert(KeyUpTo, static_cast<qint64>(p.UpTo));
    o.insert(KeyOpen, open);
}

ResumePoint getPoint(const QJsonObject &o)
{
    ResumePoint p;
    p.UpTo = static_cast<uint32_t>(o.value(KeyUpTo).toInteger());
    for (const QJsonValue &v : o.value(KeyOpen).toArray())
        p.Open.push_back(static_cast<uint32_t>(v.toInteger()));
    std::sort(p.Open.begin(), p.Open.end());
    return p;
}

QByteArray encode(const ListedRecord &row)
{
    QJsonArray cells;
    for (int i = 0; i < OriginalColumnCount; ++i)
        cells.append(row.Cells[static_cast<size_t>(i)]);
    QJsonObject o;
    o.insert(KeyId, row.Id);
    o.insert(KeyCells, cells);
    for (const auto &[column, key] : KeyMore)
        if (const QString &cell = row.Cells[static_cast<size_t>(column)]; !cell.isEmpty())
            o.insert(key, cell);
    if (row.JobId != 0 && row.Mark) {
        o.insert(KeyJob, static_cast<qint64>(row.JobId));
        putPoint(o, *row.Mark);
        if (!row.MarkPrinter.isEmpty())
            o.insert(KeyMarkPrinter, row.MarkPrinter);
    }
    return line(o);
}

QByteArray encodeMark(const QString &printer, const ResumePoint &p)
{
    QJsonObject o;
    o.insert(KeyMark, printer);
    putPoint(o, p);
    return line(o);
}

// One line: a row, or a printer's mark (markPrinter set). False for a torn or foreign line.
bool decode(const QByteArray &text, ListedRecord &row, std::optional<QString> &markPrinter,
            ResumePoint &mark)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    if (o.contains(KeyMark)) {
        markPrinter = o.value(KeyMark).toString();
        mark = getPoint(o);
        return true;
    }
    const QJsonArray cells = o.value(KeyCells).toArray();
    row.Id = o.value(KeyId).toString();
    if (row.Id.isEmpty() || cells.size() != OriginalColumnCount)
        return false;
    for (int i = 0; i < OriginalColumnCount; ++i)
        row.Cells[static_cast<size_t>(i)] = cells.at(i).toString();
    for (const auto &[column, key] : KeyMore)
        row.Cells[static_cast<size_t>(column)] = o.value(key).toString();
    if (o.contains(KeyJob)) {
        row.JobId = static_cast<uint32_t>(o.value(KeyJob).toInteger());
        row.Mark = getPoint(o);
        row.MarkPrinter = o.value(KeyMarkPrinter).toString();
    }
    return true;
}

// The printer's point after job `job` was handed over by a monitor whose point is then `after`.
// Ids at or below the old mark leave the open set only by being handed over; the monitor adds
// what it still tracks between the old mark and its own.
void advance(ResumePoint &mark, uint32_t job, const ResumePoint &after)
{
    const uint32_t upTo = std::max({mark.UpTo, after.UpTo, job});
    std::erase(mark.Open, job);
    for (uint32_t id : after.Open)
        if (id > mark.UpTo && id <= upTo && id != job)
            mark.Open.push_back(id);
    std::sort(mark.Open.begin(), mark.Open.end());
    mark.Open.erase(std::unique(mark.Open.begin(), mark.Open.end()), mark.Open.end());
    mark.UpTo = upTo;
}

// The rename itself is durable only once the folder's entry is on disk.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

RecordJournal::RecordJournal(const QString &appDir)
    : path_(QDir(appDir).filePath(QString::fromLatin1(FileName)))
{
    load();
}

RecordJournal::~RecordJournal() = default;

void RecordJournal::load()
{
    QFile file(path_);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = file.errorString();
        return;
    }
    const QByteArray all = file.readAll();
    file.close();

    bool clean = all.isEmpty() || all.endsWith('\n');
    std::set<QString> seen;
    for (const QByteArray &text : all.split('\n')) {
        if (text.isEmpty())
            continue;
        ListedRecord row;
        std::optional<QString> markPrinter;
        ResumePoint mark;
        if (!decode(text, row, markPrinter, mark)) {
            clean = false; // a torn append
            continue;
        }
        if (markPrinter) {
            marks_[*markPrinter] = std::move(mark);
            continue;
        }
        if (!seen.insert(row.Id).second) {
            clean = false;
            continue;
        }
        if (row.JobId != 0 && row.Mark)
            advance(marks_[row.MarkOwner()], row.JobId, *row.Mark);
        pending_.push_back(std::move(row));
    }
    if (!clean)
        torn_ = !rewrite();
}

bool RecordJournal::Append(const ListedRecord &row)
{
    pending_.push_back(row);
    if (row.JobId != 0 && row.Mark)
        advance(marks_[row.MarkOwner()], row.JobId, *row.Mark);
    return appendLine(encode(row));
}

bool RecordJournal::Admits(const ListedRecord &row) const
{
    if (row.JobId == 0 || !row.Mark)
        return true;
    const auto it = marks_.find(row.MarkOwner());
    if (it == marks_.end())
        return true;
    const ResumePoint &mark = it->second;
    return row.JobId > mark.UpTo ||
           std::binary_search(mark.Open.begin(), mark.Open.end(), row.JobId);
}

std::optional<ResumePoint> RecordJournal::Mark(const QString &printer) const
{
    const auto it = marks_.find(printer);
    if (it == marks_.end())
        return std::nullopt;
    return it->second;
}

bool RecordJournal::SetMark(const QString &printer, const ResumePoint &point)
{
    ResumePoint sorted = point;
    std::sort(sorted.Open.begin(), sorted.Open.end());
    const auto it = marks_.find(printer);
    if (it != marks_.end() && it->second == sorted)
        return true;
    marks_[printer] = sorted;
    return appendLine(encodeMark(printer, sorted));
}

bool RecordJournal::appendLine(const QByteArray &text)
{
    // After a failed append the file may miss lines or end in a torn one: write it whole.
    if (torn_) {
        torn_ = !rewrite();
        return !torn_;
    }
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error_ = file.errorString();
        torn_ = true;
        return false;
    }
    if (file.write(text) != text.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        error_ = file.errorString();
        torn_ = true;
        return false;
    }
    return true;
}

QStringList RecordJournal::RemoveSaved(const QStringList &ids)
{
    const std::set<QString> gone(ids.begin(), ids.end());
    std::erase_if(pending_, [&](const ListedRecord &row) { return gone.contains(row.Id); });
    stale_ += ids;
    if (!rewrite())
        return {};
    torn_ = false;
    QStringList removed;
    removed.swap(stale_);
    return removed;
}

bool RecordJournal::rewrite()
{
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = file.errorString();
        return false;
    }
    for (const ListedRecord &row : pending_)
        file.write(encode(row));
    // After the rows, whose marks they already include: read back, the last word is the mark's.
    for (const auto &[printer, mark] : marks_)
        file.write(encodeMark(printer, mark));
    if (!file.flush() || ::fsync(file.handle()) != 0 || !file.commit()) {
        error_ = file.errorString();
        file.cancelWriting();
        return false;
    }
    syncFolder(QFileInfo(path_).absolutePath());
    return true;
}

} // namespace vesk
