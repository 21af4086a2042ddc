// The copy from SQLite to PostgreSQL. Rows travel through COPY in its text format, a megabyte at a
// time: a million print records take seconds where one insert per row would take minutes.
#include "DatabaseMigration.h"

#include "Database.h"
#include "PgNative.h"
#include "Schema.h"
#include "Totals.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <libpq-fe.h>

namespace vesk {

namespace {

constexpr qsizetype CopyChunk = 1 << 20;

// Names from the source's catalogue reach statements unquoted, so only plain ones are accepted.
bool plainName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(name).hasMatch();
}

// One value in COPY's text format: \N for null; in a text, the backslash and the characters that
// end a field or a row are escaped, everything else goes as its UTF-8 bytes.
void appendCopyValue(QByteArray &out, const QVariant &v)
{
    if (v.isNull()) {
        out += "\\N";
        return;
    }
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        out += QByteArray::number(v.toLongLong());
        return;
    case QMetaType::Double:
        out += QByteArray::number(v.toDouble(), 'g', 17);
        return;
    default:
        break;
    }
    const QByteArray bytes =
        v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
    for (const char c : bytes) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
}

QString pgError(PGconn *conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

qint64 countRows(QSqlDatabase &db, const QString &table, bool *ok)
{
    QSqlQuery q(db);
    *ok = q.exec(QStringLiteral("select count(*) from ") + table) && q.next();
    return *ok ? q.value(0).toLongLong() : 0;
}

} // namespace

DatabaseMigration::DatabaseMigration(QSqlDatabase source, QSqlDatabase target)
    : source_(std::move(source)), target_(std::move(target))
{}

bool DatabaseMigration::fail(Problem problem, const QString &detail)
{
    problem_ = problem;
    detail_ = detail;
    return false;
}

bool DatabaseMigration::Plan()
{
    problem_ = Problem::None;
    detail_.clear();
    tables_.clear();
    const int version = storedSchemaVersion(source_);
    if (version != SchemaVersion)
        return fail(Problem::SourceVersion, QString::number(version));

    QSqlQuery names(source_);
    if (!names.exec(QStringLiteral("select name from sqlite_master where type='table' and name "
                                   "not like 'sqlite\\_%' escape '\\' order by name")))
        return fail(Problem::Database, names.lastError().text());
    while (names.next()) {
        const QString name = names.value(0).toString();
        if (!plainName(name) || !SchemaTables().contains(name, Qt::CaseInsensitive))
            return fail(Problem::Layout, name);
        // The totals are built on the target from the copied records, not copied: the server
        // may tell apart names that the file's totals hold as one.
        if (!TotalsTables().contains(name, Qt::CaseInsensitive))
            tables_.push_back({name, 0});
    }
    names.finish();
    for (Table &t : tables_) {
        bool ok = false;
        t.rows = countRows(source_, t.name, &ok);
        if (!ok)
            return fail(Problem::Database, source_.lastError().text());
    }

    QSqlQuery held(target_);
    if (!held.exec(QStringLiteral("select tablename from pg_tables where schemaname = "
                                  "current_schema() order by tablename")))
        return fail(Problem::Database, held.lastError().text());
    QStringList present;
    while (held.next())
        present << held.value(0).toString();
    if (!present.isEmpty())
        return fail(Problem::TargetNotEmpty, present.join(QStringLiteral(", ")));
    return true;
}

bool DatabaseMigration::copyTable(const Table &table)
{
    QSqlQuery info(source_);
    if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table.name)))
        return fail(Problem::Database, info.lastError().text());
    const QSqlRecord targetColumns = target_.record(table.name.toLower());
    QStringList columns;
    while (info.next()) {
        const QString column = info.value(1).toString();
        if (!plainName(column) || !targetColumns.contains(column.toLower()))
            return fail(Problem::Layout, table.name + u'.' + column);
        columns << column;
    }
    info.finish();
    const QString list = columns.join(QStringLiteral(", "));

    PGconn *conn = nativePg(target_);
    if (!conn)
        return fail(Problem::Database, QStringLiteral("not a PostgreSQL connection"));
    PGresult *res = PQexec(
        conn, QStringLiteral("copy %1 (%2) from stdin").arg(table.name, list).toUtf8().constData());
    const bool copying = PQresultStatus(res) == PGRES_COPY_IN;
    PQclear(res);
    if (!copying)
        return fail(Problem::Database, pgError(conn));

    // In the order the rows were stored, so a key column the server fills keeps that order.
    QSqlQuery rows(source_);
    rows.setForwardOnly(true);
    QString readError;
    QByteArray buffer;
    buffer.reserve(CopyChunk + 4096);
    bool sent = true;
    if (rows.exec(QStringLiteral("select %1 from %2 order by rowid").arg(list, table.name))) {
        const int n = static_cast<int>(columns.size());
        while (sent && rows.next()) {
            for (int c = 0; c < n; ++c) {
                if (c > 0)
                    buffer += '\t';
                appendCopyValue(buffer, rows.value(c));
            }
            buffer += '\n';
            if (buffer.size() >= CopyChunk) {
                sent =
                    PQputCopyData(conn, buffer.constData(), static_cast<int>(buffer.size())) == 1;
                buffer.clear();
            }
        }
        if (rows.lastError().isValid())
            readError = rows.lastError().text();
    } else {
        readError = rows.lastError().text();
    }
    rows.finish();
    if (sent && !buffer.isEmpty())
        sent = PQputCopyData(conn, buffer.constData(), static_cast<int>(buffer.size())) == 1;
    // A failed read ends the copy with an error, so the server keeps none of its rows.
    const QByteArray abort = readError.toUtf8();
    sent = PQputCopyEnd(conn, readError.isEmpty() ? nullptr : abort.constData()) == 1 && sent;
    QString serverError;
    while ((res = PQgetResult(conn))) {
        if (PQresultStatus(res) != PGRES_COMMAND_OK && serverError.isEmpty())
            serverError = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
        PQclear(res);
    }
    if (!readError.isEmpty())
        return fail(Problem::Database, readError);
    if (!serverError.isEmpty() || !sent)
        return fail(Problem::Database, serverError.isEmpty() ? pgError(conn) : serverError);

    bool ok = false;
    const qint64 stored = countRows(target_, table.name, &ok);
    if (!ok)
        return fail(Problem::Database, target_.lastError().text());
    if (stored != table.rows)
        return fail(Problem::CountMismatch, table.name);
    return true;
}

bool DatabaseMigration::Run(const std::function<void(const Table &)> &copied)
{
    // One snapshot of the source for the counts and the rows, whatever another program does.
    if (!source_.transaction())
        return fail(Problem::Database, source_.lastError().text());
    bool ok = Plan();
    if (ok) {
        QString error;
        if (!beginWrite(target_, &error)) {
            ok = fail(Problem::Database, error);
        } else {
            ok = createSchemaTables(target_, &error) || fail(Problem::Database, error);
            for (size_t i = 0; ok && i < tables_.size(); ++i) {
                ok = copyTable(tables_[i]);
                if (ok && copied)
                    copied(tables_[i]);
            }
            ok = ok && (createSchemaIndexes(target_, &error) || fail(Problem::Database, error));
            ok = ok && (RebuildTotals(target_, {}, &error) || fail(Problem::Database, error));
            if (ok && !commitWrite(target_, &error))
                ok = fail(Problem::Database, error);
            if (!ok)
                rollbackWrite(target_);
            // Statistics and all-visible pages for the totals just built.
            ok = ok && (SettleTotals(target_, &error) || fail(Problem::Database, error));
        }
    }
    source_.rollback();
    return ok;
}

} // namespace vesk
