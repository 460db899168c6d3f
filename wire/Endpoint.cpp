#include "wire/Endpoint.h"

namespace signseek::wire {
namespace {

constexpr std::size_t kMaxPart = 1023;

}  // namespace

Endpoint ParseEndpoint(std::string_view text)
{
    Endpoint e;
    e.udp = text.substr(0, 9) == "soap.udp:";
    std::string_view rest = text;
    std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.substr(colon + 1, 2) == "//") rest = text.substr(colon + 3);

    std::size_t hostEnd = rest.find_first_of("/:");
    e.host = std::string(rest.substr(0, std::min(hostEnd, kMaxPart)));
    if (hostEnd == std::string_view::npos) return e;
    rest = rest.substr(hostEnd);
    if (rest.front() == ':') {
        long port = 0;
        std::size_t i = 1;
        while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && port < 65536)
            port = port * 10 + (rest[i++] - '0');
        e.port = static_cast<int>(port);
        std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return e;
        rest = rest.substr(slash);
    }
    e.path = std::string(rest.substr(0, kMaxPart));
    return e;
}

std::vector<std::string> SplitEndpoints(std::string_view text)
{
    std::vector<std::string> result;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        std::size_t end = text.find(' ', i);
        if (end == std::string_view::npos) end = text.size();
        if (end > i) result.emplace_back(text.substr(i, end - i));
        i = end;
    }
    return result;
}

}  // namespace signseek::wire