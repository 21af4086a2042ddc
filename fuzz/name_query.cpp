// The name query answer as it comes off the network, under the id it carries, for the name the
// corpus asks (PC-ACCOUNTS<00>) and for the first byte's choice of suffix.
#include "NameQuery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const std::uint8_t> packet(data, size);
    const std::uint16_t id = size >= 2 ? static_cast<std::uint16_t>(data[0] << 8 | data[1]) : 0;
    const std::uint8_t suffix = size >= 3 ? data[2] & 0x20 : 0;
    (void)vesk::ParseNameQueryResponse(packet, id, vesk::QueryName("pc-accounts", suffix));
    return 0;
}
