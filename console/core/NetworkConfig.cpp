// Reading [Network] and opening its provider.
#include "NetworkConfig.h"

#include "CombinedNetwork.h"
#include "DnsSdNetwork.h"
#include "IniFile.h"
#include "MapNetwork.h"
#include "SmbNetwork.h"

#include <QDir>

#include <algorithm>

namespace vesk {

namespace {

QString FromAppDir(const QString &appDir, const QString &name)
{
    return name.isEmpty() || QDir::isAbsolutePath(name) ? name : QDir(appDir).filePath(name);
}

} // namespace

bool NetworkConfig::Read(const IniFile &config, const QString &appDir, NetworkConfig &out,
                         QString *error)
{
    const QString section = QStringLiteral("Network");
    const QString provider = config.readString(section, QStringLiteral("Provider"));
    out.Providers.clear();
    const QStringList names =
        provider.isEmpty() ? QStringList{QStringLiteral("SMB")} : provider.split(u'+');
    for (const QString &name : names) {
        const QString n = name.trimmed();
        Kind kind = Kind::Smb;
        if (n.compare(QStringLiteral("SMB"), Qt::CaseInsensitive) == 0) {
            kind = Kind::Smb;
        } else if (n.compare(QStringLiteral("Map"), Qt::CaseInsensitive) == 0) {
            kind = Kind::Map;
        } else if (n.compare(QStringLiteral("DNSSD"), Qt::CaseInsensitive) == 0) {
            kind = Kind::DnsSd;
        } else {
            if (error)
                *error = QStringLiteral("[Network] Provider=") + provider;
            return false;
        }
        if (std::find(out.Providers.begin(), out.Providers.end(), kind) == out.Providers.end())
            out.Providers.push_back(kind);
    }
    out.MapFile = FromAppDir(appDir, config.readString(section, QStringLiteral("MapFile")));
    out.SmbConf = FromAppDir(appDir, config.readString(section, QStringLiteral("SmbConf")));
    return true;
}

std::unique_ptr<NetworkEnum> OpenNetworkProvider(const NetworkConfig &config, QString *error)
{
    std::vector<std::unique_ptr<NetworkEnum>> parts;
    QStringList names;
    for (const NetworkConfig::Kind kind : config.Providers) {
        switch (kind) {
        case NetworkConfig::Kind::Map: {
            auto map = std::make_unique<MapNetwork>(MapNetwork::FromFile(config.MapFile, error));
            names << map->ProviderName();
            parts.push_back(std::move(map));
            break;
        }
        case NetworkConfig::Kind::DnsSd:
            names << QString::fromLatin1(DnsSdNetwork::ProviderName);
            parts.push_back(std::make_unique<DnsSdNetwork>());
            break;
        case NetworkConfig::Kind::Smb: {
            SmbSettings settings;
            settings.configFile = config.SmbConf;
            names << QString::fromLatin1(SmbNetwork::ProviderName);
            parts.push_back(std::make_unique<SmbNetwork>(settings));
            break;
        }
        }
    }
    if (parts.size() == 1)
        return std::move(parts.front());
    return std::make_unique<CombinedNetwork>(std::move(parts), names);
}

} // namespace vesk
