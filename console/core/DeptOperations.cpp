// The department commands: their rules, statements and messages.
#include "DeptOperations.h"

#include "EditStatements.h"
#include "Errors.h"
#include "MainDM.h"
#include "MessageFlags.h"

#include <QSqlQuery>
#include <QVariant>

#include <utility>
#include <vector>

namespace vesk {

using namespace edit;

namespace {

// SuperName of a top-level department.
const QString TopLevel = QStringLiteral("-1");

// The statements that carry a department's new name into the rows that copy it. A web account
// left on the old name would see nothing, or the records of a department given that name later.
std::vector<Statement> deptCarryOver(const QString &oldName, const QString &newName)
{
    return {
        {QStringLiteral("update Tdept set SuperName=? where superName=?"), {newName, oldName}},
        {QStringLiteral("update thost set DeptName=? where DeptName=?"), {newName, oldName}},
        {QStringLiteral("update Tprinter set DeptName=? where DeptName=?"), {newName, oldName}},
        {QStringLiteral("update TPrinterData set DeptName=? where DeptName=?"), {newName, oldName}},
        {QStringLiteral("update tWebAccount set DeptName=? where DeptName=?"), {newName, oldName}},
    };
}

} // namespace

DeptOperations::DeptOperations(TdmMain &dm) : dm_(dm) {}

QSqlDatabase DeptOperations::database() const
{
    return dm_.acntVesk.database();
}

QString DeptOperations::lang(const QString &key) const
{
    return dm_.GetLangString(key);
}

void DeptOperations::showError(const QString &text)
{
    dm_.ShowMsg(text, MB_ICONINFORMATION);
}

QString DeptOperations::DefaultDeptName() const
{
    return lang(QStringLiteral("RSDefaultDept"));
}

QString DeptOperations::GetNewDeptName()
{
    QSqlDatabase db = database();
    const QString stem = lang(QStringLiteral("RSNewDept"));
    for (int n = 1;; ++n) {
        const QString candidate = stem + QString::number(n);
        QSqlQuery q =
            select(db, {QStringLiteral("select name from tDept where Name = ?"), {candidate}});
        if (!q.next())
            return candidate;
    }
}

bool DeptOperations::AddDept(const QString &name, const std::optional<QString> &parent)
{
    return writeAll(dm_, {{QStringLiteral("insert into tDept(Name,SuperName) Values(?,?)"),
                           {name, parent.value_or(TopLevel)}}});
}

bool DeptOperations::CanEditDept(const QString &text) const
{
    return text != DefaultDeptName();
}

bool DeptOperations::CheckNewDeptName(const QString &oldName, const QString &newName)
{
    // An empty name cannot be shown or chosen, and "-1" would make the sub-departments
    // top-level ones.
    if (newName.trimmed().isEmpty() || newName.trimmed() == TopLevel) {
        dm_.ShowMsg(lang(QStringLiteral("RSDeptNameInvalid")), MB_ICONEXCLAMATION);
        return false;
    }
    try {
        if (dm_.IsFreeValue(QStringLiteral("TDept"), QStringLiteral("name"), newName, oldName))
            return true;
    } catch (const VeskError &e) {
        showError(e.message());
        return false;
    }
    dm_.ShowMsg(TdmMain::FillMsg(lang(QStringLiteral("RSDeptExist")), newName), MB_ICONEXCLAMATION);
    return false;
}

bool DeptOperations::RenameDept(const QString &oldName, const QString &newName)
{
    if (!CanEditDept(oldName)) {
        dm_.ShowMsg(lang(QStringLiteral("RSDefaultDeptNo")), MB_ICONINFORMATION);
        return false;
    }
    if (!CheckNewDeptName(oldName, newName))
        return false;
    std::vector<Statement> statements{
        {QStringLiteral("update Tdept set Name=? where Name=?"), {newName, oldName}}};
    for (Statement &s : deptCarryOver(oldName, newName))
        statements.push_back(std::move(s));
    return writeAll(dm_, statements);
}

bool DeptOperations::MoveDept(const QString &dragged, const QString &target)
{
    return writeAll(
        dm_, {{QStringLiteral("Update tDept set superName=? where Name=?"), {target, dragged}}},
        MB_ICONSTOP);
}

std::optional<NodePath> DeptOperations::DeleteDept(const DeptForest &forest, const NodePath &path)
{
    const DeptNode *node = nodeAt(forest, path);
    if (!node || node->kind != NodeKind::Department)
        return std::nullopt;
    const QString defaultName = DefaultDeptName();
    if (node->text.compare(defaultName, Qt::CaseInsensitive) == 0) {
        dm_.ShowMsg(lang(QStringLiteral("RSDefaultDeptNo")), MB_ICONINFORMATION);
        return std::nullopt;
    }
    QSqlDatabase db = database();
    // The children as the database has them; the tree may show fewer (added elsewhere since).
    bool hasChildren = false;
    try {
        hasChildren =
            select(db,
                   {QStringLiteral("select HostName from tHost where DeptName=?"), {node->text}})
                .next() ||
            select(db, {QStringLiteral("select Name from tDept where SuperName=?"), {node->text}})
                .next();
    } catch (const VeskError &e) {
        showError(e.message());
        return std::nullopt;
    }
    // The receiver of the children: the parent, or the top-level default department.
    std::optional<NodePath> target;
    if (path.size() > 1) {
        target = NodePath(path.begin(), path.end() - 1);
    } else {
        for (int i = 0; i < static_cast<int>(forest.size()); ++i) {
            const DeptNode &top = forest[static_cast<size_t>(i)];
            if (top.kind == NodeKind::Department && top.text == defaultName) {
                target = NodePath{i};
                break;
            }
        }
        if (!target && hasChildren) {
            dm_.ShowMsg(lang(QStringLiteral("RSNoDefaultDept")), MB_ICONINFORMATION);
            return std::nullopt;
        }
    }
    if (dm_.AskOkCancel(lang(QStringLiteral("RSDelDept")), MB_ICONQUESTION) != IDOK)
        return std::nullopt;

    // A web account of the department loses it and is disabled: a head of the department is not
    // the head of the one its computers move to, and a department added later under the same
    // name must not open its records to her.
    std::vector<Statement> statements{
        {QStringLiteral("delete from tDept where Name=?"), {node->text}},
        {QStringLiteral("update tWebAccount set DeptName=null, Disabled=1 where DeptName=?"),
         {node->text}}};
    if (target) {
        const QString targetName = nodeAt(forest, *target)->text;
        statements.push_back({QStringLiteral("update thost set deptname=? where deptname=?"),
                              {targetName, node->text}});
        statements.push_back({QStringLiteral("update tdept set supername=? where supername=?"),
                              {targetName, node->text}});
    }
    if (!writeAll(dm_, statements))
        return std::nullopt;
    return target.value_or(NodePath{});
}

std::optional<DeptRecord> DeptOperations::ReadDept(const QString &name)
{
    if (name.compare(DefaultDeptName(), Qt::CaseInsensitive) == 0) {
        dm_.ShowMsg(lang(QStringLiteral("RSDefaultDeptNo")), MB_ICONINFORMATION);
        return std::nullopt;
    }
    QSqlDatabase db = database();
    try {
        QSqlQuery q = select(db, {QStringLiteral("select ") + withRowKey(db) +
                                      QStringLiteral(" from tDept where Name=?"),
                                  {name}});
        if (q.next())
            return DeptRecord{q.value(QStringLiteral("RowKey")),
                              field(q, "Name"),
                              field(q, "Manager"),
                              field(q, "Tel"),
                              field(q, "Fax"),
                              field(q, "Memo")};
    } catch (const VeskError &e) {
        showError(e.message());
        return std::nullopt;
    }
    dm_.ShowMsg(TdmMain::FillMsg(lang(QStringLiteral("RSDeptNotExist")), name), MB_ICONEXCLAMATION);
    return std::nullopt;
}

bool DeptOperations::SaveDept(const QString &oldName, const DeptRecord &record)
{
    if (!CheckNewDeptName(oldName, record.Name))
        return false;
    const QSqlDatabase db = database();
    // The row first: the carry-over may change rows of tDept, which on some engines moves them.
    std::vector<Statement> statements{
        {QStringLiteral("update tDept set Name=?, Manager=?, tel=?, Fax=?, Memo=? where ") +
             readRow(db, "Name"),
         {record.Name, record.Manager, record.Tel, record.Fax, record.Memo, record.Key, oldName},
         TdmMain::FillMsg(lang(QStringLiteral("RSDeptNotExist")), oldName)}};
    for (Statement &s : deptCarryOver(oldName, record.Name))
        statements.push_back(std::move(s));
    return writeAll(dm_, statements);
}

std::optional<QString> DeptOperations::DeptLogBlock(const QString &name, const QDateTime &when)
{
    return logBlock(dm_, QStringLiteral("select * from tDept where Name=?"), name, when,
                    {{lang(QStringLiteral("RSName")), "Name"},
                     {lang(QStringLiteral("RSManager")), "Manager"},
                     {lang(QStringLiteral("RSTel")), "Tel"},
                     {lang(QStringLiteral("RSFax")), "Fax"},
                     {lang(QStringLiteral("RSMemo")), "Memo"}});
}

} // namespace vesk
