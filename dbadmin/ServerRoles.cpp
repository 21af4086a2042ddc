// Least-privilege login roles on PostgreSQL. Each role's rights are one row per table below;
// the grants are replaced as a whole, so running vesk-initdb again also takes back what a
// role held before and no longer needs.
#include "ServerRoles.h"

#include "Database.h"
#include "PgNative.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <libpq-fe.h>

namespace vesk {

namespace {

// What each role does to each table (null: nothing). The agent appends print records and never
// reads them; it reads computers and departments, keeps its printer roster (reads it all, adds a
// printer with its name and flag, switches the flag, deletes), and keeps its exactly-once
// bookkeeping. The console and the vesk command do the rest, but never touch the agent's
// bookkeeping or the version (schema steps run as the owner). The web view reads print records,
// computers and departments, the version its open checks and the column settings its report
// prints with, and reads its accounts and writes their last sign-in; the console (the vesk
// command) keeps the accounts and the record of what it mailed.
struct TableRights
{
    const char *table;
    const char *agent;
    const char *console;
    const char *web;
};

const TableRights Rights[] = {
    {"tSchemaVersion", "select", "select", "select"},
    {"tDept", "select", "select, insert, update, delete", "select"},
    {"tHost", "select", "select, insert, update, delete", "select"},
    {"tPrinter", "select, insert (Name, IsMonitor), update (IsMonitor), delete",
     "select, insert, update, delete", nullptr},
    {"tPrinterData", "insert", "select, update, delete", "select"},
    {"tShowSetting", nullptr, "select, update", "select"},
    {"tSavedRecord", "select, insert, delete", nullptr, nullptr},
    {"tWebAccount", nullptr, "select, insert, update, delete", "select, update (LastSignIn)"},
    {"tMailSent", nullptr, "select, insert, delete", nullptr},
    // The kept totals: the triggers' functions write them with the owner's rights, whoever
    // changes records; the agent folds its log through vesk_totals_fold and reads nothing; the
    // console (the vesk command) rebuilds them.
    {"tTotalDay", nullptr, "select, insert, update, delete", "select"},
    {"tTotalMonth", nullptr, "select, insert, update, delete", "select"},
    {"tTotalYear", nullptr, "select, insert, update, delete", "select"},
    {"tTotalLog", nullptr, "select, insert, update, delete", "select"},
    // What printing costs: the agent reads the prices to cost each job it stores (the cost goes
    // in with the record) and touches no budget or stock; the console keeps them all; the web
    // view reads them.
    {"tPrice", "select", "select, insert, update, delete", "select"},
    {"tPaperFactor", "select", "select, insert, update, delete", "select"},
    {"tBudget", nullptr, "select, insert, update, delete", "select"},
    {"tPageManager", nullptr, "select, insert, update, delete", "select"},
    {"tPageType", nullptr, "select, insert, update, delete", "select"},
};

// The only way the agent changes stored records: replacing due document names by the fixed
// text, through the owner's function (see Schema.cpp).
const char *const RedactFunction = "vesk_redact_document_names(text, text)";
// Moves the totals' log into the totals: the agent after each save, the console after its writes.
const char *const FoldFunction = "vesk_totals_fold()";

bool exec(QSqlQuery &q, const QString &statement, QString *error)
{
    if (q.exec(statement))
        return true;
    if (error)
        *error = q.lastError().text() + QStringLiteral(" [") + statement + u']';
    return false;
}

bool roleExists(QSqlDatabase &db, const QString &role)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select 1 from pg_roles where rolname = ?"));
    q.addBindValue(role);
    return q.exec() && q.next();
}

bool tableExists(QSqlDatabase &db, const QString &table)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select to_regclass(?) is not null"));
    q.addBindValue(table.toLower());
    return q.exec() && q.next() && q.value(0).toBool();
}

// The sequences behind the defaults of a table's columns (a key column's), which an insert uses.
QStringList sequencesOf(QSqlDatabase &db, const QString &table)
{
    QSqlQuery q(db);
    q.prepare(
        QStringLiteral("select pg_get_serial_sequence(?, attname) from pg_attribute "
                       "where attrelid = to_regclass(?) and attnum > 0 and not attisdropped"));
    q.addBindValue(table.toLower());
    q.addBindValue(table.toLower());
    QStringList out;
    if (q.exec()) {
        while (q.next()) {
            // Already quoted and qualified by the server.
            if (!q.value(0).isNull())
                out << q.value(0).toString();
        }
    }
    return out;
}

bool grantRights(QSqlDatabase &db, const QStringList &roles, QString *error)
{
    QSqlQuery q(db);
    const QString everyone = roles.join(QStringLiteral(", "));
    for (const TableRights &t : Rights) {
        const QString table = QLatin1String(t.table);
        if (!tableExists(db, table))
            continue;
        const QStringList sequences = sequencesOf(db, table);
        if (!exec(q, QStringLiteral("revoke all on %1 from %2").arg(table, everyone), error))
            return false;
        for (const QString &s : sequences) {
            if (!exec(q, QStringLiteral("revoke all on sequence %1 from %2").arg(s, everyone),
                      error))
                return false;
        }
        for (const QString &role : roles) {
            const char *rights = role == AgentRoleName() ? t.agent
                                 : role == WebRoleName() ? t.web
                                                         : t.console;
            if (!rights)
                continue;
            if (!exec(
                    q,
                    QStringLiteral("grant %1 on %2 to %3").arg(QLatin1String(rights), table, role),
                    error))
                return false;
            // A role that adds rows needs the sequences of the table's defaults.
            if (QByteArray(rights).contains("insert")) {
                for (const QString &s : sequences) {
                    if (!exec(q, QStringLiteral("grant usage on sequence %1 to %2").arg(s, role),
                              error))
                        return false;
                }
            }
        }
    }
    // The web view only reads: it may neither replace names nor fold.
    QStringList callers = roles;
    callers.removeAll(WebRoleName());
    for (const char *function : {RedactFunction, FoldFunction}) {
        QSqlQuery f(db);
        f.prepare(QStringLiteral("select to_regprocedure(?) is not null"));
        f.addBindValue(QLatin1String(function));
        if (!f.exec() || !f.next() || !f.value(0).toBool())
            continue;
        const QString fn = QLatin1String(function);
        if (!exec(q, QStringLiteral("revoke all on function %1 from public, %2").arg(fn, everyone),
                  error) ||
            (!callers.isEmpty() && !exec(q,
                                         QStringLiteral("grant execute on function %1 to %2")
                                             .arg(fn, callers.join(QStringLiteral(", "))),
                                         error)))
            return false;
    }
    return true;
}

// The verifier that ALTER ROLE stores, computed by libpq on this side as psql's \password does:
// the clear password never reaches the server, its log or a statement text.
bool setPassword(QSqlDatabase &db, const QString &role, const QString &password, QString *error)
{
    PGconn *conn = nativePg(db);
    if (!conn) {
        *error = QStringLiteral("not a PostgreSQL connection");
        return false;
    }
    char *verifier = PQencryptPasswordConn(conn, password.toUtf8().constData(),
                                           role.toUtf8().constData(), "scram-sha-256");
    if (!verifier) {
        *error = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        return false;
    }
    const QString statement =
        QStringLiteral("alter role %1 password '%2'").arg(role, QString::fromLatin1(verifier));
    PQfreemem(verifier);
    QSqlQuery q(db);
    if (q.exec(statement))
        return true;
    // The server's own text only: the statement carries the verifier.
    *error = QStringLiteral("cannot set the password of %1: %2").arg(role, q.lastError().text());
    return false;
}

} // namespace

QString AgentRoleName()
{
    return QStringLiteral("vesk_agent");
}

QString ConsoleRoleName()
{
    return QStringLiteral("vesk_console");
}

QString WebRoleName()
{
    return QStringLiteral("vesk_web");
}

bool refreshServerGrants(QSqlDatabase &db, QString *error)
{
    QStringList roles;
    for (const QString &role : {AgentRoleName(), ConsoleRoleName(), WebRoleName()}) {
        if (roleExists(db, role))
            roles << role;
    }
    return roles.isEmpty() || grantRights(db, roles, error);
}

bool applyServerRoles(QSqlDatabase &db, const std::vector<RoleRequest> &requests,
                      std::vector<RoleOutcome> *outcomes, QString *error)
{
    if (!beginWrite(db, error))
        return false;
    std::vector<RoleOutcome> done;
    QStringList roles;
    const bool ok = [&] {
        QSqlQuery q(db);
        for (const RoleRequest &r : requests) {
            RoleOutcome outcome{r.role, false, false};
            if (!roleExists(db, r.role)) {
                if (!exec(q, QStringLiteral("create role %1 login").arg(r.role), error))
                    return false;
                outcome.created = true;
            }
            if (r.password) {
                if (!setPassword(db, r.role, *r.password, error))
                    return false;
                outcome.passwordSet = true;
            }
            roles << r.role;
            done.push_back(outcome);
        }
        return grantRights(db, roles, error);
    }();
    if (!ok) {
        rollbackWrite(db);
        return false;
    }
    if (!commitWrite(db, error))
        return false;
    if (outcomes)
        *outcomes = std::move(done);
    return true;
}

} // namespace vesk
