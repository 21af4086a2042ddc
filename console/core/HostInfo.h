// THostInfo: the host collection after a network search: tHost and tPrinter rows, department tree.
#pragma once

#include "Catalogue.h"
#include "TreeNodes.h"

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <vector>

namespace vesk {

class CachedTable;

// Probes run at the same time, each costing the probe library's time-outs when its computer
// is silent.
inline constexpr int MaxProbeThreads = 64;
inline constexpr const char *ZeroMac = "00-00-00-00-00-00";

// One computer of the tree with its group and printer nodes.
struct FoundComputer
{
    QString group;
    QString name; // the node's text without its first two characters
    QStringList printers;
};

// The computers below the level-1 nodes, in tree order.
std::vector<FoundComputer> ComputersOf(const TreeNodes &tree);

struct HostProbeResult
{
    QString name; // upper case, as the probe library leaves it
    QString ip;
    QString mac;
};
// Vesk_2 then Vesk_1 of the name; safe on several threads at once.
HostProbeResult ProbeWithLibrary(const QString &name);
// A computer whose IPv4 address the network provider already knows: the name upper-cased as the
// library would, that address, and Vesk_1 of the address (node status, else the neighbour table).
HostProbeResult ProbeKnownAddress(const QString &name, const QString &ip);

// The matching rules for one probed computer on the cached host rows: by MAC (never the zero
// MAC), else by IP, else by name, else a new row in `defaultDept`.
void StoreHost(CachedTable &hosts, const HostProbeResult &host, const QString &group,
               const QString &defaultDept);
// Each printer of the computer: its row by Name, else a new one; HostName set.
void StorePrinters(CachedTable &printers, const QStringList &names, const QString &hostName);

// The department tree of the database (LoadDeptTree) as plain nodes. False with the database's
// text.
bool LoadDeptTreeNodes(const QSqlDatabase &db, TreeNodes &tree, QString *error);

struct HostInfoSettings
{
    QString SourceConnection; // the window thread's connection, cloned for the thread
    LangLookup Lang;
    QObject *LogWindow = nullptr; // a ShowTipReceiver
    QObject *Window = nullptr;    // the window thread, where LoadDeptTree runs
    std::atomic<bool> *HostInfoRunning = nullptr;
    // Rebuilds the department tree from the database (on the window thread) into the tree given;
    // false with the database's text.
    std::function<bool(TreeNodes &, QString *)> LoadDeptTree;
    QString DeptTreeFileName;
    int Charset = 0;
    std::function<HostProbeResult(const QString &)> Probe = ProbeWithLibrary;
    // Addresses the network provider learned (NetworkEnum::KnownAddresses), by upper-case name;
    // a computer found there is probed by its address instead of its name.
    QHash<QString, QString> KnownAddresses;
    std::function<HostProbeResult(const QString &, const QString &)> ProbeAddress =
        ProbeKnownAddress;
};

// Runs once over a copy of the computer tree taken on the window thread, with a connection of
// its own. Its owner ends it: requestInterruption, then wait while serving the window thread.
class THostInfo : public QThread
{
    Q_OBJECT

public:
    THostInfo(HostInfoSettings settings, TreeNodes computerTree, QObject *parent = nullptr);
    ~THostInfo() override;

    // Empty after a collection that ran to its end; else the error that ended it.
    QString Error() const { return error_; }

protected:
    void run() override;

private:
    bool collect(QString *error);
    void log(const QString &line) const;
    QString lang(const QString &key) const;

    HostInfoSettings settings_;
    TreeNodes tree_;
    QString error_;
};

} // namespace vesk
