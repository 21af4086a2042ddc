// Times SavePrinterData of N listed rows (default 10000) into SQLite against the bare prepared
// insert of the same rows in one transaction, measured in the same run.
#include "Database.h"
#include "MainDM.h"
#include "PrinterDataSaver.h"
#include "RecordJournal.h"
#include "TestAppDir.h"
#include "Totals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
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
                   QString::number((i % 20 + 1) * 3)}; // cost
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
        q.bindValue(c, number[c] ? QVariant(cell.toLongLong()) : QVariant(cell));
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
    std::printf("%-44s %8.3f s (CPU %.3f s) %10.0f rows/s\n", what, t.wall, t.cpu, n / t.wall);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

// Usage: bench_record_save [ROWS [ROUNDS]]. Each round times, on emptied tables, the bare
// prepared insert in one transaction and SavePrinterData of the same rows (its marker rows,
// their removal and the journal rewrite included, as the agent saves), then the ratio.
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

    std::vector<double> ratios, cpuRatios;
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d\n", round);
        empty();
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
        triggers(false);
        const Timing bare = timed([&] {
            beginWrite(db);
            QSqlQuery q(db);
            q.prepare(Insert);
            for (const ListedRecord &r : rows) {
                bindRow(q, r);
                q.exec();
            }
            commitWrite(db);
        });
        report("prepared insert, one transaction (bare)", n, bare);
        triggers(true);

        empty();
        RecordJournal journal(dir.path());
        for (const ListedRecord &r : rows)
            journal.Append(r); // the intake's cost, not timed
        RecordList list;
        list.Rows = journal.Pending();
        PrinterDataSaver saver(dm, &journal);
        const Timing save = timed([&] { saver.SavePrinterData(list); });
        if (count() != n) {
            std::fprintf(stderr, "the save stored %d of %d rows\n", count(), n);
            return 1;
        }
        report("SavePrinterData (totals and journal rewrite included)", n, save);
        ratios.push_back(save.wall / bare.wall);
        cpuRatios.push_back(save.cpu / bare.cpu);
        std::printf("%-44s %8.2fx (CPU %.2fx; goal <= 2x)\n", "  ratio save / bare", ratios.back(),
                    cpuRatios.back());
    }
    std::printf("median ratio save / bare over %d rounds: %.2fx (CPU %.2fx)\n", rounds,
                median(ratios), median(cpuRatios));
    return 0;
}
