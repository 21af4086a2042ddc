// The login roles of a PostgreSQL database: what the agent and the console may do there.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace vesk {

// Role names as every Config.ini of the installation writes them after User ID=.
QString AgentRoleName();
QString ConsoleRoleName();
QString WebRoleName(); // vesk-web: reads the records, reads its accounts, notes sign-ins

struct RoleRequest
{
    QString role;
    // Set: the role's password becomes this one. Unset: a new role has none (it cannot log in
    // with a password yet), an existing one keeps its own.
    std::optional<QString> password;
};

struct RoleOutcome
{
    QString role;
    bool created = false;
    bool passwordSet = false;
};

// Creates the roles that do not exist yet, sets the passwords asked for and replaces every
// privilege the roles hold on the Vesk tables by the ones they need, in one transaction on the
// connection (the tables' owner, with CREATEROLE for creating roles or setting passwords).
// A password travels only as a SCRAM verifier computed here; neither it nor the statement that
// carries the verifier appears in `error`.
bool applyServerRoles(QSqlDatabase &db, const std::vector<RoleRequest> &requests,
                      std::vector<RoleOutcome> *outcomes, QString *error);

// Grants only, to the roles that exist: a schema step that adds a table or a sequence calls this
// so the roles keep up without a new run of vesk-initdb. Inside the caller's transaction.
bool refreshServerGrants(QSqlDatabase &db, QString *error);

} // namespace vesk
