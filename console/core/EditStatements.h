// The statements behind the department and computer operations: values bound, a change of
// several rows in one transaction, a row read with its address, the log blocks. For
// DeptOperations and HostOperations only.
#pragma once

#include "MessageFlags.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>
#include <vector>

namespace vesk {

class TdmMain;

namespace edit {

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

// The column list that reads a row with its address first (as "RowKey").
QString withRowKey(const QSqlDatabase &db);

// The condition that names the row read: its address, while it still carries `name`.
QString readRow(const QSqlDatabase &db, const char *nameField);

// A query with bound values, positioned before its first row; throws VeskError on failure.
QSqlQuery select(QSqlDatabase &db, const Statement &s);

// Writes the statements in one transaction; an error is shown with `icon` and gives false.
bool writeAll(TdmMain &dm, const std::vector<Statement> &statements,
              unsigned icon = MB_ICONINFORMATION);

QString field(const QSqlQuery &q, const char *name);

struct LogLine
{
    QString label;
    const char *field;
};
// The timestamp and stars, "label:value" per line, the stars: from the first row of the
// statement for `name`; nothing without a row. A database error is shown.
std::optional<QString> logBlock(TdmMain &dm, const QString &statement, const QString &name,
                                const QDateTime &when, const std::vector<LogLine> &lines);

} // namespace edit

} // namespace vesk
