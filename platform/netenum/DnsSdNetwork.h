// DnsSdNetwork: the printers that announce themselves by multicast DNS, as Avahi browses them.
#pragma once

#include "MapNetwork.h"
#include "NetworkEnum.h"

#include <QHash>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

namespace vesk {

// The service types of printers: IPP, IPP over TLS, LPD and raw socket printing.
inline constexpr const char *DnsSdPrinterTypes[] = {"_ipp._tcp", "_ipps._tcp", "_printer._tcp",
                                                    "_pdl-datastream._tcp"};

struct DnsSdSettings
{
    // Upper bound of one browse: it ends earlier, when every browser has reported all it knows
    // for now and every service found has been resolved (or has failed to resolve).
    int browseTimeMs = 5000;
};

// One printer service as a browse resolved it.
struct DnsSdService
{
    QString domain;   // "local"
    QString hostName; // the announcing host, "prn-one.local"
    QString name;     // the service's instance name, "Office Laser"
    QString address;  // IPv4 of the host; empty when it gave none
};

// The network the services make: each domain a group, each host (its name without the domain)
// a computer of its domain, each instance name once a printer of its host, however many service
// types announce it; all in name order. `addresses` gets each computer's IPv4 by upper-case name.
MapNetwork DnsSdTree(const QString &provider, const std::vector<DnsSdService> &services,
                     QHash<QString, QString> *addresses);

// The domains, hosts and printers of one browse through the local avahi-daemon (over D-Bus),
// run on the calling thread with a poll loop of its own. Opening the network root browses anew
// (and fails when the daemon cannot be reached); the provider's entry, domains, computers and
// printers are then answered from that browse. Thread-safe.
class DnsSdNetwork : public NetworkEnum
{
public:
    static constexpr const char *ProviderName = "DNS-SD Network";

    explicit DnsSdNetwork(DnsSdSettings settings = {}) : settings_(settings) {}

    std::unique_ptr<NetEnumeration> OpenEnum(int scope, int type, int usage,
                                             const NetResource *resource) override;
    QHash<QString, QString> KnownAddresses() const override;

    // One browse, bounded by the settings' time. False when avahi-daemon cannot be reached.
    static bool Browse(const DnsSdSettings &settings, std::vector<DnsSdService> &services);

private:
    struct Found
    {
        MapNetwork network;
        QHash<QString, QString> addresses;
    };
    // The last browse; a new one when `fresh` or when there is none yet. Null when it failed.
    std::shared_ptr<Found> found(bool fresh);

    DnsSdSettings settings_;
    std::mutex browseLock_;   // one browse at a time
    mutable std::mutex lock_; // guards found_ only, never held while browsing
    std::shared_ptr<Found> found_;
};

} // namespace vesk
