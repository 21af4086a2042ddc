// Pictures of the tree nodes from the style's standard icons.
#include "TreeImages.h"

#include <QApplication>
#include <QStyle>
#include <QTreeWidgetItem>

namespace vesk {

QIcon TreeImage(NodeKind kind)
{
    QStyle *style = QApplication::style();
    switch (kind) {
    case NodeKind::Network:
        return style->standardIcon(QStyle::SP_DriveNetIcon);
    case NodeKind::Department:
        return style->standardIcon(QStyle::SP_DirIcon);
    case NodeKind::Computer:
        return style->standardIcon(QStyle::SP_ComputerIcon);
    case NodeKind::Printer:
        return style->standardIcon(QStyle::SP_FileIcon);
    }
    return {};
}

void SetNodeKind(QTreeWidgetItem *item, NodeKind kind)
{
    // Looked up once: trees hold thousands of nodes.
    static const QIcon images[] = {TreeImage(NodeKind::Network), TreeImage(NodeKind::Department),
                                   TreeImage(NodeKind::Computer), TreeImage(NodeKind::Printer)};
    item->setData(0, Qt::UserRole, static_cast<int>(kind));
    item->setIcon(0, images[static_cast<int>(kind)]);
}

NodeKind NodeKindOf(const QTreeWidgetItem *item)
{
    const QVariant v = item->data(0, Qt::UserRole);
    return v.isValid() ? static_cast<NodeKind>(v.toInt()) : NodeKind::Department;
}

} // namespace vesk
