// SmbNetwork: the network neighbourhood as libsmbclient browses it.
#pragma once

#include "NetworkEnum.h"

#include <QString>

#include <atomic>

namespace vesk {

struct SmbSettings
{
    // An smb.conf for the client (lock, cache and state folders); empty: libsmbclient's own.
    QString configFile;
    int timeoutMs = 5000;
};

// Workgroups and their servers are listed over SMB1 (the browse service needs it, on this
// client and on the workgroup's master browser); a computer's shares over any protocol from
// SMB1 to SMB3. libsmbclient keeps the protocol range process-wide, so every listing is made
// whole, under one process-wide lock, with a context of its own that is freed before the next.
class SmbNetwork : public NetworkEnum
{
public:
    static constexpr const char *ProviderName = "SMB Network";

    explicit SmbNetwork(SmbSettings settings = {}) : settings_(std::move(settings)) {}

    std::unique_ptr<NetEnumeration> OpenEnum(int scope, int type, int usage,
                                             const NetResource *resource) override;
    void SetStopping(bool stopping) override { stopping_ = stopping; }

private:
    SmbSettings settings_;
    std::atomic<bool> stopping_{false};
};

} // namespace vesk
