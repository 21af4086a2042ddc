// TSearchGroupThread: the computers of one domain or workgroup.
#pragma once

#include "NetworkSearch.h"

namespace vesk {

// Lists the computers of the group, adds each below the group's node and starts one printer
// thread per computer.
class TSearchGroupThread : public TSearchThread
{
public:
    TSearchGroupThread(TNetworkSearch &search, QString name, TreeNode *node)
        : TSearchThread(search), Name(std::move(name)), Node(node)
    {}

protected:
    void Execute() override;

private:
    QString Name;
    TreeNode *Node; // the group's node; read on the window thread only
};

// Reads the entries below `name` one at a time and runs `found` on the window thread for each.
void EnumerateOneByOne(TNetworkSearch &search, const QString &name, int type,
                       const std::function<void(const QString &)> &found);

} // namespace vesk
