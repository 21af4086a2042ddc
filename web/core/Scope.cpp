#include "Scope.h"

#include "Database.h"
#include "SqlText.h"

#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <vector>

namespace vesk::web {

namespace {

struct DeptRow
{
    QString name, super;
};

std::optional<std::vector<DeptRow>> readDepts(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!runStatement(q, QStringLiteral("select Name, SuperName from tDept"), {}, error))
        return std::nullopt;
    std::vector<DeptRow> rows;
    while (q.next())
        rows.push_back({q.value(0).toString(), q.value(1).toString()});
    return rows;
}

} // namespace

std::optional<QStringList> DeptSubtree(const QSqlDatabase &db, const QString &top, QString *error)
{
    const auto rows = readDepts(db, error);
    if (!rows)
        return std::nullopt;
    QStringList found;
    QSet<QString> seen;
    for (const DeptRow &r : *rows) {
        if (r.name.compare(top, Qt::CaseInsensitive) == 0 &&
            !seen.contains(r.name.toCaseFolded())) {
            found << r.name;
            seen.insert(r.name.toCaseFolded());
        }
    }
    for (qsizetype i = 0; i < found.size(); ++i) {
        const QString parent = found[i].toCaseFolded();
        for (const DeptRow &r : *rows) {
            if (r.super.toCaseFolded() == parent && !seen.contains(r.name.toCaseFolded())) {
                found << r.name;
                seen.insert(r.name.toCaseFolded());
            }
        }
    }
    return found;
}

std::optional<QStringList> AllDepts(const QSqlDatabase &db, QString *error)
{
    const auto rows = readDepts(db, error);
    if (!rows)
        return std::nullopt;
    QStringList names;
    for (const DeptRow &r : *rows) {
        if (r.super == u"-1" || r.super.isEmpty()) {
            const auto below = DeptSubtree(db, r.name, error);
            if (!below)
                return std::nullopt;
            for (const QString &n : *below) {
                if (!names.contains(n, Qt::CaseInsensitive))
                    names << n;
            }
        }
    }
    return names;
}

QString ScopeClause(const Scope &scope, DbEngine engine)
{
    if (scope.all)
        return {};
    if (scope.depts.isEmpty())
        return QStringLiteral(" AND 1=0");
    QStringList quoted;
    for (const QString &d : scope.depts)
        quoted << (engine == DbEngine::SQLite ? QuotedStr(d)
                                              : QStringLiteral("lower(") + QuotedStr(d) + u')');
    return (engine == DbEngine::SQLite ? QStringLiteral(" AND +DeptName in (")
                                       : QStringLiteral(" AND lower(DeptName::text) in (")) +
           quoted.join(QStringLiteral(", ")) + u')';
}

bool InScope(const Scope &scope, const QString &name)
{
    return scope.all || scope.depts.contains(name, Qt::CaseInsensitive);
}

} // namespace vesk::web
