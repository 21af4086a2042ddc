// Building the department tree from tDept, tHost and tPrinter, and the rules read off the tree.
#include "DeptTree.h"

#include "Database.h"
#include "Errors.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace vesk {

namespace {

// Rows of a two-column statement grouped by the folded second column, in the order returned.
using Grouped = QHash<QString, QStringList>;

Grouped readGrouped(const QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(statement))
        throw VeskError(q.lastError().text());
    Grouped out;
    while (q.next()) {
        if (q.value(1).isNull() || q.value(0).isNull())
            continue;
        out[foldAsEquals(db, q.value(1).toString())].append(q.value(0).toString());
    }
    return out;
}

struct Builder
{
    QSqlDatabase db;  // whose "=" the names are folded like
    Grouped depts;    // by SuperName
    Grouped hosts;    // by DeptName
    Grouped printers; // by HostName
    QSet<QString> path;

    void addDepartments(const QString &superName, DeptForest &into)
    {
        const auto it = depts.constFind(foldAsEquals(db, superName));
        if (it == depts.constEnd())
            return;
        for (const QString &name : *it) {
            DeptNode dept{name, NodeKind::Department, {}};
            const QString key = foldAsEquals(db, name);
            for (const QString &host : hosts.value(key)) {
                DeptNode computer{host, NodeKind::Computer, {}};
                for (const QString &printer : printers.value(foldAsEquals(db, host)))
                    computer.children.push_back({printer, NodeKind::Printer, {}});
                dept.children.push_back(std::move(computer));
            }
            if (!path.contains(key)) {
                path.insert(key);
                addDepartments(name, dept.children);
                path.remove(key);
            }
            into.push_back(std::move(dept));
        }
    }
};

bool findIn(const DeptForest &nodes, NodeKind kind, const QString &text, Qt::CaseSensitivity cs,
            NodePath &path)
{
    for (int i = 0; i < static_cast<int>(nodes.size()); ++i) {
        const DeptNode &n = nodes[static_cast<size_t>(i)];
        path.push_back(i);
        if (n.kind == kind && n.text.compare(text, cs) == 0)
            return true;
        if (findIn(n.children, kind, text, cs, path))
            return true;
        path.pop_back();
    }
    return false;
}

void appendLines(const DeptForest &nodes, int level, QStringList &lines)
{
    for (const DeptNode &n : nodes) {
        lines << QString(level, u'\t') + n.text;
        appendLines(n.children, level + 1, lines);
    }
}

} // namespace

DeptForest LoadDeptTree(const QSqlDatabase &db, const std::optional<QString> &parent)
{
    Builder b{db,
              readGrouped(db, QStringLiteral("select Name, SuperName from tDept")),
              readGrouped(db, QStringLiteral("select HostName, DeptName from tHost")),
              readGrouped(db, QStringLiteral("select Name, HostName from tPrinter")),
              {}};
    DeptForest forest;
    if (parent)
        b.path.insert(foldAsEquals(b.db, *parent));
    b.addDepartments(parent.value_or(QStringLiteral("-1")), forest);
    return forest;
}

bool HasChildText(const DeptNode &node, const QString &text)
{
    for (const DeptNode &child : node.children) {
        if (!child.children.empty() && HasChildText(child, text))
            return true;
        if (child.text == text)
            return true;
    }
    return false;
}

bool CanDropOn(const DeptNode &dragged, const DeptNode &target)
{
    return target.kind == NodeKind::Department &&
           (dragged.kind == NodeKind::Department || dragged.kind == NodeKind::Computer) &&
           dragged.text != target.text && !HasChildText(dragged, target.text);
}

const DeptNode *nodeAt(const DeptForest &forest, const NodePath &path)
{
    const DeptForest *level = &forest;
    const DeptNode *node = nullptr;
    for (int i : path) {
        if (i < 0 || static_cast<size_t>(i) >= level->size())
            return nullptr;
        node = &(*level)[static_cast<size_t>(i)];
        level = &node->children;
    }
    return node;
}

std::optional<NodePath> findNode(const DeptForest &forest, NodeKind kind, const QString &text,
                                 bool anyCase)
{
    NodePath path;
    if (findIn(forest, kind, text, Qt::CaseSensitive, path))
        return path;
    path.clear();
    if (anyCase && findIn(forest, kind, text, Qt::CaseInsensitive, path))
        return path;
    return std::nullopt;
}

QStringList DeptTreeLines(const DeptForest &forest)
{
    QStringList lines;
    appendLines(forest, 0, lines);
    return lines;
}

} // namespace vesk
