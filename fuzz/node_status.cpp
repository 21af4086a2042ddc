// The node status answer as it comes off the network: any bytes, under the id they carry.
#include "NodeStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const std::uint8_t> packet(data, size);
    const std::uint16_t id = size >= 2 ? static_cast<std::uint16_t>(data[0] << 8 | data[1]) : 0;
    if (const auto answer = vesk::ParseNodeStatusResponse(packet, id)) {
        volatile std::uint8_t sink = answer->unitId[5];
        for (const auto &name : answer->names)
            sink = name[15];
        (void)sink;
    }
    return 0;
}
