// One transaction per change, rows read by address, log blocks: for the department and computer
// operations.
#include "EditStatements.h"

#include "Database.h"
#include "Errors.h"
#include "LogDateTime.h"
#include "MainDM.h"
#include "Totals.h"

#include <utility>

namespace vesk::edit {

namespace {

// The 47 stars that open and close a log block.
const QString LogStars = QString(47, u'*');
const QString LineEnd = QStringLiteral("\r\n");

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

} // namespace

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

// Writes the statements in one transaction; an error is shown with `icon` and gives false.
bool writeAll(TdmMain &dm, const std::vector<Statement> &statements, unsigned icon)
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

std::optional<QString> logBlock(TdmMain &dm, const QString &statement, const QString &name,
                                const QDateTime &when, const std::vector<LogLine> &lines)
{
    QSqlDatabase db = dm.acntVesk.database();
    QSqlQuery q;
    try {
        q = select(db, {statement, {name}});
    } catch (const VeskError &e) {
        dm.ShowMsg(e.message(), MB_ICONINFORMATION);
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    QString block = LogDateTime(when) + LogStars + LineEnd;
    for (const LogLine &l : lines)
        block += l.label + u':' + field(q, l.field) + LineEnd;
    return block + LogStars + LineEnd;
}

} // namespace vesk::edit
