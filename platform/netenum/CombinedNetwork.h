// CombinedNetwork: several providers searched as one network (SMB browsing beside DNS-SD).
#pragma once

#include "NetworkEnum.h"

#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace vesk {

// The search reads one provider below the network root, so the parts show as one: the root
// holds one entry named after all of them ("SMB Network + DNS-SD Network"), below it the groups
// of every part in turn. Opening the root opens every part's root, and fails only when all fail. A
// group or computer is asked of the parts that listed it, one after the other, their entries
// joined; a name no part listed is asked of every part. A name that several parts list (letter case
// ignored) shows once. Thread-safe when the parts are.
class CombinedNetwork : public NetworkEnum
{
public:
    // `names`: the display name of each part, in the order of `parts`.
    CombinedNetwork(std::vector<std::unique_ptr<NetworkEnum>> parts, const QStringList &names);

    std::unique_ptr<NetEnumeration> OpenEnum(int scope, int type, int usage,
                                             const NetResource *resource) override;
    // Every part's addresses; for a name two parts know, the earlier part's.
    QHash<QString, QString> KnownAddresses() const override;
    void SetStopping(bool stopping) override;

    const QString &ProviderName() const { return provider_; }

private:
    using Owners = std::map<QString, std::vector<std::size_t>>; // upper-case name -> parts

    // The parts that listed `name` at that level; every part for a name none listed or null.
    std::vector<std::size_t> partsFor(const Owners &owners, const QString &name) const;
    void remember(Owners &owners, const QString &name, std::size_t part);
    // The first root entry of each part; none for a part whose root cannot be opened.
    std::vector<std::optional<NetResource>> openRoots();

    std::vector<std::unique_ptr<NetworkEnum>> parts_;
    QString provider_;
    mutable std::mutex lock_;                      // guards the maps and the root entries
    std::vector<std::optional<NetResource>> tops_; // of the last opening of the root
    Owners groups_;
    Owners computers_;
};

} // namespace vesk
