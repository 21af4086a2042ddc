// Kept totals on SQLite and PostgreSQL: random sequences of the writes the records get (saves
// with their fold, deletes, department renames, redaction, recosts, plain SQL updates and deletes
// without a fold; costs past what 32-bit sums hold), and after each one the totals equal the
// records' sums and every figure read from them over periods with edges at midnight, month and year
// ends and times equals the records'.
#include "Totals.h"

#include "Database.h"
#include "DocumentPrivacy.h"
#include "PostgresServer.h"
#include "Schema.h"
#include "SqlText.h"
#include "TestAppDir.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

using namespace vesk;
using test::Engine;

namespace {

class Totals : public test::EngineCase
{
protected:
    Totals() : EngineCase(QStringLiteral("totals")) {}
    // Rows of a statement as texts, null as "<null>", names in lower case (a group of names
    // that differ in letter case alone shows one of them, as either source chooses), sorted.
    std::vector<std::vector<std::string>> rows(const QString &statement)
    {
        QSqlDatabase d = db();
        QSqlQuery q(d);
        QString error;
        EXPECT_TRUE(runStatement(q, translateStatement(d, statement), {}, &error))
            << error.toStdString() << " [" << statement.toStdString() << ']';
        std::vector<std::vector<std::string>> out;
        while (q.next()) {
            std::vector<std::string> row;
            for (int c = 0; c < q.record().count(); ++c)
                row.push_back(q.value(c).isNull() ? "<null>"
                                                  : q.value(c).toString().toLower().toStdString());
            out.push_back(row);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    void fold()
    {
        QSqlDatabase d = db();
        QString error;
        ASSERT_TRUE(beginWrite(d, &error) && FoldTotals(d, &error) && commitWrite(d, &error))
            << error.toStdString();
    }
};

// Names with letter-case twins, nulls and empty texts; times at and around midnight, month and
// year ends.
const char *const Depts[] = {"Sales", "SALES", "Finance", "", nullptr, "Müller GmbH"};
const char *const Printers[] = {"Laser", "laser", "Colour 1", nullptr};
const char *const Hosts[] = {"PC1", "pc1", "PC2", "", nullptr};
const char *const Times[] = {"2025-12-31 00:00:00", "2025-12-31 23:59:59",
                             "2026-01-01 00:00:00", "2026-01-01 08:30:00",
                             "2026-01-31 23:59:59", "2026-02-01 00:00:00",
                             "2026-02-14 12:00:00", "2026-03-01 00:00:01",
                             "2026-03-31 18:00:00", nullptr};

template <size_t N> QVariant pick(QRandomGenerator &r, const char *const (&a)[N])
{
    const char *v = a[r.bounded(int(N))];
    return v ? QVariant(QString::fromUtf8(v)) : QVariant(QMetaType(QMetaType::QString));
}

QVariant maybeNumber(QRandomGenerator &r, int bound)
{
    return r.bounded(8) == 0 ? QVariant(QMetaType(QMetaType::Int)) : QVariant(r.bounded(bound));
}

// A cost in minor units: none, a cent or two, or beyond what a 32-bit sum holds.
QVariant maybeCost(QRandomGenerator &r)
{
    switch (r.bounded(4)) {
    case 0:
        return QVariant(QMetaType(QMetaType::LongLong));
    case 1:
        return QVariant(qint64(r.bounded(3)));
    default:
        return QVariant(qint64(r.bounded(2000000000)) + qint64(r.bounded(2)) * 2000000000);
    }
}

// The periods read after each step: [from, to) or [from, to], times optional.
const struct
{
    const char *from, *to;
    bool toIncluded;
} Periods[] = {
    {nullptr, nullptr, false},
    {"2025-12-31 00:00:00", "2026-01-01 00:00:00", false},
    {"2025-12-31 00:00:00", "2026-01-01 00:00:00", true},
    {"2025-12-01 00:00:00", "2026-03-01 00:00:00", false},
    {"2025-12-31 12:00:00", "2026-02-14 12:00:00", true},
    {"2026-01-01 08:30:00", "2026-01-01 09:00:00", false},
    {"2025-01-01 00:00:00", "2027-01-01 00:00:00", false},
    {"2026-01-31 23:59:59", "2026-03-01 00:00:01", false},
    // Read as a year or month less the days or months after it.
    {"2026-01-01 00:00:00", "2026-03-31 00:00:00", false},
    {"2025-02-01 00:00:00", "2026-12-31 00:00:00", false},
    {nullptr, "2026-03-31 00:00:00", false},
    {"2026-01-31 00:00:00", nullptr, false},
    {"2026-02-01 00:00:00", "2026-03-01 00:00:00", false},
};
// A condition on the department, and the list it keeps to (sought in the totals' key).
const struct
{
    const char *clause;
    QStringList depts;
} DeptClauses[] = {{"", {}},
                   {" AND DeptName like '%ale%'", {}},
                   {" AND DeptName in ('sales', 'Finance')", {"sales", "Finance"}}};

} // namespace

TEST_P(Totals, EveryFigureEqualsTheRecordsSumsAfterEachWrite)
{
    QRandomGenerator r(20261210);
    const auto insert = [&](int n) {
        for (int i = 0; i < n; ++i)
            exec(QStringLiteral(
                     "insert into tPrinterData (PrinterName, documentName, hostName, "
                     "TotalPageCount, PrintTime, EmName, DeptName, JobOutcome, "
                     "PagesPrinted, ColorPrint, Duplex, Cost) values (?, ?, ?, ?, ?, ?, ?, "
                     "?, ?, ?, ?, ?)"),
                 {pick(r, Printers), QStringLiteral("doc"), pick(r, Hosts), maybeNumber(r, 30),
                  pick(r, Times), pick(r, Hosts), pick(r, Depts), maybeNumber(r, 4),
                  maybeNumber(r, 30), maybeNumber(r, 2), maybeNumber(r, 2), maybeCost(r)});
    };
    const struct
    {
        const char *label;
        std::function<void()> write;
    } steps[] = {
        {"agent save",
         [&] {
             insert(1 + r.bounded(20));
             fold();
         }},
        {"plain SQL inserts, no fold", [&] { insert(1 + r.bounded(5)); }},
        {"console delete",
         [&] {
             exec(QStringLiteral("delete from tPrinterData where hostName = ?"), {pick(r, Hosts)});
             fold();
         }},
        {"department rename",
         [&] {
             exec(QStringLiteral("update tPrinterData set DeptName = ? where DeptName = ?"),
                  {pick(r, Depts), pick(r, Depts)});
             fold();
         }},
        {"redaction",
         [&] {
             QSqlDatabase d = db();
             QString error;
             ASSERT_GE(
                 RedactDocumentNames(d, QString(), QStringLiteral("2026-02-01 00:00:00"), &error),
                 0)
                 << error.toStdString();
         }},
        {"plain SQL update of pages, time and outcome",
         [&] {
             exec(QStringLiteral("update tPrinterData set TotalPageCount = ?, PrintTime = ?, "
                                 "JobOutcome = ?, ColorPrint = 1 - ColorPrint where PrinterName "
                                 "= ?"),
                  {maybeNumber(r, 50), pick(r, Times), maybeNumber(r, 4), pick(r, Printers)});
         }},
        {"recost",
         [&] {
             exec(QStringLiteral("update tPrinterData set Cost = ? where hostName = ?"),
                  {maybeCost(r), pick(r, Hosts)});
             fold();
         }},
        {"plain SQL delete",
         [&] {
             exec(QStringLiteral("delete from tPrinterData where PrintTime < ?"), {pick(r, Times)});
         }},
    };
    for (int round = 0; round < 40 && !HasFailure(); ++round) {
        const auto &step = steps[r.bounded(int(std::size(steps)))];
        SCOPED_TRACE(
            QStringLiteral("step %1: %2").arg(round).arg(QLatin1String(step.label)).toStdString());
        step.write();
        QString error;
        const auto differences = CheckTotals(db(), 5, &error);
        ASSERT_TRUE(differences) << error.toStdString();
        for (const TotalsDifference &d : *differences)
            ADD_FAILURE() << d.table.toStdString() << ' ' << d.period.toStdString() << ' '
                          << TotalsDimColumn(d.dim).toStdString() << ' ' << d.name.toStdString();
        for (const auto &p : Periods) {
            for (const auto &[clause, depts] : DeptClauses) {
                TotalsSearch s;
                s.from = QDateTime::fromString(QLatin1String(p.from),
                                               QStringLiteral("yyyy-MM-dd hh:mm:ss"));
                s.to = QDateTime::fromString(QLatin1String(p.to),
                                             QStringLiteral("yyyy-MM-dd hh:mm:ss"));
                s.toIncluded = p.toIncluded;
                s.deptClause = QLatin1String(clause);
                s.depts = depts;
                QString where = QStringLiteral(" where 1=1");
                if (p.from)
                    where +=
                        QStringLiteral(" and PrintTime >= ") + QuotedStr(QLatin1String(p.from));
                if (p.to)
                    where += QStringLiteral(" and PrintTime ") + (p.toIncluded ? "<= " : "< ") +
                             QuotedStr(QLatin1String(p.to));
                where += QLatin1String(clause);
                SCOPED_TRACE(QString(QStringLiteral("period ") + QLatin1String(p.from) + u' ' +
                                     QLatin1String(p.to) + QLatin1String(clause))
                                 .toStdString());
                const DbEngine e = engineOf(db());
                EXPECT_EQ(rows(TotalsDayStatement(e, s)),
                          rows(QStringLiteral(
                                   "select coalesce(substr(PrintTime, 1, 10), ''), "
                                   "sum(coalesce(TotalPageCount, 0)), count(*), "
                                   "sum(coalesce(PagesPrinted, 0)), sum(case when ColorPrint=1 "
                                   "then 1 else 0 end), sum(case when Duplex=1 then 1 else 0 "
                                   "end), sum(case when JobOutcome=2 then 1 else 0 end), "
                                   "sum(case when JobOutcome=3 then 1 else 0 end), "
                                   "cast(sum(coalesce(Cost, 0)) as bigint) from tPrinterData") +
                               where + QStringLiteral(" group by 1")));
                for (int g = 0; g < TotalsDimCount; ++g) {
                    const QString column = TotalsDimColumn(TotalsDim(g));
                    EXPECT_EQ(rows(TotalsGroupStatement(e, TotalsDim(g), s, 0)),
                              rows(QStringLiteral("select %1, coalesce(sum(TotalPageCount), 0), "
                                                  "count(*), cast(coalesce(sum(Cost), 0) as "
                                                  "bigint) from tPrinterData")
                                       .arg(column) +
                                   where + QStringLiteral(" group by ") + column))
                        << column.toStdString();
                }
            }
        }
    }
    // A rebuild gives the same totals, the log folded in.
    QSqlDatabase d = db();
    QString error;
    ASSERT_TRUE(beginWrite(d, &error) && RebuildTotals(d, {}, &error) && commitWrite(d, &error) &&
                SettleTotals(d, &error))
        << error.toStdString();
    const auto differences = CheckTotals(d, 5, &error);
    ASSERT_TRUE(differences) << error.toStdString();
    EXPECT_TRUE(differences->empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, Totals, BothEngines);
