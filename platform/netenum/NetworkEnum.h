// The network neighbourhood behind one interface: open an enumeration, read records, close.
#pragma once

#include <QHash>
#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

namespace vesk {

// Values of the resource records, numbered as the network provider layer numbers them.
inline constexpr int RESOURCE_GLOBALNET = 2;
inline constexpr int RESOURCETYPE_ANY = 0;
inline constexpr int RESOURCETYPE_DISK = 1;
inline constexpr int RESOURCETYPE_PRINT = 2;
inline constexpr int RESOURCETYPE_DISK_AND_PRINT = 3;
inline constexpr int RESOURCEDISPLAYTYPE_GENERIC = 0;
inline constexpr int RESOURCEDISPLAYTYPE_DOMAIN = 1;
inline constexpr int RESOURCEDISPLAYTYPE_SERVER = 2;
inline constexpr int RESOURCEDISPLAYTYPE_SHARE = 3;
inline constexpr int RESOURCEDISPLAYTYPE_NETWORK = 6;
inline constexpr int RESOURCEUSAGE_ALL = 0;
inline constexpr int RESOURCEUSAGE_CONNECTABLE = 1;
inline constexpr int RESOURCEUSAGE_CONTAINER = 2;

// One entry of the neighbourhood. Remote names: a workgroup's name; "\\PC" for a computer;
// "\\PC\share" for a share. The provider's own entry has the display type NETWORK.
struct NetResource
{
    int dwScope = RESOURCE_GLOBALNET;
    int dwType = RESOURCETYPE_ANY;
    int dwDisplayType = RESOURCEDISPLAYTYPE_GENERIC;
    int dwUsage = RESOURCEUSAGE_CONTAINER;
    QString lpLocalName;
    QString lpRemoteName;
    QString lpComment;
    QString lpProvider;
};

// An open enumeration. Destroying it closes it.
class NetEnumeration
{
public:
    virtual ~NetEnumeration() = default;
    // Appends up to `count` further records to `records`. False when nothing was read: the
    // entries are exhausted or the read failed.
    virtual bool Read(std::size_t count, std::vector<NetResource> &records) = 0;
};

// A network provider. Thread-safe: the search threads open enumerations concurrently.
class NetworkEnum
{
public:
    virtual ~NetworkEnum() = default;
    // The entries below `resource`, or below the network root when it is null: the root holds
    // one entry for the provider, the provider the workgroups and domains, a workgroup its
    // computers, a computer its shares of `type` (PRINT: printers only; ANY: printers and
    // disks). Null when the enumeration cannot be opened.
    virtual std::unique_ptr<NetEnumeration> OpenEnum(int scope, int type, int usage,
                                                     const NetResource *resource) = 0;
    // The IPv4 addresses that the provider itself learned for computers it listed, by the
    // computer's name in upper case: hosts that announce themselves by multicast DNS are not
    // known to the system resolver or by NetBIOS, so the host collection takes these instead.
    virtual QHash<QString, QString> KnownAddresses() const { return {}; }
    // The search is being ended: an open that has not begun its listing returns null at once
    // rather than wait its turn behind slow listings. False again once the search has ended.
    virtual void SetStopping(bool stopping) { static_cast<void>(stopping); }
};

// An enumeration over records read in full when it was opened.
class ListedEnumeration : public NetEnumeration
{
public:
    explicit ListedEnumeration(std::vector<NetResource> records) : records_(std::move(records)) {}
    bool Read(std::size_t count, std::vector<NetResource> &records) override;

private:
    std::vector<NetResource> records_;
    std::size_t next_ = 0;
};

// Which kind of node a request record names (by its remote name and display type).
enum class NetLevel
{
    Root,
    Provider,
    Group,
    Computer,
    Share
};
NetLevel LevelOf(const NetResource *resource);

// The computer name of "\\PC" or "\\PC\share", without the backslashes.
QString ComputerOf(const QString &remoteName);

} // namespace vesk
