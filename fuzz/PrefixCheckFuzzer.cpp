// The scan for undeclared prefixes runs over every received message's text
// the filter could not follow; the filter's own finding, as the bytes arrive
// in pieces, must be the scan's wherever it gives one. The first byte sets
// the size of the pieces and whether an HTTP header comes first.
#include "wire/PrefixCheck.h"
#include "wire/ReceivedText.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

using namespace signseek;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t piece = (data[0] & 0x7f) + 1;
    const bool http = (data[0] & 0x80) != 0;
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1), xml;
    bool tooLong = false;
    wire::ReceivedTextFilter filter;
    filter.Reset(http);
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        filter.Feed(bytes.data() + at, std::min(piece, bytes.size() - at), xml, bytes.size(), tooLong);
    const bool declared = wire::AllPrefixesDeclared(xml);
    const wire::PrefixScopes::Finding found = filter.Prefixes();
    if (found != wire::PrefixScopes::Finding::Unknown &&
        (found == wire::PrefixScopes::Finding::AllDeclared) != declared)
        __builtin_trap();
    return 0;
}
