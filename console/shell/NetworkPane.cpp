// TNetworkPane: tree widgets kept in step with the search, the host collection's start.
#include "NetworkPane.h"

#include "DeptTreeView.h"
#include "IniFile.h"
#include "MainDM.h"
#include "MessageFlags.h"
#include "NetworkConfig.h"
#include "TreeFile.h"
#include "TreeImages.h"

#include <QApplication>
#include <QTreeWidget>

namespace vesk {

namespace {

QTreeWidgetItem *MakeItem(const TreeNode &node)
{
    auto *item = new QTreeWidgetItem(QStringList(node.Text));
    // Nodes deeper than a printer keep no image.
    if (node.ImageIndex >= ImageNetwork && node.ImageIndex <= ImagePrinter)
        SetNodeKind(item, static_cast<NodeKind>(node.ImageIndex));
    return item;
}

void AddItems(QTreeWidgetItem *parent, QTreeWidget *widget, const TreeNode &node)
{
    QTreeWidgetItem *item = MakeItem(node);
    if (parent)
        parent->addChild(item);
    else
        widget->addTopLevelItem(item);
    for (const auto &child : node.Children())
        AddItems(item, widget, *child);
    item->setExpanded(node.Expanded);
}

} // namespace

void FillTreeWidget(QTreeWidget *widget, const TreeNodes &tree)
{
    widget->setUpdatesEnabled(false);
    widget->clear();
    for (const auto &top : tree.TopLevel())
        AddItems(nullptr, widget, *top);
    widget->setUpdatesEnabled(true);
}

TNetworkPane::TNetworkPane(TdmMain &dm, QTreeWidget *computerTree, TDeptTreeView *deptTree,
                           QObject *logWindow, int platformKind, QObject *parent)
    : QObject(parent), dm_(dm), computerTree_(computerTree), deptTree_(deptTree),
      logWindow_(logWindow), platformKind_(platformKind)
{}

TNetworkPane::~TNetworkPane()
{
    Stop();
}

void TNetworkPane::Stop()
{
    // The threads first: they may still be sending steps to this thread.
    mirror_.reset();
    search_.reset();
    pendingTree_.reset();
    hostInfo_.reset();
}

bool TNetworkPane::StartSearch(QString *error)
{
    if (search_ && search_->Searching())
        return true;
    if (!Network) {
        const IniFile config(dm_.AppDir() + QStringLiteral("/Config.ini"), dm_.FontCharset);
        NetworkConfig settings;
        if (!NetworkConfig::Read(config, dm_.AppDir(), settings, error))
            return false;
        // A map that cannot be read is reported by the search itself (its root cannot open).
        Network = OpenNetworkProvider(settings);
    }
    if (!search_) {
        search_ = std::make_unique<TNetworkSearch>(
            *Network, [this](const QString &key) { return dm_.GetLangString(key); });
        search_->LogWindow = logWindow_;
        search_->PlatformKind = platformKind_;
        search_->TreeFileName = dm_.GetTreeDateFile();
        search_->Charset = dm_.FontCharset;
        search_->StartHostInfo = [this](const TreeNodes &tree) { startHostInfo(tree); };
        mirror_ = std::make_unique<TreeWidgetMirror>(computerTree_, search_.get());
        connect(search_.get(), &TNetworkSearch::plainMessage, this,
                [this](const QString &text) { dm_.ShowPlainMsg(text); });
        connect(search_.get(), &TNetworkSearch::searchFinished, this,
                &TNetworkPane::searchFinished);
    }
    deptTree_->ClearDeptTree();
    search_->Start();
    return true;
}

TreeWidgetMirror::TreeWidgetMirror(QTreeWidget *widget, TNetworkSearch *search, QObject *parent)
    : QObject(parent), widget_(widget)
{
    connect(search, &TNetworkSearch::treeCleared, this, [this] {
        items_.clear();
        widget_->clear();
    });
    connect(search, &TNetworkSearch::nodeAdded, this, [this](TreeNode *node) { mirror(node); });
    connect(search, &TNetworkSearch::nodeExpanded, this, [this](TreeNode *node) {
        if (QTreeWidgetItem *item = mirror(node))
            item->setExpanded(true);
    });
    connect(search, &TNetworkSearch::updatesSuspended, this,
            [this](bool suspended) { widget_->setUpdatesEnabled(!suspended); });
}

QTreeWidgetItem *TreeWidgetMirror::mirror(TreeNode *node)
{
    if (const auto found = items_.find(node); found != items_.end())
        return found->second;
    QTreeWidgetItem *item = MakeItem(*node);
    if (TreeNode *parent = node->Parent())
        mirror(parent)->addChild(item);
    else
        widget_->addTopLevelItem(item);
    items_.emplace(node, item);
    return item;
}

bool TNetworkPane::LoadTreeFile(QString *error)
{
    TreeNodes saved;
    const bool ok = ReadTreeFile(dm_.GetTreeDateFile(), dm_.FontCharset, saved, error);
    // Images by level, every node expanded; what was read before an error stays too.
    saved.ForEach([](TreeNode &node) {
        const int level = node.Level();
        node.ImageIndex = level <= ImagePrinter ? level : -1;
        node.Expanded = true;
    });
    if (mirror_)
        mirror_->Reset();
    FillTreeWidget(computerTree_, saved);
    return ok;
}

bool TNetworkPane::HostInfoRunning() const
{
    return RunningHostInfos() > 0;
}

int TNetworkPane::RunningHostInfos() const
{
    return hostInfo_ && hostInfo_->isRunning() ? 1 : 0;
}

bool TNetworkPane::RebuildDeptTree(TreeNodes &tree, QString *error)
{
    // Read here first, so a database error reaches the caller rather than a message box.
    if (!LoadDeptTreeNodes(dm_.acntVesk.database(), tree, error)) {
        deptTree_->ClearDeptTree();
        return false;
    }
    deptTree_->RebuildDeptTree();
    return true;
}

void TNetworkPane::startHostInfo(const TreeNodes &tree)
{
    // Two collections at once would both read tHost and both insert the same new computer, and
    // the later one's updates would miss rows the earlier one changed: the newer search's
    // collection replaces a running one once it has ended.
    pendingTree_ = tree;
    if (hostInfo_ && !hostInfo_->isFinished()) {
        hostInfo_->requestInterruption();
        return;
    }
    startPendingHostInfo();
}

void TNetworkPane::startPendingHostInfo()
{
    if (!pendingTree_ || (hostInfo_ && !hostInfo_->isFinished()))
        return;
    hostInfo_.reset();
    HostInfoSettings s;
    s.SourceConnection = dm_.acntVesk.connectionName();
    s.Lang = [this](const QString &key) { return dm_.GetLangString(key); };
    s.LogWindow = logWindow_;
    s.Window = this;
    s.HostInfoRunning = &dm_.HostInfoRunning;
    s.LoadDeptTree = [this](TreeNodes &tree, QString *error) {
        return RebuildDeptTree(tree, error);
    };
    s.DeptTreeFileName = dm_.GetDeptTreeDateFile();
    s.Charset = dm_.FontCharset;
    s.KnownAddresses = Network->KnownAddresses();
    if (Probe)
        s.Probe = Probe;
    hostInfo_ = std::make_unique<THostInfo>(s, *pendingTree_);
    pendingTree_.reset();
    // The next one waiting starts when this one has ended.
    connect(
        hostInfo_.get(), &QThread::finished, this, [this] { startPendingHostInfo(); },
        Qt::QueuedConnection);
    hostInfo_->start();
}

} // namespace vesk
