// The computer commands: their rules, statements and messages.
#include "HostOperations.h"

#include "EditStatements.h"
#include "Errors.h"
#include "LogDateTime.h"
#include "MainDM.h"
#include "MessageFlags.h"

#include <QSqlQuery>

namespace vesk {

using namespace edit;

HostOperations::HostOperations(TdmMain &dm) : dm_(dm) {}

QString HostOperations::lang(const QString &key) const
{
    return dm_.GetLangString(key);
}

bool HostOperations::MoveHost(const QString &host, const QString &dept)
{
    return writeAll(
        dm_, {{QStringLiteral("update tHost set deptName=? where HostName=?"), {dept, host}}},
        MB_ICONSTOP);
}

std::optional<HostRecord> HostOperations::ReadHost(const QString &name)
{
    QSqlDatabase db = dm_.acntVesk.database();
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
        dm_.ShowMsg(e.message(), MB_ICONINFORMATION);
        return std::nullopt;
    }
    dm_.ShowMsg(lang(QStringLiteral("RSExistSameCompute")), MB_ICONEXCLAMATION);
    return std::nullopt;
}

bool HostOperations::SaveHost(const QString &oldName, const HostRecord &record)
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
        dm_.ShowMsg(e.message(), MB_ICONINFORMATION);
        return false;
    }
    const QSqlDatabase db = dm_.acntVesk.database();
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

bool HostOperations::DeleteHost(const QString &name)
{
    if (dm_.AskOkCancel(TdmMain::FillMsg(lang(QStringLiteral("RSDelCompute")), name),
                        MB_ICONQUESTION) != IDOK)
        return false;
    return writeAll(dm_, {{QStringLiteral("delete from tHost where HostName=?"), {name}}});
}

QString HostOperations::ModifyComputeLine(const QString &newName, const QDateTime &when) const
{
    return TdmMain::FillMsg(lang(QStringLiteral("RSModifyCompute")), newName) +
           lang(QStringLiteral("RSOperateSuccess")) + u':' + LogDateTime(when);
}

QString HostOperations::DeleteComputeLine(const QString &name, const QDateTime &when) const
{
    return TdmMain::FillMsg(lang(QStringLiteral("RSDelComputeSu")), name) +
           lang(QStringLiteral("RSOperateSuccess")) + u':' + LogDateTime(when);
}

std::optional<QString> HostOperations::HostLogBlock(const QString &name, const QDateTime &when)
{
    return logBlock(dm_, QStringLiteral("select * from tHost where HostName=?"), name, when,
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
