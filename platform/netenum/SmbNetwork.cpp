// SmbNetwork over libsmbclient.
#include "SmbNetwork.h"

#include <libsmbclient.h>

#include <cstring>
#include <mutex>
#include <optional>

namespace vesk {

namespace {

std::mutex &SmbLock()
{
    static std::mutex lock;
    return lock;
}

// Browsing asks for nothing: servers that allow guests list their shares.
void Anonymous(SMBCCTX *, const char *, const char *, char *workgroup, int workgroupLength,
               char *user, int userLength, char *password, int passwordLength)
{
    Q_UNUSED(workgroup);
    Q_UNUSED(workgroupLength);
    if (userLength > 0)
        user[0] = '\0';
    if (passwordLength > 0)
        password[0] = '\0';
}

struct Entry
{
    unsigned type;
    QString name;
    QString comment;
};

// The entries of one smb:// URL, or nothing when the folder cannot be opened. Caller holds
// SmbLock.
std::optional<std::vector<Entry>> ListUrl(const QByteArray &url, const char *minProtocol,
                                          const char *maxProtocol, const SmbSettings &settings)
{
    SMBCCTX *ctx = smbc_new_context();
    if (ctx == nullptr)
        return std::nullopt;
    if (!settings.configFile.isEmpty())
        smbc_setConfiguration(ctx, settings.configFile.toLocal8Bit().constData());
    smbc_setFunctionAuthDataWithContext(ctx, Anonymous);
    smbc_setOptionUseKerberos(ctx, 0);
    smbc_setOptionFallbackAfterKerberos(ctx, 1);
    smbc_setOptionBrowseMaxLmbCount(ctx, 0);
    smbc_setOptionUrlEncodeReaddirEntries(ctx, 0);
    smbc_setTimeout(ctx, settings.timeoutMs);
    smbc_setOptionProtocols(ctx, minProtocol, maxProtocol);
    if (smbc_init_context(ctx) == nullptr) {
        smbc_free_context(ctx, 1);
        return std::nullopt;
    }
    std::optional<std::vector<Entry>> entries;
    if (SMBCFILE *dir = smbc_getFunctionOpendir(ctx)(ctx, url.constData())) {
        entries.emplace();
        while (const smbc_dirent *e = smbc_getFunctionReaddir(ctx)(ctx, dir)) {
            entries->push_back({e->smbc_type, QString::fromUtf8(static_cast<const char *>(e->name)),
                                e->comment ? QString::fromUtf8(e->comment) : QString()});
        }
        smbc_getFunctionClosedir(ctx)(ctx, dir);
    }
    smbc_free_context(ctx, 1);
    return entries;
}

} // namespace

std::unique_ptr<NetEnumeration> SmbNetwork::OpenEnum(int scope, int type, int usage,
                                                     const NetResource *resource)
{
    Q_UNUSED(usage);
    if (scope != RESOURCE_GLOBALNET)
        return nullptr;
    const QString provider = QString::fromLatin1(ProviderName);
    auto record = [&provider](int recordType, int displayType, int recordUsage,
                              const QString &remote, const QString &comment) {
        NetResource r;
        r.dwType = recordType;
        r.dwDisplayType = displayType;
        r.dwUsage = recordUsage;
        r.lpRemoteName = remote;
        r.lpComment = comment;
        r.lpProvider = provider;
        return r;
    };

    const NetLevel level = LevelOf(resource);
    if (level == NetLevel::Root) {
        return std::make_unique<ListedEnumeration>(std::vector<NetResource>{record(
            RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_NETWORK, RESOURCEUSAGE_CONTAINER, provider, {})});
    }
    if (level == NetLevel::Share)
        return nullptr;

    QByteArray url = "smb://";
    bool browse = true;
    if (level == NetLevel::Group) {
        url += resource->lpRemoteName.toUtf8();
    } else if (level == NetLevel::Computer) {
        url += ComputerOf(resource->lpRemoteName).toUtf8();
        browse = false;
    }

    std::optional<std::vector<Entry>> entries;
    {
        std::lock_guard<std::mutex> guard(SmbLock());
        // Listings run one at a time; those still waiting when the search stops list nothing.
        if (stopping_)
            return nullptr;
        entries =
            browse ? ListUrl(url, "NT1", "NT1", settings_) : ListUrl(url, "NT1", "SMB3", settings_);
    }
    if (!entries)
        return nullptr;

    std::vector<NetResource> records;
    for (const Entry &e : *entries) {
        switch (e.type) {
        case SMBC_WORKGROUP:
            if (level == NetLevel::Provider)
                records.push_back(record(RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_DOMAIN,
                                         RESOURCEUSAGE_CONTAINER, e.name, e.comment));
            break;
        case SMBC_SERVER:
            if (level == NetLevel::Group)
                records.push_back(record(RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_SERVER,
                                         RESOURCEUSAGE_CONTAINER, QStringLiteral("\\\\") + e.name,
                                         e.comment));
            break;
        case SMBC_PRINTER_SHARE:
        case SMBC_FILE_SHARE:
            if (level == NetLevel::Computer) {
                const int shareType =
                    e.type == SMBC_PRINTER_SHARE ? RESOURCETYPE_PRINT : RESOURCETYPE_DISK;
                if (type != RESOURCETYPE_ANY && type != RESOURCETYPE_DISK_AND_PRINT &&
                    type != shareType)
                    break;
                records.push_back(record(shareType, RESOURCEDISPLAYTYPE_SHARE,
                                         RESOURCEUSAGE_CONNECTABLE,
                                         resource->lpRemoteName + u'\\' + e.name, e.comment));
            }
            break;
        default:
            break; // IPC and other entries are no resources of the neighbourhood
        }
    }
    return std::make_unique<ListedEnumeration>(std::move(records));
}

} // namespace vesk
