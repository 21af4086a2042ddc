// MapNetwork: parsing the map and answering enumerations from it.
#include "MapNetwork.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace vesk {

namespace {

const QString Unreachable = QStringLiteral("unreachable");

bool Fail(QString *error, int line, const QString &text)
{
    if (error)
        *error = QStringLiteral("line %1: %2").arg(line).arg(text);
    return false;
}

} // namespace

MapNetwork MapNetwork::FromFile(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return MapNetwork();
    }
    return FromText(QString::fromUtf8(file.readAll()), error);
}

MapNetwork MapNetwork::FromText(const QString &text, QString *error)
{
    MapNetwork map;
    int number = 0;
    for (const QString &raw : text.split(u'\n')) {
        ++number;
        // A '#' after a blank starts a comment to the end of the line.
        static const QRegularExpression comment(QStringLiteral("\\s#.*$"));
        const QString line = QString(raw).remove(comment).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString rest = close < 0 ? QString() : line.mid(close + 1).trimmed();
            if (close < 2 ||
                !(rest.isEmpty() || rest.compare(Unreachable, Qt::CaseInsensitive) == 0)) {
                Fail(error, number, raw);
                return MapNetwork();
            }
            map.groups_.push_back({line.mid(1, close - 1).trimmed(), {}, rest.isEmpty()});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const QString key = (equals < 0 ? line : line.left(equals)).trimmed();
        const QString value = equals < 0 ? QString() : line.mid(equals + 1).trimmed();
        if (map.groups_.empty()) {
            if (key.compare(QStringLiteral("network"), Qt::CaseInsensitive) != 0 ||
                value.isEmpty()) {
                Fail(error, number, raw);
                return MapNetwork();
            }
            map.provider_ = value;
            continue;
        }
        Computer computer{key, {}, true};
        if (value.startsWith(u'!')) {
            computer.reachable = false;
        } else {
            for (const QString &share : value.split(u',', Qt::SkipEmptyParts)) {
                if (!share.trimmed().isEmpty())
                    computer.printers << share.trimmed();
            }
        }
        if (key.isEmpty() || key.contains(u'\\')) {
            Fail(error, number, raw);
            return MapNetwork();
        }
        map.groups_.back().computers.push_back(std::move(computer));
    }
    map.valid_ = true;
    return map;
}

MapNetwork MapNetwork::FromGroups(const QString &provider, std::vector<Group> groups)
{
    MapNetwork map;
    map.provider_ = provider;
    map.groups_ = std::move(groups);
    map.valid_ = true;
    return map;
}

std::unique_ptr<NetEnumeration> MapNetwork::OpenEnum(int scope, int type, int usage,
                                                     const NetResource *resource)
{
    Q_UNUSED(usage);
    if (!valid_ || scope != RESOURCE_GLOBALNET)
        return nullptr;
    std::vector<NetResource> records;
    auto record = [this](int displayType, int usage, const QString &remote, int type) {
        NetResource r;
        r.dwType = type;
        r.dwDisplayType = displayType;
        r.dwUsage = usage;
        r.lpRemoteName = remote;
        r.lpProvider = provider_;
        return r;
    };
    switch (LevelOf(resource)) {
    case NetLevel::Root:
        records.push_back(record(RESOURCEDISPLAYTYPE_NETWORK, RESOURCEUSAGE_CONTAINER, provider_,
                                 RESOURCETYPE_ANY));
        break;
    case NetLevel::Provider:
        for (const Group &g : groups_)
            records.push_back(record(RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER, g.name,
                                     RESOURCETYPE_ANY));
        break;
    case NetLevel::Group: {
        const auto g = std::find_if(groups_.begin(), groups_.end(), [&](const Group &g) {
            return g.name.compare(resource->lpRemoteName, Qt::CaseInsensitive) == 0;
        });
        if (g == groups_.end() || !g->reachable)
            return nullptr;
        for (const Computer &c : g->computers)
            records.push_back(record(RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER,
                                     QStringLiteral("\\\\") + c.name, RESOURCETYPE_ANY));
        break;
    }
    case NetLevel::Computer: {
        const QString name = ComputerOf(resource->lpRemoteName);
        const Computer *found = nullptr;
        for (const Group &g : groups_) {
            for (const Computer &c : g.computers) {
                if (!found && c.name.compare(name, Qt::CaseInsensitive) == 0)
                    found = &c;
            }
        }
        if (found == nullptr || !found->reachable)
            return nullptr;
        if (type == RESOURCETYPE_DISK)
            break; // the map lists printers only
        for (const QString &share : found->printers)
            records.push_back(record(RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE,
                                     QStringLiteral("\\\\") + found->name + u'\\' + share,
                                     RESOURCETYPE_PRINT));
        break;
    }
    case NetLevel::Share:
        return nullptr; // a share holds nothing
    }
    return std::make_unique<ListedEnumeration>(std::move(records));
}

} // namespace vesk
