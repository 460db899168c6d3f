// The HTTP listener: request line, header fields (Content-Length, chunked,
// Expect, the action), then the envelope of the body.
#include "fuzz/FuzzSupport.h"

using namespace signseek;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ServeInput(wire::TransportMode::Tcp, data, size);
    return 0;
}
