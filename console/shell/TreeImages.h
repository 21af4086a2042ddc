// The console trees' shared images: a node's kind is its image index, kept on the node.
#pragma once

#include "DeptTree.h"

#include <QIcon>

class QTreeWidgetItem;

namespace vesk {

// The picture of a node kind (network, department or group, computer, printer).
QIcon TreeImage(NodeKind kind);
// Gives the node its kind (Qt::UserRole) and the kind's picture.
void SetNodeKind(QTreeWidgetItem *item, NodeKind kind);
// The kind of a node; a node without one counts as a department.
NodeKind NodeKindOf(const QTreeWidgetItem *item);

} // namespace vesk
