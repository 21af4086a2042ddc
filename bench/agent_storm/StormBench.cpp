// A long SIGKILL storm: jobs printed with lp at a steady pace on a private cupsd while the real
// agent is killed at random moments and started again at once; prints jobs, kills, lost, doubled.
#include "AgentProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto arg = [&](int i, int fallback) {
        return args.size() > i ? args.at(i).toInt() : fallback;
    };
    vesk::test::StormPlan plan;
    plan.jobs = arg(1, 300);
    plan.paceMs = arg(2, 500);
    plan.killMinMs = arg(3, 1000);
    plan.killMaxMs = arg(4, 6000);
    plan.seed = static_cast<unsigned>(arg(5, 2027));
    std::printf("jobs %d, one every %d ms, kills every %d-%d ms, seed %u\n", plan.jobs, plan.paceMs,
                plan.killMinMs, plan.killMaxMs, plan.seed);
    QElapsedTimer clock;
    clock.start();
    const vesk::test::StormFigures f = vesk::test::runStorm(plan);
    if (f.failed) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(f.error));
        return 2;
    }
    std::printf("| jobs | kills | stored | lost | doubled | seconds |\n");
    std::printf("| %d | %d | %d | %d | %d | %.0f |\n", f.jobs, f.kills, f.stored, f.lost, f.doubled,
                clock.elapsed() / 1000.0);
    return f.lost == 0 && f.doubled == 0 ? 0 : 1;
}
