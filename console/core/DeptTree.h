// The department tree as plain data: departments, their computers and the computers' printers,
// built from the database by LoadDeptTree; the window's tree and the vesk command both show it.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vesk {

// Node kinds of the console's trees; the value is the node's image index.
enum class NodeKind : int
{
    Network = 0,
    Department = 1, // also a domain or workgroup in the network tree
    Computer = 2,
    Printer = 3,
};

struct DeptNode
{
    QString text;
    NodeKind kind = NodeKind::Department;
    std::vector<DeptNode> children;
};
using DeptForest = std::vector<DeptNode>;

// The departments whose SuperName is `parent` (top-level ones, SuperName "-1", without a
// parent), each followed by its computers (with their printers) and then, recursively, its
// sub-departments; rows in the order the tables return them. Names are compared as the database
// compares them (letter case ignored). Each table is read once, so the cost grows with the rows,
// not with departments times computers. A department that would contain itself again (two rows
// of one name, one under the other) is not descended into a second time. Database errors are
// thrown as VeskError.
DeptForest LoadDeptTree(const QSqlDatabase &db, const std::optional<QString> &parent = {});

// True when any node below `node`, at any depth, has exactly `text` (letter case counts).
bool HasChildText(const DeptNode &node, const QString &text);

// Whether `dragged` may be dropped onto `target`: the target is a department, the dragged node a
// department or a computer, their texts differ, and the target is not (by name) below the
// dragged node.
bool CanDropOn(const DeptNode &dragged, const DeptNode &target);

// A path from the top level: the index of each node on the way down.
using NodePath = std::vector<int>;
const DeptNode *nodeAt(const DeptForest &forest, const NodePath &path);
// The first node in tree order (depth first, top to bottom) of the kind whose text is `text`:
// exactly, or, when no node has it exactly and `anyCase`, ignoring letter case.
std::optional<NodePath> findNode(const DeptForest &forest, NodeKind kind, const QString &text,
                                 bool anyCase = false);

// The tree in the layout of the saved tree files: one line per node in tree order, as many TABs
// as the node's level, then its text (without line ends).
QStringList DeptTreeLines(const DeptForest &forest);

} // namespace vesk
