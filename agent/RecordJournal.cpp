// The journal file of taken-in rows: appended durably, rewritten atomically after a save.
#include "RecordJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace vesk {

namespace {

QByteArray encode(const ListedRecord &row)
{
    QJsonArray cells;
    for (const QString &cell : row.Cells)
        cells.append(cell);
    QJsonObject o;
    o.insert(QStringLiteral("id"), row.Id);
    o.insert(QStringLiteral("cells"), cells);
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

bool decode(const QByteArray &line, ListedRecord &row)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    const QJsonArray cells = o.value(QStringLiteral("cells")).toArray();
    row.Id = o.value(QStringLiteral("id")).toString();
    if (row.Id.isEmpty() || cells.size() != PrinterDataColumnCount)
        return false;
    for (int i = 0; i < PrinterDataColumnCount; ++i)
        row.Cells[static_cast<size_t>(i)] = cells.at(i).toString();
    return true;
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
    for (const QByteArray &line : all.split('\n')) {
        if (line.isEmpty())
            continue;
        ListedRecord row;
        if (!decode(line, row)) {
            clean = false; // a torn append
            continue;
        }
        if (seen.insert(row.Id).second)
            pending_.push_back(std::move(row));
        else
            clean = false;
    }
    if (!clean)
        torn_ = !rewrite();
}

bool RecordJournal::Append(const ListedRecord &row)
{
    pending_.push_back(row);
    // After a failed append the file may miss rows or end in a torn line: write it whole.
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
    const QByteArray line = encode(row);
    if (file.write(line) != line.size() || !file.flush() || ::fsync(file.handle()) != 0) {
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
    if (!file.flush() || ::fsync(file.handle()) != 0 || !file.commit()) {
        error_ = file.errorString();
        file.cancelWriting();
        return false;
    }
    syncFolder(QFileInfo(path_).absolutePath());
    return true;
}

} // namespace vesk
