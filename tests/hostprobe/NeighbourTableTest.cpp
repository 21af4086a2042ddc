// Neighbour table lookups: complete entries only, exact address match.
#include "NeighbourTable.h"

#include "MacProbe.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace vesk;

namespace {

const char Table[] =
    "IP address       HW type     Flags       HW address            Mask     Device\n"
    "10.0.0.5         0x1         0x0         00:00:00:00:00:00     *        eth0\n"
    "10.0.0.6         0x1         0x2         0a:1b:2c:3d:4e:5f     *        eth0\n"
    "10.0.0.60        0x1         0x2         11:22:33:44:55:66     *        eth0\n"
    "10.0.0.7         0x1         0x6         aa:bb:cc:dd:ee:0c     *        eth1\n"
    "10.0.0.8         0x1         0x2         zz:bb:cc:dd:ee:ff     *        eth0\n"
    "10.0.0.9         0x1         0x2         00:00:00:00:00:00     *        eth0\n"
    "10.0.0.10        0x1         0x0         00:00:00:00:00:00     *        eth0\n"
    "10.0.0.10        0x1         0x2         02:00:00:00:00:0a     *        eth1\n"
    "10.0.0.11        0x1\n"
    "10.0.0.12        0x1         0x2         02:00:00:00:00:0c";

std::string Mac(const std::optional<MacAddress> &mac)
{
    return mac ? MacText(*mac) : "none";
}

} // namespace

TEST(NeighbourTable, CompleteEntriesOnly)
{
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.6")), "0A-1B-2C-3D-4E-5F");
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.7")), "AA-BB-CC-DD-EE-0C");
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.5")), "none"); // incomplete
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.9")), "none"); // zeros
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.10")), "02-00-00-00-00-0A");
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.12")), "02-00-00-00-00-0C"); // no newline
}

TEST(NeighbourTable, AddressesMatchExactlyAndBadLinesAreIgnored)
{
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.60")), "11-22-33-44-55-66");
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.1")), "none");
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.8")), "none");
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "10.0.0.11")), "none");
    EXPECT_EQ(Mac(ParseNeighbourTable(Table, "IP")), "none");
    EXPECT_EQ(Mac(ParseNeighbourTable("", "10.0.0.6")), "none");
}

TEST(NeighbourTable, ReadsTheTableFile)
{
    char path[] = "/tmp/vesk-neighbours-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << Table;
    EXPECT_EQ(Mac(NeighbourMac(inet_addr("10.0.0.6"), path)), "0A-1B-2C-3D-4E-5F");
    std::remove(path);
    EXPECT_EQ(Mac(NeighbourMac(inet_addr("10.0.0.6"), path)), "none");
}
