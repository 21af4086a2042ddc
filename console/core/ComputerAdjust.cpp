// Reassignment of computers between two departments.
#include "ComputerAdjust.h"

#include "Database.h"
#include "MainDM.h"
#include "MessageFlags.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace vesk {

ComputerAdjust::ComputerAdjust(TdmMain &dm) : dm_(dm) {}

bool ComputerAdjust::Prepare(const QString &current)
{
    QSqlDatabase db = dm_.acntVesk.database();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select  name from tdept"))) {
        dm_.ShowMsg(q.lastError().text(), MB_ICONINFORMATION);
        return false;
    }
    departments_.clear();
    while (q.next())
        departments_ << q.value(0).toString();
    q.finish();
    if (departments_.size() < 2)
        return false;
    dsIndex_ = static_cast<int>(departments_.indexOf(current));
    if (dsIndex_ < 0) {
        dm_.ShowMsg(TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSDeptNotExist")), current),
                    MB_ICONEXCLAMATION);
        return false;
    }
    srcIndex_ = dsIndex_ == 0 ? 1 : dsIndex_ - 1;
    return fill(departments_.at(dsIndex_), dstList_) && fill(departments_.at(srcIndex_), srcList_);
}

bool ComputerAdjust::fill(const QString &dept, QStringList &list)
{
    QSqlDatabase db = dm_.acntVesk.database();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QString error;
    if (!runStatement(
            q,
            translateStatement(
                db, QStringLiteral("select  hostName as name from thost where deptname =?")),
            {dept}, &error)) {
        dm_.ShowMsg(error, MB_ICONINFORMATION);
        return false;
    }
    list.clear();
    while (q.next())
        list << q.value(0).toString();
    return true;
}

bool ComputerAdjust::SelectDs(int index)
{
    if (index < 0 || index >= departments_.size() || index == srcIndex_)
        return false;
    if (!fill(departments_.at(index), dstList_))
        return false;
    dsIndex_ = index;
    return true;
}

bool ComputerAdjust::SelectSrc(int index)
{
    if (index < 0 || index >= departments_.size() || index == dsIndex_)
        return false;
    if (!fill(departments_.at(index), srcList_))
        return false;
    srcIndex_ = index;
    return true;
}

int ComputerAdjust::Include(const std::vector<int> &rows)
{
    if (dsIndex_ < 0 || srcIndex_ < 0)
        return -1;
    return move(srcList_, dstList_, departments_.at(dsIndex_), rows);
}

int ComputerAdjust::Exclude(const std::vector<int> &rows)
{
    if (dsIndex_ < 0 || srcIndex_ < 0)
        return -1;
    return move(dstList_, srcList_, departments_.at(srcIndex_), rows);
}

int ComputerAdjust::move(QStringList &from, QStringList &to, const QString &dept,
                         std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [&](int r) { return r < 0 || r >= from.size(); });
    const int position = rows.empty() ? -1 : rows.front();

    if (!rows.empty()) {
        QSqlDatabase db = dm_.acntVesk.database();
        QString error;
        bool ok = beginWrite(db, &error);
        if (ok) {
            QSqlQuery q(db);
            ok = q.prepare(translateStatement(
                db, QStringLiteral("update thost set deptname=? where hostName=?")));
            for (auto it = rows.rbegin(); ok && it != rows.rend(); ++it) {
                q.addBindValue(dept);
                q.addBindValue(from.at(*it));
                ok = q.exec();
            }
            if (!ok)
                error = q.lastError().text();
            q.finish();
            if (ok)
                ok = commitWrite(db, &error);
            if (!ok)
                rollbackWrite(db);
        }
        if (!ok) {
            dm_.ShowMsg(error, MB_ICONINFORMATION);
            return -1;
        }
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            to << from.at(*it);
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            from.removeAt(*it);
        changed_ = true;
    }
    if (from.isEmpty())
        return -1;
    if (position < 0)
        return 0;
    return std::min(position, static_cast<int>(from.size()) - 1);
}

} // namespace vesk
