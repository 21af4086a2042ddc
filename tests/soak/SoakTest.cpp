// Three print servers on one PostgreSQL database, the server restarted in the middle: every job
// stored once, with its printer and user.
#include "Skip.h"
#include "SoakRun.h"

#include <gtest/gtest.h>

namespace vesk::test {

TEST(Soak, ThreeServersOnePostgresRestartedInTheMiddleStoreEveryJobOnce)
{
    if (!QFile::exists(QStringLiteral("/usr/sbin/cupsd")))
        VESK_SKIP() << "cupsd is not installed";
    SoakPlan plan;
    plan.printMs = 12000;
    plan.paceMs = 400;
    const SoakFigures f = runSoak(plan);
    ASSERT_FALSE(f.failed) << f.error.toStdString();
    EXPECT_GT(f.jobs, 0);
    EXPECT_EQ(f.lost, 0);
    EXPECT_EQ(f.doubled, 0);
    EXPECT_EQ(f.wrong, 0);
    EXPECT_EQ(f.stored, f.jobs);
    EXPECT_GE(f.failedSaves, 1); // the first agent met the stopped server
    EXPECT_GT(f.consoleReads, 0);
}

} // namespace vesk::test
