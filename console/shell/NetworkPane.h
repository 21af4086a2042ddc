// TNetworkPane: the console's network search and saved trees behind the two tree widgets.
#pragma once

#include "HostInfo.h"
#include "NetworkEnum.h"
#include "NetworkSearch.h"
#include "TreeNodes.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace vesk {

class TDeptTreeView;
class TdmMain;
class TreeWidgetMirror;

// Owned by the main window, on the window thread. Keeps ComputerTree a mirror of the search's
// plain tree, starts the host collection at the end of a search and ends it when stopped or
// destroyed. One collection runs at a time: a search that ends while one still runs replaces
// it (the old one is interrupted, the new one starts once the old has ended).
class TNetworkPane : public QObject
{
    Q_OBJECT

public:
    TNetworkPane(TdmMain &dm, QTreeWidget *computerTree, TDeptTreeView *deptTree,
                 QObject *logWindow, int platformKind, QObject *parent = nullptr);
    ~TNetworkPane() override;

    // The network provider; tests set one. Read from Config.ini [Network] when not set.
    std::unique_ptr<NetworkEnum> Network;

    TNetworkSearch *Search() const { return search_.get(); }
    // The search-again command's work: clears both trees, counts and starts the enumeration.
    // False with the reason when the configuration names no usable provider.
    bool StartSearch(QString *error);
    // The saved network into ComputerTree: nodes get the images of their levels and are
    // expanded. False with the reading error; the nodes read so far stay.
    bool LoadTreeFile(QString *error);
    // The department tree rebuilt from the database into DeptTree and `tree`. False with the
    // database's text (DeptTree then stays empty).
    bool RebuildDeptTree(TreeNodes &tree, QString *error);
    // A host collection is still running.
    bool HostInfoRunning() const;
    // Host collection threads running now (at most one).
    int RunningHostInfos() const;
    // Ends the search and the host collection and waits for their threads, serving their steps
    // meanwhile (the window closes). A later StartSearch starts afresh.
    void Stop();

    // How the collection probes a computer; tests set one.
    std::function<HostProbeResult(const QString &)> Probe;

Q_SIGNALS:
    // The search ended (error: why NetDate.dat was not written, empty when it was).
    void searchFinished(const QString &error);

private:
    void startHostInfo(const TreeNodes &tree);
    void startPendingHostInfo();

    TdmMain &dm_;
    QTreeWidget *computerTree_;
    TDeptTreeView *deptTree_;
    QObject *logWindow_;
    int platformKind_;
    std::unique_ptr<TNetworkSearch> search_;
    std::unique_ptr<TreeWidgetMirror> mirror_;
    std::unique_ptr<THostInfo> hostInfo_;
    std::optional<TreeNodes> pendingTree_; // the tree of the collection that waits its turn
};

// Fills a tree widget from plain nodes (texts, kinds with their images, expanded state).
void FillTreeWidget(QTreeWidget *widget, const TreeNodes &tree);

// Keeps a tree widget in step with a search's plain tree as the search changes it. Window
// thread only.
class TreeWidgetMirror : public QObject
{
    Q_OBJECT

public:
    TreeWidgetMirror(QTreeWidget *widget, TNetworkSearch *search, QObject *parent = nullptr);
    // Forgets the items (the widget was filled another way).
    void Reset() { items_.clear(); }

private:
    QTreeWidgetItem *mirror(TreeNode *node);

    QTreeWidget *widget_;
    std::unordered_map<const TreeNode *, QTreeWidgetItem *> items_;
};

} // namespace vesk
