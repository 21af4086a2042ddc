// THostInfo: parallel probes, rows written in tree order in one transaction, department tree.
#include "HostInfo.h"

#include "CachedTable.h"
#include "Database.h"
#include "DeptTree.h"
#include "Errors.h"
#include "MainDM.h"
#include "ThreadCheck.h"
#include "TreeFile.h"
#include "Vesk.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QSqlDatabase>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace vesk {

std::vector<FoundComputer> ComputersOf(const TreeNodes &tree)
{
    std::vector<FoundComputer> computers;
    tree.ForEach([&](const TreeNode &node) {
        if (node.Level() != 1)
            return;
        for (const auto &computer : node.Children()) {
            FoundComputer found{node.Text, computer->Text.mid(2), {}};
            for (const auto &printer : computer->Children())
                found.printers << printer->Text;
            computers.push_back(std::move(found));
        }
    });
    return computers;
}

HostProbeResult ProbeWithLibrary(const QString &name)
{
    // The library upper-cases its argument in place and returns a per-thread buffer: copy at once.
    QByteArray buffer = name.toLocal8Bit();
    HostProbeResult result;
    result.ip = QString::fromLatin1(Vesk_2(buffer.data()));
    result.mac = QString::fromLatin1(Vesk_1(buffer.data()));
    result.name = QString::fromLocal8Bit(buffer);
    return result;
}

HostProbeResult ProbeKnownAddress(const QString &name, const QString &ip)
{
    QByteArray address = ip.toLatin1();
    HostProbeResult result;
    result.ip = ip;
    result.mac = QString::fromLatin1(Vesk_1(address.data()));
    QByteArray upper = name.toLocal8Bit();
    for (char &c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    result.name = QString::fromLocal8Bit(upper);
    return result;
}

void StoreHost(CachedTable &hosts, const HostProbeResult &host, const QString &group,
               const QString &defaultDept)
{
    int row = -1;
    if (!host.mac.isEmpty() && host.mac != QLatin1String(ZeroMac) &&
        (row = hosts.Find(QStringLiteral("MAC"), host.mac)) >= 0) {
        hosts.SetValue(row, QStringLiteral("IP"), host.ip);
    } else if (!host.ip.isEmpty() && (row = hosts.Find(QStringLiteral("IP"), host.ip)) >= 0) {
        hosts.SetValue(row, QStringLiteral("MAC"), host.mac);
    } else if ((row = hosts.Find(QStringLiteral("hostName"), host.name)) >= 0) {
        hosts.SetValue(row, QStringLiteral("MAC"), host.mac);
        hosts.SetValue(row, QStringLiteral("IP"), host.ip);
    } else {
        hosts.Append({{QStringLiteral("MAC"), host.mac},
                      {QStringLiteral("IP"), host.ip},
                      {QStringLiteral("hostName"), host.name},
                      {QStringLiteral("DeptName"), defaultDept},
                      {QStringLiteral("tNetGroup"), group}});
        return;
    }
    hosts.SetValue(row, QStringLiteral("hostName"), host.name);
    hosts.SetValue(row, QStringLiteral("tNetGroup"), group);
}

void StorePrinters(CachedTable &printers, const QStringList &names, const QString &hostName)
{
    for (const QString &name : names) {
        int row = printers.Find(QStringLiteral("Name"), name);
        if (row < 0)
            row = printers.Append({{QStringLiteral("Name"), name}});
        printers.SetValue(row, QStringLiteral("HostName"), hostName);
    }
}

namespace {

void AddDeptNodes(TreeNode *parent, TreeNodes &tree, const DeptForest &forest)
{
    for (const DeptNode &node : forest) {
        TreeNode *added = tree.AddChild(parent, node.text, static_cast<int>(node.kind));
        added->Expanded = true;
        AddDeptNodes(added, tree, node.children);
    }
}

} // namespace

bool LoadDeptTreeNodes(const QSqlDatabase &db, TreeNodes &tree, QString *error)
{
    tree.Clear();
    try {
        AddDeptNodes(nullptr, tree, LoadDeptTree(db));
    } catch (const VeskError &e) {
        if (error)
            *error = e.message();
        return false;
    }
    return true;
}

THostInfo::THostInfo(HostInfoSettings settings, TreeNodes computerTree, QObject *parent)
    : QThread(parent), settings_(std::move(settings)), tree_(std::move(computerTree))
{}

THostInfo::~THostInfo()
{
    requestInterruption();
    // The thread may be waiting for a step on this (the window) thread: keep serving it.
    while (!wait(20))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    HandOffAcquire(this);
}

QString THostInfo::lang(const QString &key) const
{
    return settings_.Lang ? settings_.Lang(key) : QString();
}

void THostInfo::log(const QString &line) const
{
    SendShowTip(settings_.LogWindow, line);
}

void THostInfo::run()
{
    if (settings_.HostInfoRunning)
        *settings_.HostInfoRunning = true;
    log(lang(QStringLiteral("RSPrefixInfoBegin")));
    QString error;
    const bool ok = collect(&error);
    if (settings_.HostInfoRunning)
        *settings_.HostInfoRunning = false;
    if (!ok) {
        error_ = error;
        // The collection ends here, said in the log rather than silently.
        if (!isInterruptionRequested())
            log(TdmMain::FillMsg(lang(QStringLiteral("RSInfoError")), error));
    }
    HandOffRelease(this);
}

bool THostInfo::collect(QString *error)
{
    const std::vector<FoundComputer> computers = ComputersOf(tree_);
    const QString defaultDept = lang(QStringLiteral("RSDefaultDept"));

    // Probes in parallel; results are taken (logged, matched) in tree order as they arrive.
    std::vector<std::optional<HostProbeResult>> results(computers.size());
    std::mutex lock;
    std::condition_variable arrived;
    std::size_t next = 0;
    auto worker = [&] {
        for (;;) {
            std::size_t i;
            {
                std::lock_guard<std::mutex> guard(lock);
                if (next >= computers.size() || isInterruptionRequested())
                    return;
                i = next++;
            }
            const QString known = settings_.KnownAddresses.value(computers[i].name.toUpper());
            HostProbeResult r = known.isEmpty() ? settings_.Probe(computers[i].name)
                                                : settings_.ProbeAddress(computers[i].name, known);
            std::lock_guard<std::mutex> guard(lock);
            results[i] = std::move(r);
            arrived.notify_all();
        }
    };
    std::vector<std::thread> probes;
    const std::size_t threads = std::min<std::size_t>(MaxProbeThreads, computers.size());
    for (std::size_t t = 0; t < threads; ++t)
        probes.emplace_back(worker);
    struct Joiner
    {
        std::vector<std::thread> &threads;
        ~Joiner()
        {
            for (std::thread &t : threads)
                t.join();
        }
    } joiner{probes};

    std::vector<HostProbeResult> probed;
    for (std::size_t i = 0; i < computers.size(); ++i) {
        std::unique_lock<std::mutex> guard(lock);
        // A computer not yet taken by a probe when the owner ends the collection never arrives.
        while (!arrived.wait_for(guard, std::chrono::milliseconds(50), [&] {
            return results[i].has_value() || (isInterruptionRequested() && next <= i);
        })) {
        }
        if (!results[i]) {
            return false; // the owner is ending the collection
        }
        const HostProbeResult r = *results[i];
        guard.unlock();
        log(lang(QStringLiteral("RSName")) + QStringLiteral(":") + r.name +
            QStringLiteral("   IP:") + r.ip + QStringLiteral("    MAC:") + r.mac);
        probed.push_back(r);
    }

    // The rows, in one short transaction on this thread's own connection.
    const QString connection =
        QStringLiteral("vesk-hostinfo-%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
    bool ok = false;
    {
        const OpenResult opened = cloneDatabaseForThread(settings_.SourceConnection, connection);
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (!opened.ok) {
            *error = opened.error;
        } else if (beginWrite(db, error)) {
            // Another console's collection waits here until this one has committed, instead of
            // inserting the same new computers beside it.
            CachedTable hosts;
            CachedTable printers;
            hosts.RowChangedText = printers.RowChangedText = lang(QStringLiteral("RSRowChanged"));
            ok = lockForReadAndWrite(db, {QStringLiteral("tHost"), QStringLiteral("tPrinter")},
                                     error) &&
                 hosts.Load(db, QStringLiteral("tHost"), error) &&
                 printers.Load(db, QStringLiteral("tPrinter"), error);
            for (std::size_t i = 0; ok && i < computers.size(); ++i) {
                StoreHost(hosts, probed[i], computers[i].group, defaultDept);
                StorePrinters(printers, computers[i].printers, probed[i].name);
            }
            ok =
                ok && printers.Write(db, error) && hosts.Write(db, error) && commitWrite(db, error);
            if (!ok)
                rollbackWrite(db);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!ok)
        return false;
    if (settings_.HostInfoRunning)
        *settings_.HostInfoRunning = false;

    log(lang(QStringLiteral("RSDeptTreeBegin")));
    TreeNodes deptTree;
    if (settings_.LoadDeptTree) {
        bool loaded = false;
        auto load = [&] { loaded = settings_.LoadDeptTree(deptTree, error); };
        if (settings_.Window)
            SendWindowMessage(settings_.Window, load);
        else
            load();
        if (!loaded)
            return false;
    }
    if (!settings_.DeptTreeFileName.isEmpty() &&
        !WriteTreeFile(settings_.DeptTreeFileName, deptTree, settings_.Charset, error))
        return false;
    log(lang(QStringLiteral("RSPrefixInfoEnd")));
    return true;
}

} // namespace vesk
