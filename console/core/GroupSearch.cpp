// TSearchGroupThread and the one-entry-per-read loop that both search threads use.
#include "GroupSearch.h"

#include "PrinterSearch.h"

namespace vesk {

void EnumerateOneByOne(TNetworkSearch &search, const QString &name, int type,
                       const std::function<void(const QString &)> &found)
{
    NetResource request;
    request.dwScope = RESOURCE_GLOBALNET;
    request.dwType = RESOURCETYPE_DISK_AND_PRINT;
    request.dwDisplayType = RESOURCEDISPLAYTYPE_DOMAIN;
    request.dwUsage = RESOURCEUSAGE_CONTAINER;
    request.lpRemoteName = name;
    // A queued thread that starts after the stop lists nothing: a silent computer's listing
    // costs seconds, and a closing console waits for every thread.
    if (search.Stopping())
        return;
    auto enumeration =
        search.Network().OpenEnum(RESOURCE_GLOBALNET, type, RESOURCEUSAGE_ALL, &request);
    if (!enumeration)
        return;
    std::vector<NetResource> entry;
    while (!search.Stopping() && enumeration->Read(1, entry) && entry.size() == 1) {
        const QString remote = entry.front().lpRemoteName;
        entry.clear();
        search.Synchronize([&] { found(remote); });
    }
}

void TSearchGroupThread::Execute()
{
    EnumerateOneByOne(Search, Name, RESOURCETYPE_ANY, [this](const QString &computer) {
        TreeNode *node = Search.AddNode(Node, computer, ImageComputer);
        Search.Expand(Node);
        Search.ShowTip(Search.GetLangString(QStringLiteral("RShost")) + computer);
        Search.StartThread(new TSearchPrinterThread(Search, computer, node));
    });
}

} // namespace vesk
