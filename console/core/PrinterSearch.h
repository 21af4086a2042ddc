// TSearchPrinterThread: the shared printers of one computer.
#pragma once

#include "NetworkSearch.h"

namespace vesk {

class TSearchPrinterThread : public TSearchThread
{
public:
    TSearchPrinterThread(TNetworkSearch &search, QString name, TreeNode *node)
        : TSearchThread(search), Name(std::move(name)), Node(node)
    {}

protected:
    void Execute() override;

private:
    QString Name;   // "\\PC"
    TreeNode *Node; // the computer's node; read on the window thread only
};

} // namespace vesk
