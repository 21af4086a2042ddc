// The [Network] section of Config.ini: which provider the network search uses.
#pragma once

#include "NetworkEnum.h"

#include <QString>

#include <memory>
#include <vector>

namespace vesk {

class IniFile;

// [Network] Provider: "SMB" (also when absent), "Map" or "DNSSD", or several of them joined by
// "+" ("SMB+DNSSD") to be searched as one network; MapFile: the map of the map provider,
// relative to the application folder; SmbConf: an smb.conf for the SMB client (optional).
struct NetworkConfig
{
    enum class Kind
    {
        Smb,
        Map,
        DnsSd
    };
    std::vector<Kind> Providers{Kind::Smb}; // in the order written, each once
    QString MapFile;
    QString SmbConf;

    // False with the reason in `error` for a provider name that is not known.
    static bool Read(const IniFile &config, const QString &appDir, NetworkConfig &out,
                     QString *error);
};

// The provider the configuration names. A map that cannot be read gives a provider whose root
// cannot be opened (the search reports it), with the reason in `error`.
std::unique_ptr<NetworkEnum> OpenNetworkProvider(const NetworkConfig &config,
                                                 QString *error = nullptr);

} // namespace vesk
