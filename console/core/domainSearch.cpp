// TGetDomainThread: the network root, the provider's groups, one group thread per group.
#include "domainSearch.h"

#include "GroupSearch.h"

namespace vesk {

namespace {

// Set at the start of each search, cleared when the network root cannot be opened.
std::atomic<bool> NetworkOpened{true};

} // namespace

// The network layer here lists one provider at its root, and the groups directly below it.
// Kind 3 (as on Windows 2000) takes the groups from below the first root entry; kind 4 would
// skip to a second root entry that this layer does not have, and kind 1 would take the root
// entries themselves for groups.
int GetPlatformKind()
{
    return 3;
}

void TGetDomainThread::Execute()
{
    NetworkEnum &network = Search.Network();
    const int kind = Search.PlatformKind;
    Search.Synchronize(
        [this] { Search.ShowTip(Search.GetLangString(QStringLiteral("RSBeginSearch"))); });
    NetworkOpened = true;

    std::vector<NetResource> first; // list A
    auto root =
        network.OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER, nullptr);
    if (!root) {
        const QString error = QString::fromLatin1(OpenNetworkError);
        Search.Synchronize([this, &error] { Search.PlainMessage(error); });
        NetworkOpened = false;
    } else {
        root->Read(MaxRecords, first);
        root.reset();
    }

    // With nothing at the root there is no first entry to open: nothing is listed.
    if (root == nullptr && NetworkOpened && !first.empty()) {
        std::vector<NetResource> working = first; // list B
        bool openFailed = false;
        bool readOk = false;
        if (auto below = network.OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_ANY,
                                          RESOURCEUSAGE_CONTAINER, &working.front())) {
            std::vector<NetResource> read;
            readOk = below->Read(MaxRecords, read);
            if (readOk)
                working = std::move(read);
        } else {
            openFailed = true;
        }

        if (openFailed || readOk || kind == 4) {
            if (kind == 4) {
                if (working.size() > 1)
                    working.front() = working[1];
                if (auto second = network.OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_ANY,
                                                   RESOURCEUSAGE_CONTAINER, &working.front())) {
                    std::vector<NetResource> read;
                    second->Read(MaxRecords, read);
                    working = std::move(read);
                    NetworkOpened = true;
                } else {
                    openFailed = true;
                }
            }
            const QString provider = working.empty() ? QString() : working.front().lpProvider;
            TreeNode *rootNode = nullptr;
            Search.Synchronize([&] {
                Search.BeginUpdate();
                Search.ClearTree();
                rootNode = Search.AddNode(nullptr, provider, ImageNetwork);
                Search.ShowTip(Search.GetLangString(QStringLiteral("RSSearch")) + provider);
            });
            const bool useFirst = openFailed || (kind == 1 && !working.empty() &&
                                                 !working.front().lpRemoteName.isEmpty());
            const std::vector<NetResource> &groups = useFirst ? first : working;
            for (const NetResource &group : groups) {
                if (Search.Stopping())
                    break;
                const QString name = group.lpRemoteName;
                Search.Synchronize([&] {
                    TreeNode *node = Search.AddNode(rootNode, name, ImageGroup);
                    Search.ShowTip(Search.GetLangString(QStringLiteral("RSFindGroup")) + name);
                    Search.StartThread(new TSearchGroupThread(Search, name, node));
                });
            }
            Search.Synchronize([this] { Search.EndUpdate(); });
        }
    }

    // Closing steps, on every path.
    Search.Synchronize([this] {
        if (NetworkOpened) {
            if (TreeNode *top = Search.ComputerTree.First()) {
                if (top->HasChildren())
                    Search.Expand(top);
            } else {
                Search.PlainMessage(QString::fromLatin1(NetworkEmptyError));
            }
        } else {
            Search.PlainMessage(QString::fromLatin1(NetworkClosedError));
        }
    });
}

} // namespace vesk
