// Helpers shared by the network providers.
#include "NetworkEnum.h"

#include <algorithm>

namespace vesk {

bool ListedEnumeration::Read(std::size_t count, std::vector<NetResource> &records)
{
    if (next_ >= records_.size() || count == 0)
        return false;
    const std::size_t end = std::min(records_.size(), next_ + count);
    records.insert(records.end(), records_.begin() + static_cast<std::ptrdiff_t>(next_),
                   records_.begin() + static_cast<std::ptrdiff_t>(end));
    next_ = end;
    return true;
}

NetLevel LevelOf(const NetResource *resource)
{
    if (resource == nullptr)
        return NetLevel::Root;
    if (resource->dwDisplayType == RESOURCEDISPLAYTYPE_NETWORK)
        return NetLevel::Provider;
    const QString &name = resource->lpRemoteName;
    if (!name.startsWith(QStringLiteral("\\\\")))
        return NetLevel::Group;
    return name.indexOf(u'\\', 2) < 0 ? NetLevel::Computer : NetLevel::Share;
}

QString ComputerOf(const QString &remoteName)
{
    QString rest = remoteName.startsWith(QStringLiteral("\\\\")) ? remoteName.mid(2) : remoteName;
    const qsizetype slash = rest.indexOf(u'\\');
    return slash < 0 ? rest : rest.left(slash);
}

} // namespace vesk
