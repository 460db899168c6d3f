#include "common/TransportAddress.h"

#include "common/TextHelpers.h"

#include <algorithm>

namespace signseek {

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool AllDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ValidPort(std::string_view port)
{
    return port.empty() || (port.size() <= 5 && AllDigits(port) && std::stoi(std::string(port)) <= 65535);
}

}  // namespace

std::optional<TransportAddress> ParseTransportAddress(std::string_view text)
{
    TransportAddress out;
    std::string_view rest = text;
    if (const std::size_t at = text.find("://"); at != std::string_view::npos) {
        out.scheme = Lower(text.substr(0, at));
        rest = text.substr(at + 3);
    }
    const std::size_t pathAt = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, pathAt);
    if (pathAt != std::string_view::npos) out.path = std::string(rest.substr(pathAt));
    if (const std::size_t user = authority.rfind('@'); user != std::string_view::npos)
        authority.remove_prefix(user + 1);

    std::string_view host = authority;
    std::string_view port;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = authority.substr(1, close - 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return std::nullopt;
            port = after.substr(1);
        }
    } else if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
        if (authority.find(':', colon + 1) != std::string_view::npos) {
            // Several colons without brackets: only a bare IPv6 address reads so.
            if (!out.scheme.empty()) return std::nullopt;
        } else {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
        }
    }
    if (host.empty() || !ValidPort(port)) return std::nullopt;
    out.host = Lower(host);
    out.port = std::string(port);
    return out;
}

std::vector<std::string> TransportHosts(std::string_view xAddrs)
{
    std::vector<std::string> hosts;
    for (const std::string& piece : SplitString(xAddrs, WHITESPACE_DELIMITERS)) {
        auto address = ParseTransportAddress(piece);
        if (address && std::find(hosts.begin(), hosts.end(), address->host) == hosts.end())
            hosts.push_back(address->host);
    }
    return hosts;
}

}  // namespace signseek
