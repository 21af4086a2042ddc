// DnsSdNetwork over avahi-client: one bounded browse of the printer service types per search.
#include "DnsSdNetwork.h"

#include <algorithm>
#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <tuple>

namespace vesk {

namespace {

// Control characters would break the saved tree file's lines.
QString Printable(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text.trimmed();
}

QString WithoutDot(QString name)
{
    if (name.endsWith(u'.'))
        name.chop(1);
    return name;
}

// The host's name without its domain, as a computer of the tree ("\\prn-one"): the domain is
// already its group, and a backslash would split the node's name.
QString ComputerName(const QString &hostName, const QString &domain)
{
    QString host = WithoutDot(hostName);
    const QString suffix = u'.' + domain;
    if (host.endsWith(suffix, Qt::CaseInsensitive))
        host.chop(suffix.size());
    return Printable(host).replace(u'\\', u'-');
}

struct NoCase
{
    bool operator()(const QString &a, const QString &b) const
    {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    }
};

using Clock = std::chrono::steady_clock;

// What the callbacks of one browse share; they all run inside its poll loop on one thread.
struct BrowseState
{
    std::vector<DnsSdService> *services = nullptr;
    std::set<AvahiServiceBrowser *> browsing; // browsers yet to report all they know for now
    int resolving = 0;                        // resolvers yet to answer
    bool failed = false;                      // the daemon went away
    // A service is seen once per interface and protocol: resolved once.
    std::set<std::tuple<std::string, std::string, std::string>> seen;
};

void ClientChanged(AvahiClient *, AvahiClientState state, void *userdata)
{
    if (state == AVAHI_CLIENT_FAILURE)
        static_cast<BrowseState *>(userdata)->failed = true;
}

void Resolved(AvahiServiceResolver *resolver, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
              const char *name, const char *, const char *domain, const char *hostName,
              const AvahiAddress *address, uint16_t, AvahiStringList *, AvahiLookupResultFlags,
              void *userdata)
{
    auto *state = static_cast<BrowseState *>(userdata);
    if (event == AVAHI_RESOLVER_FOUND && name != nullptr && domain != nullptr &&
        hostName != nullptr) {
        DnsSdService service{
            QString::fromUtf8(domain), QString::fromUtf8(hostName), QString::fromUtf8(name), {}};
        if (address != nullptr && address->proto == AVAHI_PROTO_INET) {
            char text[AVAHI_ADDRESS_STR_MAX] = {};
            if (avahi_address_snprint(text, sizeof text, address) != nullptr)
                service.address = QString::fromLatin1(text);
        }
        state->services->push_back(std::move(service));
    }
    avahi_service_resolver_free(resolver);
    --state->resolving;
}

void Browsed(AvahiServiceBrowser *browser, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char *name, const char *type, const char *domain,
             AvahiLookupResultFlags, void *userdata)
{
    auto *state = static_cast<BrowseState *>(userdata);
    switch (event) {
    case AVAHI_BROWSER_NEW:
        if (name != nullptr && type != nullptr && domain != nullptr &&
            state->seen.emplace(name, type, domain).second) {
            // The host's IPv4 address whichever protocol carried the announcement.
            if (avahi_service_resolver_new(avahi_service_browser_get_client(browser), interface,
                                           protocol, name, type, domain, AVAHI_PROTO_INET,
                                           AvahiLookupFlags(0), Resolved, state) != nullptr)
                ++state->resolving;
        }
        break;
    case AVAHI_BROWSER_ALL_FOR_NOW:
    case AVAHI_BROWSER_FAILURE:
        state->browsing.erase(browser);
        break;
    case AVAHI_BROWSER_REMOVE:
    case AVAHI_BROWSER_CACHE_EXHAUSTED:
        break;
    }
}

} // namespace

MapNetwork DnsSdTree(const QString &provider, const std::vector<DnsSdService> &services,
                     QHash<QString, QString> *addresses)
{
    // domain -> computer -> printers; the first spelling of a name met is kept.
    std::map<QString, std::map<QString, std::set<QString, NoCase>, NoCase>, NoCase> tree;
    for (const DnsSdService &s : services) {
        const QString domain = Printable(WithoutDot(s.domain));
        const QString computer = ComputerName(s.hostName, domain);
        const QString printer = Printable(s.name);
        if (domain.isEmpty() || computer.isEmpty() || printer.isEmpty())
            continue;
        tree[domain][computer].insert(printer);
        if (addresses != nullptr && !s.address.isEmpty() &&
            !addresses->contains(computer.toUpper()))
            addresses->insert(computer.toUpper(), s.address);
    }
    std::vector<MapNetwork::Group> groups;
    for (const auto &[domain, computers] : tree) {
        MapNetwork::Group group{domain, {}, true};
        for (const auto &[computer, printers] : computers)
            group.computers.push_back(
                {computer, QStringList(printers.begin(), printers.end()), true});
        groups.push_back(std::move(group));
    }
    return MapNetwork::FromGroups(provider, std::move(groups));
}

bool DnsSdNetwork::Browse(const DnsSdSettings &settings, std::vector<DnsSdService> &services)
{
    // Declared in this order so the client goes first, then its poll, then what they called.
    BrowseState state;
    state.services = &services;
    const std::unique_ptr<AvahiSimplePoll, decltype(&avahi_simple_poll_free)> poll(
        avahi_simple_poll_new(), avahi_simple_poll_free);
    if (!poll)
        return false;
    int error = 0;
    const std::unique_ptr<AvahiClient, decltype(&avahi_client_free)> client(
        avahi_client_new(avahi_simple_poll_get(poll.get()), AvahiClientFlags(0), ClientChanged,
                         &state, &error),
        avahi_client_free);
    if (!client || state.failed)
        return false;
    for (const char *type : DnsSdPrinterTypes) {
        if (AvahiServiceBrowser *b =
                avahi_service_browser_new(client.get(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, type,
                                          nullptr, AvahiLookupFlags(0), Browsed, &state))
            state.browsing.insert(b);
    }
    if (state.browsing.empty())
        return false;

    const auto deadline = Clock::now() + std::chrono::milliseconds(settings.browseTimeMs);
    while (!state.failed && (!state.browsing.empty() || state.resolving > 0)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || avahi_simple_poll_iterate(
                             poll.get(), static_cast<int>(std::min<long long>(left, 100))) != 0)
            break;
    }
    return !state.failed;
}

std::shared_ptr<DnsSdNetwork::Found> DnsSdNetwork::found(bool fresh)
{
    std::lock_guard<std::mutex> browsing(browseLock_);
    if (!fresh) {
        std::lock_guard<std::mutex> guard(lock_);
        if (found_)
            return found_;
    }
    std::shared_ptr<Found> f;
    std::vector<DnsSdService> services;
    if (Browse(settings_, services)) {
        f = std::make_shared<Found>();
        f->network = DnsSdTree(QString::fromLatin1(ProviderName), services, &f->addresses);
    }
    std::lock_guard<std::mutex> guard(lock_);
    found_ = f;
    return f;
}

std::unique_ptr<NetEnumeration> DnsSdNetwork::OpenEnum(int scope, int type, int usage,
                                                       const NetResource *resource)
{
    // Opening the network root starts a search: browse anew, and fail as a network that cannot
    // be opened when the daemon cannot be reached. Below it, answer from that browse.
    const std::shared_ptr<Found> f = found(LevelOf(resource) == NetLevel::Root);
    return f ? f->network.OpenEnum(scope, type, usage, resource) : nullptr;
}

QHash<QString, QString> DnsSdNetwork::KnownAddresses() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return found_ ? found_->addresses : QHash<QString, QString>();
}

} // namespace vesk
