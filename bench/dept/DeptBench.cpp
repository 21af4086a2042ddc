// Times the department tree's build (plain and into the view) and a rename with its carry-over
// on a large organisation. See bench/README.md.
//
//   vesk-bench-dept [--records N] [--app DIR] [--worst]
//
// The folder (default $TMPDIR/vesk-bench-dept) is generated once and kept. --worst first gives
// every print record the renamed department, so the rename rewrites all of them.
#include "BenchApp.h"
#include "Database.h"
#include "DeptOperations.h"
#include "DeptTree.h"
#include "DeptTreeView.h"
#include "MainDM.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <vector>

using namespace vesk;

namespace {

QTextStream out(stdout);

constexpr int Departments = 200;
constexpr int Hosts = 5000;
constexpr int PrintersPerHost = 3;
constexpr int Depth = 4;

bool exec(QSqlQuery &q)
{
    if (q.exec())
        return true;
    out << "failed: " << q.lastError().text() << Qt::endl;
    return false;
}

// The demo's departments and computers become an organisation of 200 departments nested four
// deep, with every computer in one of them and three printers on each computer.
bool addOrganisation(QSqlDatabase &db)
{
    if (!beginWrite(db))
        return false;
    QSqlQuery q(db);
    struct Dept
    {
        QString name;
        int depth;
    };
    std::vector<Dept> depts;
    q.exec(QStringLiteral("select Name, SuperName from tDept"));
    while (q.next())
        depts.push_back({q.value(0).toString(), q.value(1).toString() == u"-1" ? 1 : 2});
    q.prepare(QStringLiteral("insert into tDept (Name, SuperName) values (?, ?)"));
    for (int i = 0; static_cast<int>(depts.size()) < Departments; ++i) {
        std::vector<const Dept *> parents;
        for (const Dept &d : depts) {
            if (d.depth < Depth)
                parents.push_back(&d);
        }
        const Dept parent = *parents[static_cast<size_t>(i * 7) % parents.size()];
        const QString name = QStringLiteral("Unit %1").arg(i + 1, 3, 10, QLatin1Char('0'));
        q.addBindValue(name);
        q.addBindValue(parent.name);
        if (!exec(q))
            return false;
        depts.push_back({name, parent.depth + 1});
    }
    std::vector<QString> hosts;
    q.exec(QStringLiteral("select HostName from tHost"));
    while (q.next())
        hosts.push_back(q.value(0).toString());
    QSqlQuery move(db), printer(db);
    move.prepare(QStringLiteral("update tHost set DeptName=? where HostName=?"));
    printer.prepare(QStringLiteral(
        "insert into tPrinter (Name, HostName, DeptName, IsMonitor) values (?, ?, ?, 0)"));
    for (size_t i = 0; i < hosts.size(); ++i) {
        const QString &dept = depts[i % depts.size()].name;
        move.addBindValue(dept);
        move.addBindValue(hosts[i]);
        if (!exec(move))
            return false;
        for (int p = 1; p <= PrintersPerHost; ++p) {
            printer.addBindValue(QString(hosts[i] + QStringLiteral("-P%1").arg(p)));
            printer.addBindValue(hosts[i]);
            printer.addBindValue(dept);
            if (!exec(printer))
                return false;
        }
    }
    q.finish();
    return commitWrite(db);
}

bool prepare(const QString &appDir, qint64 records)
{
    if (QFile::exists(appDir + QStringLiteral("vesk.db")))
        return true;
    if (!prepareBenchApp(appDir, QStringLiteral(VESK_LANG_DIR), QStringLiteral(VESK_INITDB),
                         QStringLiteral(VESK_GEN_DEMO), records, Hosts))
        return false;
    bool ok = false;
    {
        const OpenResult r =
            openDatabase(QStringLiteral("organisation"),
                         QStringLiteral("Provider=SQLite;Data Source=vesk.db"), appDir);
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("organisation"), false);
        ok = r.ok && addOrganisation(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("organisation"));
    return ok;
}

// The median of `runs` timings of `step`, in seconds.
double median(int runs, const std::function<void()> &step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        step();
        times.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int scalar(QSqlDatabase db, const QString &statement)
{
    QSqlQuery q(db);
    return q.exec(statement) && q.next() ? q.value(0).toInt() : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser cl;
    cl.addOptions({{QStringLiteral("records"), QStringLiteral("print records"), QStringLiteral("N"),
                    QStringLiteral("1000000")},
                   {QStringLiteral("app"), QStringLiteral("application folder"),
                    QStringLiteral("DIR"), QDir::tempPath() + QStringLiteral("/vesk-bench-dept")},
                   {QStringLiteral("worst"), QStringLiteral("every record in the renamed one")}});
    cl.process(app);
    const QString appDir = QDir(cl.value(QStringLiteral("app"))).absolutePath() + u'/';
    if (!prepare(appDir, cl.value(QStringLiteral("records")).toLongLong())) {
        out << "could not prepare " << appDir << Qt::endl;
        return 1;
    }

    TdmMain dm(TdmMain::Program::Console, appDir);
    QString error;
    if (!openBenchApp(dm, appDir, &error)) {
        out << error << Qt::endl;
        return 1;
    }
    QSqlDatabase db = dm.acntVesk.database();
    const QString dept = QStringLiteral("Sales");
    if (cl.isSet(QStringLiteral("worst")) &&
        scalar(db, QStringLiteral("select count(*) from tPrinterData where DeptName<>'Sales'")) >
            0) {
        out << "giving every print record the department Sales" << Qt::endl;
        QSqlQuery(db).exec(QStringLiteral("update tPrinterData set DeptName='Sales'"));
    }
    out << scalar(db, QStringLiteral("select count(*) from tDept")) << " departments, "
        << scalar(db, QStringLiteral("select count(*) from tHost")) << " computers, "
        << scalar(db, QStringLiteral("select count(*) from tPrinter")) << " printers, "
        << scalar(db, QStringLiteral("select count(*) from tPrinterData")) << " print records ("
        << scalar(db, QStringLiteral("select count(*) from tPrinterData where DeptName='Sales'"))
        << " of Sales)" << Qt::endl;

    size_t nodes = 0;
    const double plain = median(5, [&] {
        const QStringList lines = DeptTreeLines(LoadDeptTree(db));
        nodes = static_cast<size_t>(lines.size());
    });
    out << "LoadDeptTree, " << nodes << " nodes (median of 5): " << plain << " s" << Qt::endl;

    TDeptTreeView view(dm);
    view.resize(626, 422);
    view.show();
    const double widget = median(3, [&] {
        view.RebuildDeptTree();
        QCoreApplication::processEvents();
    });
    out << "department view rebuilt and painted (median of 3): " << widget << " s" << Qt::endl;

    DeptOperations ops(dm);
    const QString renamed = QStringLiteral("Sales & Marketing's");
    const double there = median(1, [&] { ops.RenameDept(dept, renamed); });
    const double back = median(1, [&] { ops.RenameDept(renamed, dept); });
    out << "rename with carry-over and back: " << there << " s, " << back << " s" << Qt::endl;
    return 0;
}
