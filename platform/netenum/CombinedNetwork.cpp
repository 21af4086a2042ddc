// CombinedNetwork: the parts' entries joined below one provider entry.
#include "CombinedNetwork.h"

#include <QStringList>

#include <algorithm>
#include <set>

namespace vesk {

namespace {

std::vector<NetResource> ReadAll(NetEnumeration &enumeration)
{
    std::vector<NetResource> records;
    while (enumeration.Read(256, records)) {
    }
    return records;
}

} // namespace

CombinedNetwork::CombinedNetwork(std::vector<std::unique_ptr<NetworkEnum>> parts,
                                 const QStringList &names)
    : parts_(std::move(parts)), provider_(names.join(QStringLiteral(" + ")))
{}

std::vector<std::size_t> CombinedNetwork::partsFor(const Owners &owners, const QString &name) const
{
    if (!name.isNull()) {
        std::lock_guard<std::mutex> guard(lock_);
        if (const auto found = owners.find(name.toUpper()); found != owners.end())
            return found->second;
    }
    std::vector<std::size_t> every(parts_.size());
    for (std::size_t i = 0; i < every.size(); ++i)
        every[i] = i;
    return every;
}

void CombinedNetwork::remember(Owners &owners, const QString &name, std::size_t part)
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::size_t> &listed = owners[name.toUpper()];
    if (std::find(listed.begin(), listed.end(), part) == listed.end())
        listed.push_back(part);
}

std::vector<std::optional<NetResource>> CombinedNetwork::openRoots()
{
    std::vector<std::optional<NetResource>> tops(parts_.size());
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        auto root = parts_[i]->OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_ANY,
                                        RESOURCEUSAGE_CONTAINER, nullptr);
        const std::vector<NetResource> top = root ? ReadAll(*root) : std::vector<NetResource>();
        if (!top.empty())
            tops[i] = top.front();
    }
    return tops;
}

std::unique_ptr<NetEnumeration> CombinedNetwork::OpenEnum(int scope, int type, int usage,
                                                          const NetResource *resource)
{
    const NetLevel level = LevelOf(resource);
    if (level == NetLevel::Share || scope != RESOURCE_GLOBALNET)
        return nullptr;
    if (level == NetLevel::Root) {
        // Every part's root now (a part may do its searching there); the network cannot be
        // opened only when no part can.
        std::vector<std::optional<NetResource>> tops = openRoots();
        if (std::none_of(tops.begin(), tops.end(), [](const auto &t) { return t.has_value(); }))
            return nullptr;
        {
            std::lock_guard<std::mutex> guard(lock_);
            tops_ = std::move(tops);
        }
        NetResource r;
        r.dwType = RESOURCETYPE_ANY;
        r.dwDisplayType = RESOURCEDISPLAYTYPE_NETWORK;
        r.dwUsage = RESOURCEUSAGE_CONTAINER;
        r.lpRemoteName = provider_;
        r.lpProvider = provider_;
        return std::make_unique<ListedEnumeration>(std::vector<NetResource>{r});
    }
    std::vector<std::optional<NetResource>> tops;
    if (level == NetLevel::Provider) {
        std::lock_guard<std::mutex> guard(lock_);
        tops = tops_;
    }
    if (level == NetLevel::Provider && tops.empty())
        tops = openRoots();

    const std::vector<std::size_t> asked =
        level == NetLevel::Provider ? partsFor(groups_, QString())
        : level == NetLevel::Group  ? partsFor(groups_, resource->lpRemoteName)
                                    : partsFor(computers_, ComputerOf(resource->lpRemoteName));
    bool opened = false;
    std::vector<NetResource> records;
    std::set<QString> listed; // upper-case names: a name two parts list shows once
    for (const std::size_t i : asked) {
        NetworkEnum &part = *parts_[i];
        std::unique_ptr<NetEnumeration> below;
        if (level == NetLevel::Provider) {
            // Each part below its own provider entry, as the search itself would open it.
            if (tops[i])
                below = part.OpenEnum(scope, type, usage, &*tops[i]);
        } else {
            below = part.OpenEnum(scope, type, usage, resource);
        }
        if (!below)
            continue;
        opened = true;
        for (NetResource &r : ReadAll(*below)) {
            if (level == NetLevel::Provider)
                remember(groups_, r.lpRemoteName, i);
            else if (level == NetLevel::Group)
                remember(computers_, ComputerOf(r.lpRemoteName), i);
            r.lpProvider = provider_; // the search names the tree's root after it
            if (listed.insert(r.lpRemoteName.toUpper()).second)
                records.push_back(std::move(r));
        }
    }
    if (!opened)
        return nullptr;
    return std::make_unique<ListedEnumeration>(std::move(records));
}

QHash<QString, QString> CombinedNetwork::KnownAddresses() const
{
    QHash<QString, QString> all;
    for (const auto &part : parts_) {
        const QHash<QString, QString> known = part->KnownAddresses();
        for (auto it = known.begin(); it != known.end(); ++it) {
            if (!all.contains(it.key()))
                all.insert(it.key(), it.value());
        }
    }
    return all;
}

void CombinedNetwork::SetStopping(bool stopping)
{
    for (const auto &part : parts_)
        part->SetStopping(stopping);
}

} // namespace vesk
