// TreeNodes: building and copying plain trees.
#include "TreeNodes.h"

#include <utility>

namespace vesk {

namespace {

void CopyChildren(const TreeNode &from, TreeNode &to)
{
    for (const auto &child : from.Children()) {
        TreeNode *copy = to.AddChild(child->Text, child->ImageIndex);
        copy->Expanded = child->Expanded;
        CopyChildren(*child, *copy);
    }
}

} // namespace

int TreeNode::Level() const
{
    int level = 0;
    for (const TreeNode *p = parent_; p != nullptr && p->parent_ != nullptr; p = p->parent_)
        ++level;
    return level;
}

TreeNode *TreeNode::AddChild(const QString &text, int image)
{
    auto node = std::make_unique<TreeNode>();
    node->Text = text;
    node->ImageIndex = image;
    node->parent_ = this;
    children_.push_back(std::move(node));
    return children_.back().get();
}

TreeNodes::TreeNodes() : root_(std::make_unique<TreeNode>()) {}

TreeNodes::TreeNodes(const TreeNodes &other) : TreeNodes()
{
    CopyChildren(*other.root_, *root_);
}

TreeNodes &TreeNodes::operator=(const TreeNodes &other)
{
    if (this != &other) {
        Clear();
        CopyChildren(*other.root_, *root_);
    }
    return *this;
}

// A moved-from tree stays usable and empty.
TreeNodes::TreeNodes(TreeNodes &&other)
    : root_(std::exchange(other.root_, std::make_unique<TreeNode>()))
{}

TreeNodes &TreeNodes::operator=(TreeNodes &&other)
{
    if (this != &other)
        root_ = std::exchange(other.root_, std::make_unique<TreeNode>());
    return *this;
}

TreeNode *TreeNodes::Add(const QString &text, int image)
{
    return root_->AddChild(text, image);
}

TreeNode *TreeNodes::AddChild(TreeNode *parent, const QString &text, int image)
{
    return (parent != nullptr ? parent : root_.get())->AddChild(text, image);
}

void TreeNodes::Clear()
{
    root_->children_.clear();
}

int TreeNodes::Count() const
{
    int count = 0;
    ForEach([&count](const TreeNode &) { ++count; });
    return count;
}

} // namespace vesk
