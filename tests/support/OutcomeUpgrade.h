// The step that appends the job outcome columns, checked the same way on either engine: a
// database of the version before it, with rows, comes out with the columns and every row.
#pragma once

#include "Database.h"
#include "Schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <gtest/gtest.h>

namespace vesk::test {

// `db` holds a new database of this build. It is taken back to version 2 (without the columns
// and their settings), given rows, upgraded, and checked.
inline void CheckOutcomeColumnsUpgrade(QSqlDatabase db)
{
    const char *const appended[] = {"JobOutcome", "PagesPrinted", "ColorPrint", "Duplex"};
    QSqlQuery q(db);
    const auto run = [&](const QString &statement) {
        ASSERT_TRUE(q.exec(translateStatement(db, statement)))
            << statement.toStdString() << ": " << q.lastError().text().toStdString();
    };
    for (const char *column : appended) {
        run(QStringLiteral("alter table tPrinterData drop column ") + QLatin1String(column));
        run(QStringLiteral("delete from tShowSetting where FieldName='%1'")
                .arg(QLatin1String(column)));
    }
    run(QStringLiteral("update tSchemaVersion set Version=2"));
    for (int i = 0; i < 3; ++i)
        run(QStringLiteral("insert into tPrinterData (PrinterName, documentName, TotalPageCount, "
                           "PrintTime) values ('Laser', 'doc %1', %1, '2026-03-0%1 10:00:00')")
                .arg(i + 1));

    QString error;
    ASSERT_TRUE(upgradeSchema(db, &error, [](const QString &key) { return QString(key + u'!'); }))
        << error.toStdString();
    EXPECT_EQ(storedSchemaVersion(db), SchemaVersion);
    const QSqlRecord rec = db.record(QStringLiteral("tprinterdata"));
    ASSERT_EQ(rec.count(), 16);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rec.fieldName(12 + i).toLower(), QString::fromLatin1(appended[i]).toLower());
    run(QStringLiteral("select count(*), sum(TotalPageCount) from tPrinterData where "
                       "JobOutcome is null and PagesPrinted is null and ColorPrint is null and "
                       "Duplex is null"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 3);
    EXPECT_EQ(q.value(1).toInt(), 6);
    // The settings list the new columns after the others, out of the report until chosen.
    run(QStringLiteral("select FieldName, FName, Findex, IsVisible from tShowSetting where "
                       "tableName='tPrinterData' and Findex>=12 order by Findex"));
    for (const char *column : appended) {
        ASSERT_TRUE(q.next()) << column;
        EXPECT_EQ(q.value(0).toString(), QLatin1String(column));
        EXPECT_TRUE(q.value(1).toString().endsWith(u'!'));
        EXPECT_EQ(q.value(3).toInt(), 0);
    }
    EXPECT_FALSE(q.next());
    // The new columns take values.
    run(QStringLiteral("update tPrinterData set JobOutcome=2, PagesPrinted=0 where "
                       "documentName='doc 2'"));
    run(QStringLiteral("select count(*) from tPrinterData where JobOutcome=2"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

} // namespace vesk::test
