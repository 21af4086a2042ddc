// The cost tables' statements and the kept totals' cost figure for older databases.
#include "CostTables.h"

#include "Database.h"
#include "RecordColumns.h"
#include "Totals.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace vesk {

namespace {

// Dates as PrintTime keeps them: text that sorts in time order.
QString timeType(DbEngine e)
{
    return e == DbEngine::PostgreSQL ? QStringLiteral("varchar(19)") : QStringLiteral("datetime");
}

} // namespace

QStringList costTableStatements(DbEngine e)
{
    const QString t50 = textColumnType(e, 50), t255 = textColumnType(e, 255);
    return {
        QStringLiteral("create table tPrice (PrinterName %1 not null, MonoPrice bigint, "
                       "ColourPrice bigint, DuplexFactor integer)")
            .arg(t50),
        QStringLiteral("create unique index ixPricePrinter on tPrice (PrinterName)"),
        QStringLiteral("create table tPaperFactor (Paper %1 not null, Factor integer not null)")
            .arg(t50),
        QStringLiteral("create unique index ixPaperFactor on tPaperFactor (Paper)"),
        QStringLiteral("create table tBudget (DeptName %1 not null, Amount bigint not null)")
            .arg(t255),
        QStringLiteral("create unique index ixBudgetDept on tBudget (DeptName)"),
        QStringLiteral("create table tPageManager (PrinterName %1, PageType %1, PageCount integer, "
                       "MoneyCount bigint, BuyDate %2, MakeDate %2)")
            .arg(t50, timeType(e)),
        QStringLiteral("create index ixPageManagerPrinter on tPageManager (PrinterName)"),
        QStringLiteral("create table tPageType (PageType %1 not null, MinCount integer)").arg(t50),
        QStringLiteral("create unique index ixPageType on tPageType (PageType)"),
    };
}

const QStringList &CostTables()
{
    static const QStringList tables{QStringLiteral("tPrice"), QStringLiteral("tPaperFactor"),
                                    QStringLiteral("tBudget"), QStringLiteral("tPageManager"),
                                    QStringLiteral("tPageType")};
    return tables;
}

bool addCostToTotals(QSqlDatabase &db, bool (*build)(QSqlDatabase &db, QString *error),
                     QString *error)
{
    const DbEngine e = engineOf(db);
    // PostgreSQL's catalogue knows the unquoted names in lower case.
    const QSqlRecord day = db.record(TotalsTables().first().toLower());
    QStringList statements;
    if (day.isEmpty()) {
        statements = totalsTableStatements(e) + totalsTriggerStatements(e);
    } else if (!day.contains(QStringLiteral("Cost"))) {
        // The tables of a later step (the year totals) are made with it below.
        for (const QString &table : TotalsTables()) {
            if (!db.record(table.toLower()).isEmpty())
                statements << QStringLiteral(
                                  "alter table %1 add column Cost bigint not null default 0")
                                  .arg(table);
        }
        statements << totalsTableStatements(e);
        // SQLite keeps a trigger by its name; PostgreSQL's are replaced in place.
        if (e == DbEngine::SQLite) {
            for (const char *trigger : {"Insert", "Delete", "Update"})
                statements << QStringLiteral("drop trigger if exists trTotals") +
                                  QLatin1String(trigger);
        }
        statements << totalsTriggerStatements(e);
    }
    QSqlQuery q(db);
    for (const QString &s : statements) {
        if (!execStatement(q, s, error, StatementInError::Named))
            return false;
    }
    q.finish();
    return !day.isEmpty() || build(db, error);
}

} // namespace vesk
