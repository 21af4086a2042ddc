// MapNetwork: a network neighbourhood described in a text file, for sites without browsing.
#pragma once

#include "NetworkEnum.h"

#include <QString>
#include <QStringList>

namespace vesk {

// The map's text, UTF-8, one item a line; blank lines and lines starting with # or ; are
// skipped, a # after a blank starts a comment, blanks around items are ignored:
//
//   network = Head office          the provider's name (optional; "Network map" without it)
//   [OFFICE]                       a workgroup or domain, in the order given
//   PC-ONE = laser1, laser2        a computer of the group above and its printer shares
//   PC-TWO                         a computer that shares no printer
//   [LAB] unreachable              a group whose computers cannot be listed
//   PC-NINE = ! unreachable        a computer whose shares cannot be listed
class MapNetwork : public NetworkEnum
{
public:
    static constexpr const char *DefaultProviderName = "Network map";

    // A map that cannot be read or understood leaves the network root unopenable: the search
    // then ends through its failed-open path. `error` says why (line number and text).
    static MapNetwork FromFile(const QString &fileName, QString *error = nullptr);
    static MapNetwork FromText(const QString &text, QString *error = nullptr);

    struct Computer
    {
        QString name;
        QStringList printers;
        bool reachable = true;
    };
    struct Group
    {
        QString name;
        std::vector<Computer> computers;
        bool reachable = true;
    };
    // A network other providers learned some other way (the DNS-SD browse).
    static MapNetwork FromGroups(const QString &provider, std::vector<Group> groups);

    std::unique_ptr<NetEnumeration> OpenEnum(int scope, int type, int usage,
                                             const NetResource *resource) override;

    const QString &ProviderName() const { return provider_; }

private:
    bool valid_ = false;
    QString provider_ = QString::fromLatin1(DefaultProviderName);
    std::vector<Group> groups_;
};

} // namespace vesk
