// Times SavePrinterData of N listed rows (default 10000) into SQLite, side by side with a plain
// prepared insert in one transaction and with one autocommitted insert per row.
#include "Database.h"
#include "MainDM.h"
#include "PrinterDataSaver.h"
#include "RecordJournal.h"
#include "TestAppDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>
#include <functional>

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
                   QStringLiteral("Sales")};
        rows.push_back(std::move(r));
    }
    return rows;
}

void bindRow(QSqlQuery &q, const ListedRecord &r)
{
    for (int c = 0; c < PrinterDataColumnCount; ++c)
        q.bindValue(c, r.Cells[static_cast<size_t>(c)]);
}

const QString Insert = QStringLiteral(
    "insert into tPrinterData (PrinterName, documentName, hostName, TotalPageCount, "
    "PrintedDocumentSize, PageSize, PrintTime, OperatorName, IP, MAC, EmName, DeptName) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

void report(const char *what, int n, qint64 ns)
{
    const double s = static_cast<double>(ns) / 1e9;
    std::printf("%-44s %8.3f s %12.0f rows/s\n", what, s, n / s);
}

qint64 timed(const std::function<void()> &body)
{
    QElapsedTimer t;
    t.start();
    body();
    return t.nsecsElapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
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

    {
        RecordList list;
        list.Rows = rows;
        PrinterDataSaver saver(dm, nullptr);
        report("SavePrinterData (no journal)", n, timed([&] { saver.SavePrinterData(list); }));
    }
    {
        RecordJournal journal(dir.path());
        for (const ListedRecord &r : makeRows(n))
            journal.Append(r); // the intake's cost, not timed
        RecordList list;
        list.Rows = journal.Pending();
        PrinterDataSaver saver(dm, &journal);
        report("SavePrinterData (journal rewrite included)", n,
               timed([&] { saver.SavePrinterData(list); }));
    }
    report("prepared insert, one transaction", n, timed([&] {
               beginWrite(db);
               QSqlQuery q(db);
               q.prepare(Insert);
               for (const ListedRecord &r : rows) {
                   bindRow(q, r);
                   q.exec();
               }
               commitWrite(db);
           }));
    report("one autocommitted insert per row", n, timed([&] {
               QSqlQuery q(db);
               q.prepare(Insert);
               for (const ListedRecord &r : rows) {
                   bindRow(q, r);
                   q.exec();
               }
           }));
    return 0;
}
