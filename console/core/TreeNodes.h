// TreeNodes: a plain tree of texts with image indices, the widget-free form of the console's trees.
#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace vesk {

// Image indices of the console's trees: the node's kind.
inline constexpr int ImageNetwork = 0;
inline constexpr int ImageGroup = 1; // domain, workgroup or department
inline constexpr int ImageComputer = 2;
inline constexpr int ImagePrinter = 3;

class TreeNode
{
public:
    QString Text;
    int ImageIndex = -1;
    bool Expanded = false;

    // Null for a top-level node.
    TreeNode *Parent() const { return parent_ && parent_->parent_ ? parent_ : nullptr; }
    int Level() const;
    const std::vector<std::unique_ptr<TreeNode>> &Children() const { return children_; }
    bool HasChildren() const { return !children_.empty(); }
    // Appends a last child.
    TreeNode *AddChild(const QString &text, int image = -1);

private:
    friend class TreeNodes;
    TreeNode *parent_ = nullptr;
    std::vector<std::unique_ptr<TreeNode>> children_;
};

// The nodes of one tree. Not thread-safe: it belongs to one thread; others take a copy.
class TreeNodes
{
public:
    TreeNodes();
    TreeNodes(const TreeNodes &other);
    TreeNodes &operator=(const TreeNodes &other);
    TreeNodes(TreeNodes &&other);
    TreeNodes &operator=(TreeNodes &&other);

    // Appends a top-level node.
    TreeNode *Add(const QString &text, int image = -1);
    // Appends a last child of `parent`, or a top-level node when it is null.
    TreeNode *AddChild(TreeNode *parent, const QString &text, int image = -1);
    void Clear();
    bool IsEmpty() const { return root_->children_.empty(); }
    const std::vector<std::unique_ptr<TreeNode>> &TopLevel() const { return root_->children_; }
    TreeNode *First() const { return IsEmpty() ? nullptr : root_->children_.front().get(); }
    int Count() const;

    // Every node in tree order (a node, its subtree, then its next sibling).
    template <class F> void ForEach(F &&visit) const
    {
        for (const auto &top : root_->children_)
            visitAll<const TreeNode>(*top, visit);
    }
    template <class F> void ForEach(F &&visit)
    {
        for (const auto &top : root_->children_)
            visitAll<TreeNode>(*top, visit);
    }

private:
    template <class Node, class F> static void visitAll(Node &node, F &visit)
    {
        visit(node);
        for (const auto &child : node.children_)
            visitAll<Node>(*child, visit);
    }

    std::unique_ptr<TreeNode> root_; // hidden: its children are the top-level nodes
};

} // namespace vesk
