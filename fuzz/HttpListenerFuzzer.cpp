// The HTTP listener's whole path for one connection: the bytes arrive in
// pieces, the framer collects the request within the body and header limits
// (or refuses it), the crowded-XML screen looks at it, and what is left is
// parsed and handled as the discovery engine would.
#include "fuzz/FuzzSupport.h"

using namespace signseek;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ServeConnectionInput(data, size);
    return 0;
}
