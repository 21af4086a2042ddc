// The department view: the tree's handlers over DeptOperations, HostOperations and LoadDeptTree.
#include "DeptTreeView.h"

#include "ComputerAjustForm.h"
#include "DeptMForm.h"
#include "DeptOperations.h"
#include "Errors.h"
#include "HostMForm.h"
#include "HostOperations.h"
#include "MainDM.h"
#include "MessageFlags.h"
#include "TreeImages.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

namespace vesk {

TDeptTreeView::TDeptTreeView(TdmMain &dm, QWidget *parent)
    : QTreeWidget(parent), ShowModal([](QDialog &d) { return d.exec(); }),
      Clock(&QDateTime::currentDateTime), dm_(dm)
{
    setObjectName(QStringLiteral("DeptTree"));
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);

    pmDeptTree = new QMenu(this);
    pmDeptTree->setObjectName(QStringLiteral("pmDeptTree"));
    MenuSameLevelDept = pmDeptTree->addAction(QString());
    MenuAddChildDept = pmDeptTree->addAction(QString());
    MenuDelDept = pmDeptTree->addAction(QString());
    MenuComputerAdjust = pmDeptTree->addAction(QString());
    pmDeptTree->addSeparator();
    MenuProperty = pmDeptTree->addMenu(QString());
    MenuForm = MenuProperty->addAction(QString());
    MenuLogDept = MenuProperty->addAction(QString());

    pmDeptTreeComputer = new QMenu(this);
    pmDeptTreeComputer->setObjectName(QStringLiteral("pmDeptTreeComputer"));
    MenuAddprinter = pmDeptTreeComputer->addAction(QString());
    MenuAddprinter->setVisible(false);
    MenudeleteComputer = pmDeptTreeComputer->addAction(QString());
    pmDeptTreeComputer->addSeparator();
    MenuIPropertyC = pmDeptTreeComputer->addMenu(QString());
    MenuIComputeFom = MenuIPropertyC->addAction(QString());
    MenuLogCompute = MenuIPropertyC->addAction(QString());

    connect(MenuSameLevelDept, &QAction::triggered, this, [this] { MenuSameLevelDeptClick(); });
    connect(MenuAddChildDept, &QAction::triggered, this, [this] { MenuAddChildDeptClick(); });
    connect(MenuDelDept, &QAction::triggered, this, [this] { MenuDelDeptClick(); });
    connect(MenuComputerAdjust, &QAction::triggered, this, [this] { MenuComputerAdjustClick(); });
    connect(MenuForm, &QAction::triggered, this, [this] { MenuFormClick(); });
    connect(MenuLogDept, &QAction::triggered, this, [this] { MenuLogDeptClick(); });
    connect(MenudeleteComputer, &QAction::triggered, this, [this] { MenudeleteComputerClick(); });
    connect(MenuIComputeFom, &QAction::triggered, this, [this] { MenuIComputeFomClick(); });
    connect(MenuLogCompute, &QAction::triggered, this, [this] { MenuLogComputeClick(); });
}

TDeptTreeView::~TDeptTreeView() = default;

void TDeptTreeView::applyCatalogue()
{
    const auto t = [this](const char *key) { return dm_.GetLangString(QLatin1String(key)); };
    MenuSameLevelDept->setText(t("RSAddSameLevelDept"));
    MenuAddChildDept->setText(t("RSAddChildDept"));
    MenuDelDept->setText(t("RSDelDeptM"));
    MenuComputerAdjust->setText(t("RSComputerAjust"));
    MenuProperty->setTitle(t("RSProperty"));
    MenuForm->setText(t("RSForm"));
    MenuLogDept->setText(t("RSLog"));
    MenuAddprinter->setText(t("RSAddPrinter"));
    MenudeleteComputer->setText(t("RSDelComputer"));
    MenuIPropertyC->setTitle(t("RSProperty"));
    MenuIComputeFom->setText(t("RSForm"));
    MenuLogCompute->setText(t("RSLog"));
}

// --- Building

namespace {

// A node with its subtree, not yet in a tree: building detached items and adding them at once
// keeps the view from laying itself out for every node.
QTreeWidgetItem *newNode(const QString &text, NodeKind kind)
{
    auto *item = new QTreeWidgetItem(QStringList{text});
    SetNodeKind(item, kind);
    if (kind == NodeKind::Department)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

QTreeWidgetItem *newSubtree(const DeptNode &n)
{
    QTreeWidgetItem *item = newNode(n.text, n.kind);
    QList<QTreeWidgetItem *> children;
    children.reserve(static_cast<qsizetype>(n.children.size()));
    for (const DeptNode &child : n.children)
        children << newSubtree(child);
    item->addChildren(children);
    return item;
}

} // namespace

QTreeWidgetItem *TDeptTreeView::addNode(QTreeWidgetItem *parent, const QString &text, NodeKind kind)
{
    QTreeWidgetItem *item = newNode(text, kind);
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    return item;
}

void TDeptTreeView::addNodes(QTreeWidgetItem *parent, const DeptForest &nodes)
{
    QList<QTreeWidgetItem *> items;
    items.reserve(static_cast<qsizetype>(nodes.size()));
    for (const DeptNode &n : nodes)
        items << newSubtree(n);
    if (parent)
        parent->addChildren(items);
    else
        addTopLevelItems(items);
    // Every added department and computer is shown expanded.
    for (QTreeWidgetItem *item : items)
        expandRecursively(indexFromItem(item));
}

void TDeptTreeView::LoadDeptTree(QTreeWidgetItem *parent)
{
    try {
        const std::optional<QString> parentText =
            parent ? std::optional<QString>(parent->text(0)) : std::nullopt;
        addNodes(parent, vesk::LoadDeptTree(dm_.acntVesk.database(), parentText));
    } catch (const VeskError &e) {
        dm_.ShowMsg(e.message(), MB_ICONSTOP);
    }
}

void TDeptTreeView::RebuildDeptTree()
{
    whenIdle([this] {
        setUpdatesEnabled(false);
        clear();
        LoadDeptTree();
        setUpdatesEnabled(true);
    });
}

void TDeptTreeView::ClearDeptTree()
{
    whenIdle([this] { clear(); });
}

void TDeptTreeView::whenIdle(std::function<void()> change)
{
    if (commands_ > 0)
        pendingChange_ = std::move(change);
    else
        change();
}

TDeptTreeView::CommandScope::CommandScope(TDeptTreeView &view) : view_(view)
{
    ++view_.commands_;
}

TDeptTreeView::CommandScope::~CommandScope()
{
    if (--view_.commands_ > 0 || !view_.pendingChange_)
        return;
    const std::function<void()> change = std::move(view_.pendingChange_);
    view_.pendingChange_ = nullptr;
    change();
}

NodeKind TDeptTreeView::kindOf(const QTreeWidgetItem *item)
{
    return NodeKindOf(item);
}

namespace {

DeptNode nodeOf(const QTreeWidgetItem *item)
{
    DeptNode n{item->text(0), NodeKindOf(item), {}};
    n.children.reserve(static_cast<size_t>(item->childCount()));
    for (int i = 0; i < item->childCount(); ++i)
        n.children.push_back(nodeOf(item->child(i)));
    return n;
}

} // namespace

DeptForest TDeptTreeView::forest() const
{
    DeptForest f;
    for (int i = 0; i < topLevelItemCount(); ++i)
        f.push_back(nodeOf(topLevelItem(i)));
    return f;
}

NodePath TDeptTreeView::pathOf(const QTreeWidgetItem *item) const
{
    NodePath path;
    // The index look-ups take non-const items; nothing is changed through them.
    for (auto *node = const_cast<QTreeWidgetItem *>(item); node; node = node->parent())
        path.insert(path.begin(), node->parent() ? node->parent()->indexOfChild(node)
                                                 : indexOfTopLevelItem(node));
    return path;
}

QTreeWidgetItem *TDeptTreeView::itemAtPath(const NodePath &path) const
{
    QTreeWidgetItem *item = nullptr;
    for (int i : path) {
        item = item ? item->child(i) : topLevelItem(i);
        if (!item)
            return nullptr;
    }
    return item;
}

bool TDeptTreeView::HasChildText(QTreeWidgetItem *node, const QString &text) const
{
    return node && vesk::HasChildText(nodeOf(node), text);
}

QTreeWidgetItem *TDeptTreeView::selectedNode() const
{
    QTreeWidgetItem *item = currentItem();
    return item && item->isSelected() ? item : nullptr;
}

void TDeptTreeView::log(const QString &text) const
{
    if (Log)
        Log(text);
}

// --- Adding and deleting departments

void TDeptTreeView::addDept(QTreeWidgetItem *parent)
{
    DeptOperations ops(dm_);
    QString name;
    try {
        name = ops.GetNewDeptName();
    } catch (const VeskError &e) {
        dm_.ShowMsg(e.message(), MB_ICONINFORMATION);
        return;
    }
    const std::optional<QString> parentName =
        parent ? std::optional<QString>(parent->text(0)) : std::nullopt;
    // The node appears only once its row exists, so the tree never shows a department that the
    // database does not have.
    if (!ops.AddDept(name, parentName))
        return;
    QTreeWidgetItem *node = addNode(parent, name, NodeKind::Department);
    setCurrentItem(node);
    scrollToItem(node);
}

void TDeptTreeView::MenuSameLevelDeptClick()
{
    const CommandScope scope(*this);
    if (QTreeWidgetItem *selected = selectedNode())
        addDept(selected->parent());
}

void TDeptTreeView::MenuAddChildDeptClick()
{
    const CommandScope scope(*this);
    QTreeWidgetItem *selected = selectedNode();
    if (selected && kindOf(selected) == NodeKind::Department) {
        addDept(selected);
        selected->setExpanded(true);
    }
}

void TDeptTreeView::MenuDelDeptClick()
{
    const CommandScope scope(*this);
    QTreeWidgetItem *node = selectedNode();
    if (!node)
        return;
    if (!DeptOperations(dm_).DeleteDept(forest(), pathOf(node)))
        return;
    // The children the database held moved, shown or not: the tree shows them where they went.
    RebuildDeptTree();
}

// --- Moving

bool TDeptTreeView::DeptTreeDragOver(QTreeWidgetItem *target) const
{
    QTreeWidgetItem *dragged = selectedNode();
    if (!target || !dragged)
        return false;
    const DeptNode targetNode{target->text(0), kindOf(target), {}};
    return CanDropOn(nodeOf(dragged), targetNode);
}

void TDeptTreeView::moveNode(QTreeWidgetItem *node, QTreeWidgetItem *target)
{
    const bool expanded = node->isExpanded();
    QTreeWidgetItem *parent = node->parent();
    if (parent)
        parent->removeChild(node);
    else
        takeTopLevelItem(indexOfTopLevelItem(node));
    target->addChild(node);
    node->setExpanded(expanded);
    setCurrentItem(node);
}

void TDeptTreeView::DeptTreeDragDrop(QTreeWidgetItem *target)
{
    const CommandScope scope(*this);
    QTreeWidgetItem *dragged = selectedNode();
    if (!DeptTreeDragOver(target))
        return;
    const bool written = kindOf(dragged) == NodeKind::Department
                             ? DeptOperations(dm_).MoveDept(dragged->text(0), target->text(0))
                             : HostOperations(dm_).MoveHost(dragged->text(0), target->text(0));
    if (written)
        moveNode(dragged, target);
}

void TDeptTreeView::startDrag(Qt::DropActions)
{
    QTreeWidgetItem *dragged = selectedNode();
    if (!dragged)
        return;
    // The drop moves the node itself once its row is written; the drag only carries it.
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeData({dragged}));
    drag->setPixmap(dragged->icon(0).pixmap(16, 16));
    drag->exec(Qt::MoveAction);
}

void TDeptTreeView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() == this)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDeptTreeView::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->source() == this && DeptTreeDragOver(itemAt(event->position().toPoint())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDeptTreeView::dropEvent(QDropEvent *event)
{
    if (event->source() != this) {
        event->ignore();
        return;
    }
    DeptTreeDragDrop(itemAt(event->position().toPoint()));
    event->acceptProposedAction();
}

// --- In-place rename

bool TDeptTreeView::DeptTreeEditing(const QTreeWidgetItem *item) const
{
    return item && kindOf(item) == NodeKind::Department &&
           DeptOperations(dm_).CanEditDept(item->text(0));
}

bool TDeptTreeView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    QTreeWidgetItem *item = itemFromIndex(index);
    if (!DeptTreeEditing(item))
        return false;
    const bool started = QTreeWidget::edit(index, trigger, event);
    if (started)
        editing_ = index;
    return started;
}

void TDeptTreeView::commitData(QWidget *editor)
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    QTreeWidgetItem *item = editing_.isValid() ? itemFromIndex(editing_) : nullptr;
    editing_ = QPersistentModelIndex();
    if (line && item && line->text() != item->text(0))
        DeptTreeEdited(item, line->text());
}

bool TDeptTreeView::DeptTreeEdited(QTreeWidgetItem *item, const QString &newText)
{
    const CommandScope scope(*this);
    if (!DeptOperations(dm_).RenameDept(item->text(0), newText))
        return false; // the node keeps the name the database keeps
    item->setText(0, newText);
    if (dm_.aqryDept)
        dm_.aqryDept->Close();
    return true;
}

// --- Menus

void TDeptTreeView::mousePressEvent(QMouseEvent *event)
{
    // The menus act on the selected node; a right click does not select.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void TDeptTreeView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        DeptTreeMouseUp(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

QMenu *TDeptTreeView::DeptTreeMouseUp(const QPoint &globalPos)
{
    QTreeWidgetItem *node = selectedNode();
    if (!node)
        return nullptr;
    QMenu *menu = nullptr;
    if (kindOf(node) == NodeKind::Department)
        menu = pmDeptTree;
    else if (kindOf(node) == NodeKind::Computer)
        menu = pmDeptTreeComputer;
    if (menu)
        menu->popup(globalPos);
    return menu;
}

// --- Reassignment, properties, logs, computer deletion

void TDeptTreeView::MenuComputerAdjustClick()
{
    const CommandScope scope(*this);
    QTreeWidgetItem *node = selectedNode();
    if (!node || kindOf(node) != NodeKind::Department)
        return;
    TComputerAdjustFrm frm(dm_, node->text(0), window());
    if (!frm.Prepare())
        return;
    ShowModal(frm);
    if (frm.Changed())
        RebuildDeptTree();
}

void TDeptTreeView::MenuFormClick()
{
    const CommandScope scope(*this);
    QTreeWidgetItem *node = selectedNode();
    if (!node || kindOf(node) != NodeKind::Department)
        return;
    DeptOperations ops(dm_);
    const std::optional<DeptRecord> record = ops.ReadDept(node->text(0));
    if (!record)
        return;
    TDeptMFrm frm(dm_, window());
    frm.setRecord(*record);
    if (ShowModal(frm) != QDialog::Accepted)
        return;
    const DeptRecord edited = frm.record();
    if (!ops.SaveDept(record->Name, edited))
        return;
    node->setText(0, edited.Name);
    if (dm_.aqryDept)
        dm_.aqryDept->Close();
}

void TDeptTreeView::MenuLogDeptClick()
{
    QTreeWidgetItem *node = selectedNode();
    if (!node || kindOf(node) != NodeKind::Department)
        return;
    if (const std::optional<QString> block =
            DeptOperations(dm_).DeptLogBlock(node->text(0), Clock()))
        log(*block);
}

void TDeptTreeView::MenuIComputeFomClick()
{
    const CommandScope scope(*this);
    QTreeWidgetItem *node = selectedNode();
    if (!node || kindOf(node) != NodeKind::Computer)
        return;
    HostOperations ops(dm_);
    const std::optional<HostRecord> record = ops.ReadHost(node->text(0));
    if (!record)
        return;
    THostMFrm frm(dm_, window());
    frm.setRecord(*record);
    if (ShowModal(frm) != QDialog::Accepted)
        return;
    const HostRecord edited = frm.record();
    if (!ops.SaveHost(record->HostName, edited))
        return;
    node->setText(0, edited.HostName);
    log(ops.ModifyComputeLine(edited.HostName, Clock()));
}

void TDeptTreeView::MenuLogComputeClick()
{
    QTreeWidgetItem *node = selectedNode();
    if (!node || kindOf(node) != NodeKind::Computer)
        return;
    if (const std::optional<QString> block =
            HostOperations(dm_).HostLogBlock(node->text(0), Clock()))
        log(*block);
}

void TDeptTreeView::MenudeleteComputerClick()
{
    const CommandScope scope(*this);
    QTreeWidgetItem *node = selectedNode();
    if (!node || kindOf(node) != NodeKind::Computer)
        return;
    const QString name = node->text(0);
    HostOperations ops(dm_);
    if (!ops.DeleteHost(name))
        return;
    delete node;
    log(ops.DeleteComputeLine(name, Clock()));
}

} // namespace vesk
