// Calls one export of libVesk.so, for tests that run the probe inside a network namespace.
// Usage: hostprobe-cli LIBRARY EXPORT ARGUMENT
//        hostprobe-cli --unit-id NAME   (the unit id a node status answer carries)
// Prints "result=<text>" and "argument=<argument as the export left it>".
#include "HostResolver.h"
#include "MacProbe.h"
#include "NetBiosExchange.h"
#include "VeskLibrary.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    using namespace std::chrono_literals;
    if (argc == 3 && std::string(argv[1]) == "--unit-id") {
        const auto address = vesk::ResolveIpv4(argv[2]);
        const auto answer = address ? vesk::AskNodeStatus(*address, vesk::NetBiosPort,
                                                          vesk::NodeStatusCallName(argv[2]),
                                                          {vesk::ProbeClock::now() + 1500ms, 500ms})
                                    : std::nullopt;
        std::printf("unit-id=%s\n", answer ? vesk::MacText(answer->unitId).c_str() : "");
        return answer ? 0 : 1;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LIBRARY EXPORT ARGUMENT | --unit-id NAME\n", argv[0]);
        return 2;
    }
    const vesk::test::VeskLibrary library(argv[1]);
    if (!library.error().empty()) {
        std::fprintf(stderr, "%s\n", library.error().c_str());
        return 2;
    }
    std::string after;
    const std::string result = library.call(argv[2], argv[3], &after);
    std::printf("result=%s\nargument=%s\n", result.c_str(), after.c_str());
    return 0;
}
