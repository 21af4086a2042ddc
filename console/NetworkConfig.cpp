// Reading [Network] and opening its provider.
#include "NetworkConfig.h"

#include "IniFile.h"
#include "MapNetwork.h"
#include "SmbNetwork.h"

#include <QDir>

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
    if (provider.isEmpty() || provider.compare(QStringLiteral("SMB"), Qt::CaseInsensitive) == 0) {
        out.Provider = Kind::Smb;
    } else if (provider.compare(QStringLiteral("Map"), Qt::CaseInsensitive) == 0) {
        out.Provider = Kind::Map;
    } else {
        if (error)
            *error = QStringLiteral("[Network] Provider=") + provider;
        return false;
    }
    out.MapFile = FromAppDir(appDir, config.readString(section, QStringLiteral("MapFile")));
    out.SmbConf = FromAppDir(appDir, config.readString(section, QStringLiteral("SmbConf")));
    return true;
}

std::unique_ptr<NetworkEnum> OpenNetworkProvider(const NetworkConfig &config, QString *error)
{
    if (config.Provider == NetworkConfig::Kind::Map)
        return std::make_unique<MapNetwork>(MapNetwork::FromFile(config.MapFile, error));
    SmbSettings settings;
    settings.configFile = config.SmbConf;
    return std::make_unique<SmbNetwork>(settings);
}

} // namespace vesk
