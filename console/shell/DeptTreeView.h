// TDeptTreeView: the console's department view (DeptTree): the tree, its two menus, drag and
// drop, in-place rename, and the properties, log and delete commands of its nodes.
#pragma once

#include "DeptTree.h"

#include <QDateTime>
#include <QPersistentModelIndex>
#include <QTreeWidget>

#include <functional>

class QAction;
class QDialog;
class QMenu;

namespace vesk {

class TdmMain;

// Window thread only. The handlers keep their historical names; the rules and statements are
// DeptOperations', the tree is built by LoadDeptTree. Each node's kind is its image index
// (Qt::UserRole).
class TDeptTreeView : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TDeptTreeView(TdmMain &dm, QWidget *parent = nullptr);
    ~TDeptTreeView() override;

    // Adds the departments below `parent` (the top level without), with their computers and
    // printers, expanded. Does not clear the tree. A database error is shown.
    void LoadDeptTree(QTreeWidgetItem *parent = nullptr);
    // Clear, then LoadDeptTree with no parent, without repainting meanwhile. While a command
    // runs (its question or window is open) the rebuild waits until the command has ended, so
    // no handler is left holding a freed node.
    void RebuildDeptTree();
    // Empties the tree, waiting for a running command the same way.
    void ClearDeptTree();
    bool HasChildText(QTreeWidgetItem *node, const QString &text) const;

    static NodeKind kindOf(const QTreeWidgetItem *item);
    // The tree as plain data, the path of an item in it and back.
    DeptForest forest() const;
    NodePath pathOf(const QTreeWidgetItem *item) const;
    QTreeWidgetItem *itemAtPath(const NodePath &path) const;

    // Menu texts from the catalogue.
    void applyCatalogue();

    // How log lines and blocks reach the console's log (SendLog), how dialogs are shown
    // (exec) and the time of log lines; tests replace them.
    std::function<void(const QString &)> Log;
    std::function<int(QDialog &)> ShowModal;
    std::function<QDateTime()> Clock;

    QMenu *pmDeptTree;
    QAction *MenuSameLevelDept;
    QAction *MenuAddChildDept;
    QAction *MenuDelDept;
    QAction *MenuComputerAdjust;
    QMenu *MenuProperty;
    QAction *MenuForm;
    QAction *MenuLogDept;
    QMenu *pmDeptTreeComputer;
    QAction *MenuAddprinter;
    QAction *MenudeleteComputer;
    QMenu *MenuIPropertyC;
    QAction *MenuIComputeFom;
    QAction *MenuLogCompute;

    // Handlers, acting on the selected node.
    void MenuSameLevelDeptClick();
    void MenuAddChildDeptClick();
    void MenuDelDeptClick();
    void MenuComputerAdjustClick();
    void MenuFormClick();
    void MenuLogDeptClick();
    void MenuIComputeFomClick();
    void MenuLogComputeClick();
    void MenudeleteComputerClick();
    // Whether the selected node may be dropped onto `target`.
    bool DeptTreeDragOver(QTreeWidgetItem *target) const;
    // Drops the selected node onto `target`: the row first, the node only when it was written.
    void DeptTreeDragDrop(QTreeWidgetItem *target);
    bool DeptTreeEditing(const QTreeWidgetItem *item) const;
    // The in-place rename; on failure the node keeps its old text.
    bool DeptTreeEdited(QTreeWidgetItem *item, const QString &newText);
    // The menu of the selected node at `globalPos` (none for a printer or no selection).
    QMenu *DeptTreeMouseUp(const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void commitData(QWidget *editor) override;

private:
    QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &text, NodeKind kind);
    void addNodes(QTreeWidgetItem *parent, const DeptForest &nodes);
    QTreeWidgetItem *selectedNode() const;
    void addDept(QTreeWidgetItem *parent);
    void moveNode(QTreeWidgetItem *node, QTreeWidgetItem *target);
    void log(const QString &text) const;
    // Runs `change` of the whole tree now, or when the running command ends.
    void whenIdle(std::function<void()> change);

    // Marks a handler that may run a nested event loop (a question, a window).
    class CommandScope
    {
    public:
        explicit CommandScope(TDeptTreeView &view);
        ~CommandScope();
        CommandScope(const CommandScope &) = delete;
        CommandScope &operator=(const CommandScope &) = delete;

    private:
        TDeptTreeView &view_;
    };

    TdmMain &dm_;
    int commands_ = 0;                    // handlers running, nested ones included
    std::function<void()> pendingChange_; // the last whole-tree change asked for meanwhile
    QPersistentModelIndex editing_;       // the node whose text is being edited in place
};

} // namespace vesk
