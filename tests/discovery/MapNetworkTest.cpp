// The network map: the README's example, and maps that cannot be read.
#include "MapNetwork.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

// Every record below `remote` (or the root), as remote names.
QStringList Below(MapNetwork &map, int type, const NetResource *resource)
{
    QStringList names;
    auto e = map.OpenEnum(RESOURCE_GLOBALNET, type, RESOURCEUSAGE_ALL, resource);
    if (!e)
        return {QStringLiteral("<cannot open>")};
    std::vector<NetResource> records;
    while (e->Read(1, records)) {
    }
    for (const NetResource &r : records)
        names << r.lpRemoteName;
    return names;
}

NetResource Named(const QString &remote)
{
    NetResource r;
    r.lpRemoteName = remote;
    return r;
}

} // namespace

TEST(MapNetwork, ListsTheReadmeExample)
{
    MapNetwork map = MapNetwork::FromText(
        QStringLiteral("network = Head office          # the name of the tree's root\n"
                       "[OFFICE]                       # a workgroup or domain\n"
                       "PC-ONE = laser1, laser2        # a computer and its printer shares\n"
                       "PC-TWO\n"
                       "; a comment\n"
                       "[LAB] unreachable\n"
                       "PC-NINE = ! unreachable\n"));
    const QStringList root = Below(map, RESOURCETYPE_ANY, nullptr);
    ASSERT_EQ(root, QStringList{"Head office"});
    NetResource provider = Named("Head office");
    provider.dwDisplayType = RESOURCEDISPLAYTYPE_NETWORK;
    EXPECT_EQ(Below(map, RESOURCETYPE_ANY, &provider), QStringList({"OFFICE", "LAB"}));
    const NetResource office = Named("office"), lab = Named("LAB"), one = Named("\\\\pc-one"),
                      nine = Named("\\\\PC-NINE"), share = Named("\\\\PC-ONE\\laser1");
    EXPECT_EQ(Below(map, RESOURCETYPE_ANY, &office), QStringList({"\\\\PC-ONE", "\\\\PC-TWO"}));
    EXPECT_EQ(Below(map, RESOURCETYPE_ANY, &lab), QStringList{"<cannot open>"});
    EXPECT_EQ(Below(map, RESOURCETYPE_PRINT, &one),
              QStringList({"\\\\PC-ONE\\laser1", "\\\\PC-ONE\\laser2"}));
    EXPECT_EQ(Below(map, RESOURCETYPE_PRINT, &nine), QStringList{"<cannot open>"});
    EXPECT_EQ(Below(map, RESOURCETYPE_PRINT, &share), QStringList{"<cannot open>"});
}

TEST(MapNetwork, RefusesWhatItCannotRead)
{
    const char *cases[] = {"[OFFICE", "[OFFICE] later", "PC-ONE\n", "network =\n",
                           "[A]\n\\\\PC = x\n"};
    for (const char *text : cases) {
        QString error;
        MapNetwork map = MapNetwork::FromText(QString::fromLatin1(text), &error);
        EXPECT_FALSE(error.isEmpty()) << text;
        EXPECT_EQ(
            map.OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER, nullptr),
            nullptr)
            << text;
    }
    QString error;
    MapNetwork::FromFile(QStringLiteral("/nonexistent/network.map"), &error);
    EXPECT_FALSE(error.isEmpty());
}
