#pragma once
// A device's transport addresses (XAddrs) read as URLs, for code that needs
// the host a device lives on. The merge rules keep their own HostOfUrl and
// PortOfUrl (TextHelpers.h), whose results records and peers rely on.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace signseek {

struct TransportAddress {
    std::string scheme;  // lower case; empty for a bare host
    std::string host;    // lower case; an IPv6 literal without its brackets
    std::string port;    // digits, or empty
    std::string path;    // from the first '/', '?' or '#' on
};

// "scheme://[user@]host[:port][path]", or a bare "host[:port]" or "[v6]" as a
// merge leaves it. Nothing for text that names no host.
std::optional<TransportAddress> ParseTransportAddress(std::string_view text);

// The hosts of every address in a whitespace-separated XAddrs text, in order,
// each once.
std::vector<std::string> TransportHosts(std::string_view xAddrs);

}  // namespace signseek
