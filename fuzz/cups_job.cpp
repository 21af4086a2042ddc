// A CUPS answer read from bytes as the spooler receives it, then decoded into jobs and a printer.
#include "CupsAttributes.h"

#include <cstring>

namespace {

struct Input
{
    const std::uint8_t *data;
    std::size_t left;
};

ssize_t ReadInput(void *context, ipp_uchar_t *buffer, size_t bytes)
{
    auto *in = static_cast<Input *>(context);
    const std::size_t n = bytes < in->left ? bytes : in->left;
    std::memcpy(buffer, in->data, n);
    in->data += n;
    in->left -= n;
    return static_cast<ssize_t>(n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Input in{data, size};
    ipp_t *response = ippNew();
    ipp_state_t state;
    do
        state = ippReadIO(&in, ReadInput, 1, nullptr, response);
    while (state != IPP_STATE_DATA && state != IPP_STATE_ERROR && in.left > 0);
    (void)vesk::spooler::JobsFromResponse(response);
    (void)vesk::spooler::PrinterFromResponse(response, "printsrv");
    ippDelete(response);
    return 0;
}
