// Moving an application folder's embedded database to a PostgreSQL server: every table copied
// into an empty database in one transaction, row counts checked, the source only read.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <vector>

namespace vesk {

class DatabaseMigration
{
public:
    enum class Problem
    {
        None,
        SourceVersion,  // the source is not at this build's schema version: detail = its version
        TargetNotEmpty, // detail = the tables the target holds
        Layout,         // a source table or column the schema has no place for: detail = its name
        CountMismatch,  // detail = the table whose counts differ
        Database,       // detail = the database's text
    };

    struct Table
    {
        QString name; // as the source spells it
        qint64 rows = 0;
    };

    // `source`: an open SQLite connection (opened read-only by the caller, so nothing can write
    // it); `target`: an open PostgreSQL connection. Both are used on the calling thread only.
    DatabaseMigration(QSqlDatabase source, QSqlDatabase target);

    // Reads what the source holds and checks that the target is empty; writes nothing.
    bool Plan();
    // Plan, then in one transaction on the target: the schema (the same code as vesk-initdb),
    // every table's rows (PostgreSQL's COPY, print records in the order they were stored), the
    // row counts compared with the source's. Nothing stays on the target unless all of it went
    // through. `copied` is told after each table.
    bool Run(const std::function<void(const Table &)> &copied = {});

    const std::vector<Table> &Tables() const { return tables_; }
    Problem problem() const { return problem_; }
    const QString &detail() const { return detail_; }

private:
    bool fail(Problem problem, const QString &detail);
    bool copyTable(const Table &table);

    QSqlDatabase source_;
    QSqlDatabase target_;
    std::vector<Table> tables_;
    Problem problem_ = Problem::None;
    QString detail_;
};

} // namespace vesk
