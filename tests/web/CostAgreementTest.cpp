// One search's cost reads the same on every surface: vesk's summary, export, report and budget
// list, the console's trend figures (kept totals and records), and the web overview as an
// administrator and as a department head.
#include "PrinterDataSearch.h"
#include "TrendData.h"
#include "WebFixture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

QString runVesk(const WebFixture &f, const QStringList &args, const char *program = VESK_COMMAND)
{
    QProcess p;
    p.start(QLatin1String(program), program == QLatin1String(VESK_COMMAND)
                                        ? QStringList{"--app", f.dir.path()} + args
                                        : args);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << args.join(u' ').toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A plain amount of two decimals ("1.47", "0.40") in minor units; -1 when it is none.
qint64 minor(QString text)
{
    text.remove(u',');
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(\\d+)\\.(\\d\\d)")).match(text);
    return m.hasMatch() ? m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong() : -1;
}

// The sum of a CSV column, rows whose first cell is `firstCell` only where it is given.
qint64 columnSum(const QString &csv, const QString &column, const QString &firstCell = {})
{
    QStringList lines = csv.split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return -1;
    const QStringList head = lines.takeFirst().remove(QChar(0xFEFF)).trimmed().split(u',');
    const qsizetype at = head.indexOf(column);
    EXPECT_GE(at, 0) << head.join(u',').toStdString();
    qint64 sum = 0;
    for (const QString &line : lines) {
        const QStringList cells = line.trimmed().split(u',');
        if (at >= 0 && (firstCell.isEmpty() || cells.value(0) == firstCell))
            sum += minor(cells.value(at));
    }
    return sum;
}

} // namespace

TEST(CostAgreement, EverySurfaceShowsTheSameCostForTheSameSearch)
{
    WebFixture f;
    f.addAccounts(); // head: Finance and Payroll below it
    const struct
    {
        const char *printer, *dept;
        int pages, colour, duplex;
        const char *paper, *time;
    } jobs[] = {
        {"FinPrinter", "Finance", 3, 0, 0, "A4",
         "2026-11-30 23:59:59"}, // 0.105: half a cent up, 11
        {"FinPrinter", "Finance", 4, 1, 0, "A4", "2026-12-01 00:00:00"},  // 40
        {"PayPrinter", "Payroll", 10, 0, 1, "A4", "2026-11-15 09:00:00"}, // 16
        {"PayPrinter", "Payroll", 5, 0, 0, "A3", "2026-12-05 09:00:00"},  // 20
        {"SalesPrinter", "Sales", 7, 1, 1, "A4", "2026-12-03 09:00:00"},  // 56
        {"SalesPrinter", "Sales", 2, 0, 0, "A4", "2026-06-01 09:00:00"},  // 4
    };
    for (const auto &j : jobs) {
        QSqlQuery q(f.db);
        q.prepare(QStringLiteral(
            "insert into tPrinterData (PrinterName, documentName, hostName, TotalPageCount, "
            "PrintTime, EmName, DeptName, JobOutcome, PagesPrinted, ColorPrint, Duplex, PageSize) "
            "values (?, 'doc', 'PC', ?, ?, 'Em', ?, 1, ?, ?, ?, ?)"));
        for (const QVariant &v :
             QVariantList{j.printer, j.pages, j.time, j.dept, j.pages, j.colour, j.duplex, j.paper})
            q.addBindValue(v);
        ASSERT_TRUE(q.exec());
    }
    // Default prices, FinPrinter's own monochrome price (a printer of the printer list), A3 twice
    // A4; costed by recost. The report prints the pages and the cost only.
    ASSERT_TRUE(QSqlQuery(f.db).exec(QStringLiteral("insert into tPrinter (Name) values "
                                                    "('FinPrinter')")));
    for (const QStringList &args : {QStringList{"price", "set", "--default", "--mono", "0.02",
                                                "--colour", "0.10", "--two-sided-factor", "0.8"},
                                    {"price", "set", "FinPrinter", "--mono", "0.035"},
                                    {"price", "paper", "A3", "2"},
                                    {"price", "recost", "--yes"},
                                    {"budget", "set", "Finance", "100"},
                                    {"budget", "set", "Sales", "100"}})
        runVesk(f, args);
    ASSERT_TRUE(QSqlQuery(f.db).exec(QStringLiteral(
        "update tShowSetting set IsVisible = case when FieldName in ('TotalPageCount', 'Cost') "
        "then 1 else 0 end where tableName = 'tPrinterData'")));

    const struct
    {
        const char *name, *from, *to;
        QStringList depts; // none: every department
        const char *month; // the budget list's month, where the search is one
        qint64 cost;
    } cases[] = {
        {"whole range", "2026-01-01", "2026-12-31", {}, nullptr, 147},
        {"one month", "2026-12-01", "2026-12-31", {}, "2026-12", 116},
        {"subtree", "2026-11-01", "2026-11-30", {"Finance", "Payroll"}, "2026-11", 27},
    };
    const QByteArray admin = f.signIn(QStringLiteral("admin")), head = f.signIn("head");
    ASSERT_FALSE(admin.isEmpty());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList range{"--from", c.from, "--to", c.to};
        qint64 summary = 0, exported = 0, reported = 0, trendTotals = 0, trendRecords = 0;
        for (const QString &dept : c.depts.isEmpty() ? QStringList{QString()} : c.depts) {
            const QStringList search =
                range + (dept.isEmpty() ? QStringList() : QStringList{"--dept", dept});
            summary += columnSum(runVesk(f, QStringList{"summary", "--csv"} + search),
                                 QStringLiteral("Cost"), QStringLiteral("Department"));
            runVesk(f, QStringList{"export", "history", "-o", f.dir.file("out.csv")} + search);
            QFile csv(f.dir.file("out.csv"));
            exported += csv.open(QIODevice::ReadOnly)
                            ? columnSum(QString::fromUtf8(csv.readAll()), QStringLiteral("Cost"))
                            : -1;
            runVesk(f, QStringList{"report", "history", "--group-by", "dept", "-o",
                                   f.dir.file("out.pdf")} +
                           search);
            const QString pdf = runVesk(f, {f.dir.file("out.pdf"), "-"}, "pdftotext");
            reported += minor(pdf.mid(pdf.lastIndexOf(QStringLiteral("Grand total"))));
            // The same search through the console's trend figures, its last day whole.
            PrinterDataCriteria criteria;
            criteria.begin = QDate::fromString(QLatin1String(c.from), Qt::ISODate);
            criteria.end = QDate::fromString(QLatin1String(c.to), Qt::ISODate);
            criteria.throughEndDay = true;
            criteria.dept = dept;
            const SearchStatement s = PrinterDataSearch(criteria);
            TrendData byTotals, byRecords;
            ASSERT_TRUE(
                ReadTrendData(f.db, TrendSearch{s.filter, s.totals}, 10, byTotals, nullptr,
                              TrendFigures::WithCost) &&
                ReadTrendData(f.db, s.filter, 10, byRecords, nullptr, TrendFigures::WithCost));
            trendTotals += byTotals.cost;
            trendRecords += byRecords.cost;
        }
        // The overview's cost figure, or the Cost column's sum of the history's download.
        const auto viaWeb = [&](const QByteArray &cookie, const QString &dept, bool download) {
            web::Response r = f.get(QStringLiteral("/%1?period=range&from=%2&to=%3&dept=%4")
                                        .arg(download ? QStringLiteral("download/history.csv")
                                                      : QStringLiteral("overview"),
                                             QLatin1String(c.from), QLatin1String(c.to), dept),
                                    cookie);
            QFile file; // a download comes as an open file
            if (r.fd >= 0 && file.open(r.fd, QIODevice::ReadOnly, QFile::AutoCloseHandle))
                r.body = file.readAll();
            const QString body = QString::fromUtf8(r.body);
            return download ? columnSum(body, QStringLiteral("Cost"))
                            : minor(QRegularExpression(QStringLiteral(">Cost<b>([^<]*)</b>"))
                                        .match(body)
                                        .captured(1));
        };
        const QString top = c.depts.value(0);
        std::map<std::string, qint64> figures{{"vesk summary --csv", summary},
                                              {"vesk export (CSV)", exported},
                                              {"vesk report (PDF)", reported},
                                              {"console trend (kept totals)", trendTotals},
                                              {"console trend (records)", trendRecords},
                                              {"web overview, admin", viaWeb(admin, top, false)},
                                              {"web download, admin", viaWeb(admin, top, true)}};
        if (!top.isEmpty()) {
            figures["web overview, head"] = viaWeb(head, {}, false);
            figures["web download, head"] = viaWeb(head, {}, true);
        }
        if (c.month) {
            const QString budgets =
                runVesk(f, {"budget", "list", "--month", QLatin1String(c.month), "--csv"});
            qint64 spent = 0;
            for (const QString &dept :
                 top.isEmpty() ? QStringList{"Finance", "Sales"} : QStringList{top})
                spent += columnSum(budgets, QStringLiteral("Spent"), dept);
            figures["vesk budget list --csv"] = spent;
        }
        for (const auto &[surface, cost] : figures)
            EXPECT_EQ(cost, c.cost) << surface;
    }
}
