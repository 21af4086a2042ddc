// The department and computer commands: their rules, statements and messages.
#include "DeptOperations.h"

#include "Database.h"
#include "Errors.h"
#include "LogDateTime.h"
#include "MainDM.h"
#include "MessageFlags.h"
#include "Totals.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>
#include <vector>

namespace vesk {

namespace {

// The 47 stars that open and close a log block.
const QString LogStars = QString(47, u'*');
const QString LineEnd = QStringLiteral("\r\n");
// SuperName of a top-level department.
const QString TopLevel = QStringLiteral("-1");

struct Statement
{
    Statement(QString statement, QVariantList bound, QString oneRow = {})
        : text(std::move(statement)), values(std::move(bound)), oneRowOrError(std::move(oneRow))
    {}

    QString text;
    QVariantList values;
    // Not empty: the statement must change exactly one row, else it fails with this text.
    QString oneRowOrError;
};

// Prepares, binds and runs one statement; false with the database's text.
bool exec(QSqlDatabase &db, const Statement &s, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, translateStatement(db, s.text), s.values, error))
        return false;
    if (s.oneRowOrError.isEmpty() || q.numRowsAffected() == 1)
        return true;
    if (error)
        *error = s.oneRowOrError;
    return false;
}

// The column list that reads a row with its address first (as "RowKey").
QString withRowKey(const QSqlDatabase &db)
{
    return rowKey(db) + QStringLiteral(" as RowKey, *");
}

// The condition that names the row read: its address, while it still carries `name`.
QString readRow(const QSqlDatabase &db, const char *nameField)
{
    return rowKey(db) + QStringLiteral("=? and ") + QLatin1String(nameField) + QStringLiteral("=?");
}

// All statements or none. Where they change print records, the totals' log that their triggers
// wrote joins the totals in the same transaction: a renamed department's records would otherwise
// wait in the log, twice each, for the agent's next save.
bool execAll(QSqlDatabase &db, const std::vector<Statement> &statements, QString *error)
{
    if (!beginWrite(db, error))
        return false;
    bool records = false;
    for (const Statement &s : statements) {
        records = records || s.text.contains(QStringLiteral("PrinterData"), Qt::CaseInsensitive);
        if (!exec(db, s, error)) {
            rollbackWrite(db);
            return false;
        }
    }
    if (records && !FoldTotals(db, error)) {
        rollbackWrite(db);
        return false;
    }
    if (commitWrite(db, error))
        return true;
    rollbackWrite(db);
    return false;
}

// A query with bound values, positioned before its first row; throws VeskError on failure.
QSqlQuery select(QSqlDatabase &db, const Statement &s)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QString error;
    if (!runStatement(q, translateStatement(db, s.text), s.values, &error))
        throw VeskError(error);
    return q;
}

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

// Writes the statements in one transaction; an error is shown with `icon` and gives false.
bool writeAll(TdmMain &dm, const std::vector<Statement> &statements,
              unsigned icon = MB_ICONINFORMATION)
{
    QSqlDatabase db = dm.acntVesk.database();
    QString error;
    if (execAll(db, statements, &error))
        return true;
    dm.ShowMsg(error, icon);
    return false;
}

QString field(const QSqlQuery &q, const char *name)
{
    return q.value(QLatin1String(name)).toString();
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

bool DeptOperations::MoveHost(const QString &host, const QString &dept)
{
    return writeAll(
        dm_, {{QStringLiteral("update tHost set deptName=? where HostName=?"), {dept, host}}},
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

std::optional<HostRecord> DeptOperations::ReadHost(const QString &name)
{
    QSqlDatabase db = database();
    try {
        QSqlQuery q = select(db, {QStringLiteral("select ") + withRowKey(db) +
                                      QStringLiteral(" from tHost where HostName=?"),
                                  {name}});
        if (q.next()) {
            HostRecord r{q.value(QStringLiteral("RowKey")),
                         field(q, "HostName"),
                         field(q, "IP"),
                         field(q, "MAC"),
                         field(q, "tNetGroup"),
                         field(q, "DeptName"),
                         field(q, "EmName"),
                         field(q, "Tel"),
                         field(q, "Fax"),
                         field(q, "Email"),
                         field(q, "Memo")};
            if (!q.next())
                return r;
        }
    } catch (const VeskError &e) {
        showError(e.message());
        return std::nullopt;
    }
    dm_.ShowMsg(lang(QStringLiteral("RSExistSameCompute")), MB_ICONEXCLAMATION);
    return std::nullopt;
}

bool DeptOperations::SaveHost(const QString &oldName, const HostRecord &record)
{
    // A computer without a name could be neither shown nor found again.
    if (record.HostName.trimmed().isEmpty()) {
        dm_.ShowMsg(lang(QStringLiteral("RSHostNameInvalid")), MB_ICONEXCLAMATION);
        return false;
    }
    try {
        if (!dm_.IsFreeValue(QStringLiteral("THost"), QStringLiteral("Hostname"), record.HostName,
                             oldName)) {
            dm_.ShowMsg(TdmMain::FillMsg(lang(QStringLiteral("RSHostExist")), record.HostName),
                        MB_ICONEXCLAMATION);
            return false;
        }
    } catch (const VeskError &e) {
        showError(e.message());
        return false;
    }
    const QSqlDatabase db = database();
    const std::vector<Statement> statements{
        {QStringLiteral("update tHost set HostName=?, IP=?, tNetGroup=?, Tel=?, Memo=?, MAC=?, "
                        "EmName=?, Fax=?, Email=? where ") +
             readRow(db, "HostName"),
         {record.HostName, record.IP, record.tNetGroup, record.Tel, record.Memo, record.MAC,
          record.EmName, record.Fax, record.Email, record.Key, oldName},
         lang(QStringLiteral("RSExistSameCompute"))},
        {QStringLiteral("update Tprinter set HostName=? where HostName=?"),
         {record.HostName, oldName}},
    };
    return writeAll(dm_, statements);
}

bool DeptOperations::DeleteHost(const QString &name)
{
    if (dm_.AskOkCancel(TdmMain::FillMsg(lang(QStringLiteral("RSDelCompute")), name),
                        MB_ICONQUESTION) != IDOK)
        return false;
    return writeAll(dm_, {{QStringLiteral("delete from tHost where HostName=?"), {name}}});
}

QString DeptOperations::ModifyComputeLine(const QString &newName, const QDateTime &when) const
{
    return TdmMain::FillMsg(lang(QStringLiteral("RSModifyCompute")), newName) +
           lang(QStringLiteral("RSOperateSuccess")) + u':' + LogDateTime(when);
}

QString DeptOperations::DeleteComputeLine(const QString &name, const QDateTime &when) const
{
    return TdmMain::FillMsg(lang(QStringLiteral("RSDelComputeSu")), name) +
           lang(QStringLiteral("RSOperateSuccess")) + u':' + LogDateTime(when);
}

std::optional<QString> DeptOperations::logBlock(const QString &statement, const QString &name,
                                                const QDateTime &when,
                                                const std::vector<LogLine> &lines)
{
    QSqlDatabase db = database();
    QSqlQuery q;
    try {
        q = select(db, {statement, {name}});
    } catch (const VeskError &e) {
        showError(e.message());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    QString block = LogDateTime(when) + LogStars + LineEnd;
    for (const LogLine &l : lines)
        block += l.label + u':' + field(q, l.field) + LineEnd;
    return block + LogStars + LineEnd;
}

std::optional<QString> DeptOperations::DeptLogBlock(const QString &name, const QDateTime &when)
{
    return logBlock(QStringLiteral("select * from tDept where Name=?"), name, when,
                    {{lang(QStringLiteral("RSName")), "Name"},
                     {lang(QStringLiteral("RSManager")), "Manager"},
                     {lang(QStringLiteral("RSTel")), "Tel"},
                     {lang(QStringLiteral("RSFax")), "Fax"},
                     {lang(QStringLiteral("RSMemo")), "Memo"}});
}

std::optional<QString> DeptOperations::HostLogBlock(const QString &name, const QDateTime &when)
{
    return logBlock(QStringLiteral("select * from tHost where HostName=?"), name, when,
                    {{lang(QStringLiteral("RShostName")), "HostName"},
                     {QStringLiteral("IP"), "IP"},
                     {QStringLiteral("MAC"), "MAC"},
                     {lang(QStringLiteral("RSNetGroup")), "tNetGroup"},
                     {lang(QStringLiteral("RSBelongEmName")), "EmName"},
                     {lang(QStringLiteral("RSBelongDept")), "DeptName"},
                     {lang(QStringLiteral("RSTel")), "Tel"},
                     {lang(QStringLiteral("RSFax")), "Fax"},
                     {lang(QStringLiteral("RSEmail")), "Email"},
                     {lang(QStringLiteral("RSMemo")), "Memo"}});
}

} // namespace vesk
