// The host probe both programs use, over the real libVesk.so: names as the spooler gives them.
#include "HostProbe.h"

#include <gtest/gtest.h>

using namespace vesk;

TEST(HostProbe, TheLibraryProbeLeavesTheBackslashesUpperCasesInPlaceAndAnswersThePlatform)
{
    LibVeskProbe probe;
    std::string name = "\\\\localhost";
    EXPECT_EQ(probe.IpOf(name), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(name, "\\\\LOCALHOST");
    EXPECT_TRUE(probe.PlatformTest());
}
