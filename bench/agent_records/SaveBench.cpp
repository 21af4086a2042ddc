// Times SavePrinterData of N listed rows (default 10000) into SQLite against the bare prepared
// insert of the same rows in one transaction, measured in the same run: without prices (no cost,
// as before prices) and with a price list in force (each row costed as the intake costs it).
#include "Database.h"
#include "MainDM.h"
#include "PriceBook.h"
#include "PrinterDataSaver.h"
#include "RecordJournal.h"
#include "TestAppDir.h"
#include "Totals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

using namespace vesk;

namespace {

std::vector<ListedRecord> makeRows(int n)
{
    std::vector<ListedRecord> rows;
    for (int i = 0; i < n; ++i) {
        ListedRecord r;
        r.Id = NewRecordId();
        r.Cells = {QStringLiteral("Laser"),
                   QStringLiteral("Document %1").arg(i),
                   QStringLiteral("\\\\PC%1").arg(i % 50),
                   QString::number(i % 20 + 1),
                   QString::number(1000 + i),
                   QStringLiteral("A4 Sheet, 210- by 297-millimeters"),
                   QStringLiteral("2026-03-01 10:00:00"),
                   QStringLiteral("user%1").arg(i % 30),
                   QStringLiteral("10.0.0.%1").arg(i % 250),
                   QStringLiteral("00-11-22-33-44-55"),
                   QStringLiteral("Employee"),
                   QStringLiteral("Sales"),
                   QString::number(i % 3), // how the job ended, pages printed, colour, duplex
                   QString::number(i % 20 + 1),
                   QString::number(i % 2),
                   QString::number(i % 2),
                   QString()}; // cost: none without prices
        rows.push_back(std::move(r));
    }
    return rows;
}

// The baseline stores the same cells in the same columns, numbers as numbers, with nothing else.
void bindRow(QSqlQuery &q, const ListedRecord &r)
{
    static constexpr bool number[] = {false, false, false, true, true, false, false, false, false,
                                      false, false, false, true, true, true,  true,  true};
    static_assert(std::size(number) == PrinterDataColumnCount);
    for (int c = 0; c < PrinterDataColumnCount; ++c) {
        const QString &cell = r.Cells[static_cast<size_t>(c)];
        q.bindValue(c, !number[c]       ? QVariant(cell)
                       : cell.isEmpty() ? QVariant(QMetaType(QMetaType::LongLong))
                                        : QVariant(cell.toLongLong()));
    }
}

const QString Insert = QStringLiteral(
    "insert into tPrinterData (PrinterName, documentName, hostName, TotalPageCount, "
    "PrintedDocumentSize, PageSize, PrintTime, OperatorName, IP, MAC, EmName, DeptName, "
    "JobOutcome, PagesPrinted, ColorPrint, Duplex, Cost) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

// Wall clock and this thread's CPU time of one step: on a shared machine the CPU time is the
// steadier figure of the two.
struct Timing
{
    double wall = 0, cpu = 0;
};

double threadCpu()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

Timing timed(const std::function<void()> &body)
{
    QElapsedTimer t;
    const double cpu = threadCpu();
    t.start();
    body();
    return {double(t.nsecsElapsed()) / 1e9, threadCpu() - cpu};
}

void report(const char *what, int n, const Timing &t)
{
    std::printf("%-52s %8.3f s (CPU %.3f s) %10.0f rows/s\n", what, t.wall, t.cpu, n / t.wall);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(u' ', 0, 2)
                                       : QStringLiteral("unknown");
}

} // namespace

// Usage: bench_record_save [ROWS [ROUNDS]]. Each round times, on emptied tables, the bare
// prepared insert in one transaction and SavePrinterData of the same rows (its marker rows,
// their removal, the totals and the journal rewrite included, as the agent saves), then the
// ratio: once without prices, once with a price list in force, the rows costed first as the
// intake costs each job (timed on its own).
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    test::TestAppDir dir;
    dir.prepareEnglish();
    TdmMain dm(TdmMain::Program::Agent, dir.path());
    dm.acntVesk.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    QString error;
    if (!dm.acntVesk.Open(dm.AppDir(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QSqlDatabase db = dm.acntVesk.database();
    const std::vector<ListedRecord> rows = makeRows(n);
    const auto empty = [&] {
        QSqlQuery q(db);
        q.exec(QStringLiteral("delete from tPrinterData"));
        q.exec(QStringLiteral("delete from tSavedRecord"));
        for (const QString &t : TotalsTables())
            q.exec(QStringLiteral("delete from ") + t);
        q.exec(QStringLiteral("pragma wal_checkpoint(truncate)"));
    };
    const auto count = [&] {
        QSqlQuery q(db);
        return q.exec(QStringLiteral("select count(*) from tPrinterData")) && q.next()
                   ? q.value(0).toInt()
                   : -1;
    };

    // The bare insert without the totals' triggers: the baseline is the records alone.
    const auto triggers = [&](bool on) {
        QSqlQuery q(db);
        for (const char *t : {"trTotalsInsert", "trTotalsDelete", "trTotalsUpdate"})
            q.exec(QStringLiteral("drop trigger if exists ") + QLatin1String(t));
        if (on) {
            for (const QString &s : totalsTriggerStatements(DbEngine::SQLite))
                q.exec(s);
        }
    };
    const auto bareInsert = [&](const std::vector<ListedRecord> &rs) {
        empty();
        triggers(false);
        const Timing t = timed([&] {
            beginWrite(db);
            QSqlQuery q(db);
            q.prepare(Insert);
            for (const ListedRecord &r : rs) {
                bindRow(q, r);
                q.exec();
            }
            commitWrite(db);
        });
        triggers(true);
        return t;
    };
    const auto save = [&](const std::vector<ListedRecord> &rs) -> std::optional<Timing> {
        empty();
        RecordJournal journal(dir.path());
        for (const ListedRecord &r : rs)
            journal.Append(r); // the intake's cost, not timed
        RecordList list;
        list.Rows = journal.Pending();
        PrinterDataSaver saver(dm, &journal);
        const Timing t = timed([&] { saver.SavePrinterData(list); });
        if (count() != n) {
            std::fprintf(stderr, "the save stored %d of %d rows\n", count(), n);
            return std::nullopt;
        }
        return t;
    };
    // A price list in force: a default, a printer's own colour price, a paper factor.
    const auto setPrices = [&](bool on) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("delete from tPrice"));
        q.exec(QStringLiteral("delete from tPaperFactor"));
        // A printer's own prices are for a printer of the printer list.
        q.exec(QStringLiteral("delete from tPrinter where Name = 'Laser'"));
        q.exec(QStringLiteral("insert into tPrinter (Name) values ('Laser')"));
        return !on || (SetPrinterPrices(db, DefaultPricesName, {5'000'000, 25'000'000, 8'000}) &&
                       SetPrinterPrices(db, QStringLiteral("Laser"), {{}, 30'000'000, {}}) &&
                       SetPaperFactor(db, QStringLiteral("A3"), 20'000));
    };
    // What the intake does for each job taken in: the price list read, the job costed.
    const auto cost = [&](std::vector<ListedRecord> &rs) {
        for (ListedRecord &r : rs) {
            auto &c = r.Cells;
            const std::optional<PriceList> prices = ReadPriceList(db);
            const std::optional<qint64> minor =
                prices ? JobCost(*prices,
                                 CostedJobOf(c[colPrinterName], c[colPageSize],
                                             c[colTotalPageCount], c[colJobOutcome],
                                             c[colPagesPrinted], c[colColorPrint], c[colDuplex]))
                       : std::nullopt;
            c[colCost] = minor ? QString::number(*minor) : QString();
        }
    };

    std::vector<double> wall[3], cpu[3]; // without cost, with cost, costing at intake
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d\n", round);
        setPrices(false);
        const Timing bare = bareInsert(rows);
        report("prepared insert, no cost (bare)", n, bare);
        const std::optional<Timing> plain = save(rows);
        if (!plain)
            return 1;
        report("SavePrinterData, no prices (cost NULL)", n, *plain);

        if (!setPrices(true)) {
            std::fprintf(stderr, "the prices could not be stored\n");
            return 1;
        }
        std::vector<ListedRecord> costed = rows;
        const Timing costing = timed([&] { cost(costed); });
        if (costed.front().Cells[colCost].isEmpty()) {
            std::fprintf(stderr, "no cost applied\n");
            return 1;
        }
        const Timing bareCosted = bareInsert(costed);
        report("prepared insert, with cost (bare)", n, bareCosted);
        const std::optional<Timing> priced = save(costed);
        if (!priced)
            return 1;
        report("SavePrinterData, price list in force (cost stored)", n, *priced);
        report("  costing at intake (price list read, job costed)", n, costing);

        const Timing pairs[3][2] = {{*plain, bare}, {*priced, bareCosted}, {costing, bareCosted}};
        const char *const names[3] = {"  ratio save / bare, no prices",
                                      "  ratio save / bare, price list in force",
                                      "  ratio costing at intake / bare"};
        for (int k = 0; k < 3; ++k) {
            wall[k].push_back(pairs[k][0].wall / pairs[k][1].wall);
            cpu[k].push_back(pairs[k][0].cpu / pairs[k][1].cpu);
            std::printf("%-52s %8.2fx (CPU %.2fx)\n", names[k], wall[k].back(), cpu[k].back());
        }
    }
    const char *const medians[3] = {"save / bare, no prices (goal <= 2x)",
                                    "save / bare, price list in force (goal <= 2x)",
                                    "costing at intake / bare"};
    std::printf("median ratios over %d rounds (load average %s):\n", rounds,
                qPrintable(loadAverage()));
    for (int k = 0; k < 3; ++k)
        std::printf("  %-50s %.2fx (CPU %.2fx)\n", medians[k], median(wall[k]), median(cpu[k]));
    return 0;
}
