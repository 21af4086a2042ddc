// What an account may see: its department and every department below it in the tree.
#pragma once

#include "ConnectionString.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk::web {

struct Scope
{
    bool all = false;  // an administrator without a chosen department
    QStringList depts; // otherwise: the departments whose records are shown
};

// `top` and every department below it (tDept's SuperName links, letter case ignored as the
// database ignores it), names as stored, `top` first. Empty when no department has that name;
// nullopt with the database's text on a failure. A loop in the table is not followed twice.
std::optional<QStringList> DeptSubtree(const QSqlDatabase &db, const QString &top,
                                       QString *error = nullptr);
// Every department's name in tree order, for an administrator's choice.
std::optional<QStringList> AllDepts(const QSqlDatabase &db, QString *error = nullptr);

// The condition appended to a print history filter (which always begins " where "): nothing for
// every department, " AND 1=0" for none, else " AND DeptName in ('A', 'B')" with quoted names.
// On SQLite the column is written "+DeptName": every web search has a time range, whose index
// reads a period's rows, while SQLite's planner (without statistics) would take the department
// index and sort all of a department's years; the unary plus keeps the term off any index.
// PostgreSQL's planner would join the department index to the time index instead, reading every
// record of the departments' years from it (1.5 s at 10M rows for ten days); there the names are
// compared as "lower(DeptName::text) in (lower('A'), ...)": citext's own equality, off the
// index, lower-casing each row once instead of twice per name compared.
QString ScopeClause(const Scope &scope, DbEngine engine);

// Whether `name` is one of the scope's departments (letter case ignored).
bool InScope(const Scope &scope, const QString &name);

} // namespace vesk::web
