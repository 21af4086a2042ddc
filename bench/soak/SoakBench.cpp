// The long soak: three private cupsd with a real agent each and the vesk command, all on one
// private PostgreSQL server restarted in the middle; prints jobs, duration, lost and doubled.
#include "SoakRun.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto arg = [&](int i, int fallback) {
        return args.size() > i ? args.at(i).toInt() : fallback;
    };
    vesk::test::SoakPlan plan;
    plan.printMs = arg(1, 600) * 1000;
    plan.paceMs = arg(2, 500);
    plan.saveEveryMs = arg(3, 60) * 1000;
    plan.downMs = arg(4, 20) * 1000;
    std::printf("%d servers, printing %d s, a round every %d ms, saves every %d s, database down "
                "%d s in the middle\n",
                plan.servers, plan.printMs / 1000, plan.paceMs, plan.saveEveryMs / 1000,
                plan.downMs / 1000);
    const vesk::test::SoakFigures f = vesk::test::runSoak(plan);
    if (f.failed) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(f.error));
        return 2;
    }
    std::printf("| jobs | stored once | lost | doubled | wrong printer/user | failed saves | "
                "console reads (refused) | seconds |\n");
    std::printf("| %d | %d | %d | %d | %d | %d | %d (%d) | %.0f |\n", f.jobs, f.stored, f.lost,
                f.doubled, f.wrong, f.failedSaves, f.consoleReads, f.consoleRefused, f.seconds);
    return f.lost == 0 && f.doubled == 0 && f.wrong == 0 ? 0 : 1;
}
