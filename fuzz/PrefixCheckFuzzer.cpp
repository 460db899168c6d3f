// The scan for undeclared prefixes runs over every received message's text.
#include "wire/PrefixCheck.h"

#include <cstdint>
#include <string_view>

using namespace signseek;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    volatile bool declared = wire::AllPrefixesDeclared({reinterpret_cast<const char*>(data), size});
    (void)declared;
    return 0;
}
