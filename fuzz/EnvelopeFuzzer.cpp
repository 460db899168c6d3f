// The envelope decoder as a UDP listener meets it: every datagram is one
// message, from the envelope down to the vendor extension elements.
#include "fuzz/FuzzSupport.h"

using namespace signseek;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ServeInput(wire::TransportMode::Udp, data, size);
    return 0;
}
