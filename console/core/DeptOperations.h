// The department commands of the console without their windows: adding, renaming, moving and
// deleting departments, their properties and log block (the computers' are HostOperations).
// The department view and the vesk command both call these, so each rule exists once.
#pragma once

#include "DeptTree.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <optional>

namespace vesk {

class TdmMain;

// The fields of tDept that the properties window edits.
struct DeptRecord
{
    QVariant Key; // the engine's address of the row read (rowKey): a save changes that row only
    QString Name;
    QString Manager;
    QString Tel;
    QString Fax;
    QString Memo;
};

// Runs on the thread that owns the data module's connection (the window thread, or the
// command's only thread). Messages and questions go through the data module (ShowMsg,
// AskOkCancel), so a window shows boxes and the command prints lines; a false or empty result
// means the message has been given and nothing was changed. Every value is bound; every change
// of more than one row set is one transaction.
class DeptOperations
{
public:
    explicit DeptOperations(TdmMain &dm);

    // The default department's name from the catalogue, looked up each time.
    QString DefaultDeptName() const;

    // The first free generated name: the "RSNewDept" text followed by 1, 2, 3, ... as the
    // database has it (not the tree). Throws VeskError on a database error.
    QString GetNewDeptName();

    // A new department under `parent` (a top-level one without). An error of the insert is
    // shown and gives false.
    bool AddDept(const QString &name, const std::optional<QString> &parent);

    // Whether a department's text may be edited in place: not the default department's.
    bool CanEditDept(const QString &text) const;
    // The in-place rename: the name must be usable and free (as the properties window requires),
    // then the department, its sub-departments' SuperName and the DeptName of computers,
    // printers, print records and web accounts change together in one transaction.
    bool RenameDept(const QString &oldName, const QString &newName);
    // Whether `newName` may replace `oldName`: not empty, not the top-level marker, and carried
    // by no other department (letter case ignored). Shows why not.
    bool CheckNewDeptName(const QString &oldName, const QString &newName);

    // A drop: the row changes first; the caller moves the node only on success.
    bool MoveDept(const QString &dragged, const QString &target);

    // Deleting the department at `path` of `forest` (the tree as shown): refuses the default
    // department, refuses a top-level department with children when no top-level default
    // department is there to receive them, asks, then deletes the row and re-attaches the direct
    // children the database holds, shown in `forest` or not (computers by DeptName, departments
    // by SuperName), to the parent or the default department, and disables the department's web
    // accounts (leaving them without a department), all in one transaction. Returns the
    // path (in `forest`) of the node that received the children (empty when it had none to give and
    // no receiver), or nothing when refused, cancelled or failed.
    std::optional<NodePath> DeleteDept(const DeptForest &forest, const NodePath &path);

    // Department properties. ReadDept: the row, or nothing (shown: the default department, or a
    // department that does not exist). SaveDept: the name rule, then the row read (its Key, still
    // carrying `oldName`; another row of that name keeps its fields) and the carry-over of a new
    // name, in one transaction; a row changed or gone meanwhile is refused.
    std::optional<DeptRecord> ReadDept(const QString &name);
    bool SaveDept(const QString &oldName, const DeptRecord &record);

    // The log block (each line ends with CR LF); none for a missing row.
    std::optional<QString> DeptLogBlock(const QString &name, const QDateTime &when);

    QSqlDatabase database() const;

private:
    QString lang(const QString &key) const;
    void showError(const QString &text);

    TdmMain &dm_;
};

} // namespace vesk
