// The computer commands of the console without their windows: moving a computer to a
// department, its properties, deleting it, its log lines and block. The department view and the
// vesk command both call these, so each rule exists once.
#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

namespace vesk {

class TdmMain;

// The fields of tHost that the properties window edits, and its department for the log.
struct HostRecord
{
    QVariant Key; // as DeptRecord::Key
    QString HostName;
    QString IP;
    QString MAC;
    QString tNetGroup;
    QString DeptName;
    QString EmName;
    QString Tel;
    QString Fax;
    QString Email;
    QString Memo;
};

// Runs as DeptOperations does, with its messages and transactions.
class HostOperations
{
public:
    explicit HostOperations(TdmMain &dm);

    // A drop on a department: the row changes first; the caller moves the node only on success.
    bool MoveHost(const QString &host, const QString &dept);

    // Computer properties. ReadHost: the one row of that name (shown otherwise). SaveHost: a new
    // name must be usable (not empty) and free; only the row read changes (as
    // DeptOperations::SaveDept); printers of the computer follow it; print records keep the old
    // name.
    std::optional<HostRecord> ReadHost(const QString &name);
    bool SaveHost(const QString &oldName, const HostRecord &record);
    // Asks, then deletes the computer's row; its printers and print records stay.
    bool DeleteHost(const QString &name);

    // Log lines and the block (each line of a block ends with CR LF); no block for a missing row.
    QString ModifyComputeLine(const QString &newName, const QDateTime &when) const;
    QString DeleteComputeLine(const QString &name, const QDateTime &when) const;
    std::optional<QString> HostLogBlock(const QString &name, const QDateTime &when);

private:
    QString lang(const QString &key) const;

    TdmMain &dm_;
};

} // namespace vesk
