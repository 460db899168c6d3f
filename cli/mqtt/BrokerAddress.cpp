#include "cli/mqtt/BrokerAddress.h"

#include <charconv>

namespace signseek {

namespace {

constexpr std::size_t kMaxLevel = 128;

// %XX escapes in the user and password, as in any URL.
std::optional<std::string> Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size()) return std::nullopt;
        auto [end, ec] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
        if (ec != std::errc() || end != text.data() + i + 3) return std::nullopt;
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

}  // namespace

bool IsSafeTopicLevel(const std::string& level)
{
    if (level.empty() || level.size() > kMaxLevel || level.front() == '$') return false;
    for (char c : level) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '+' || c == '#' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

std::string BrokerAddress::Where() const { return host + ":" + std::to_string(port); }

ParsedBrokerAddress ParseBrokerAddress(const std::string& text)
{
    BrokerAddress address;
    std::string rest;
    if (text.starts_with("mqtt://")) {
        rest = text.substr(7);
    } else if (text.starts_with("mqtts://")) {
        address.tls = true;
        rest = text.substr(8);
    } else {
        return {std::nullopt, "a broker address starts with mqtt:// or mqtts://"};
    }
    const std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    address.path = slash == std::string::npos ? "" : rest.substr(slash + 1);

    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
        const std::string credentials = authority.substr(0, at);
        authority = authority.substr(at + 1);
        const std::size_t colon = credentials.find(':');
        auto user = Unescape(credentials.substr(0, colon));
        auto password = Unescape(colon == std::string::npos ? "" : credentials.substr(colon + 1));
        if (!user || !password || user->empty()) return {std::nullopt, "the broker address has a malformed user"};
        address.user = *user;
        address.password = *password;
    }
    address.port = address.tls ? 8883 : 1883;
    std::string host = authority;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) return {std::nullopt, "the broker address has a malformed host"};
        host = authority.substr(1, close - 1);
        authority = authority.substr(close + 1);
        if (!authority.empty() && authority.front() != ':')
            return {std::nullopt, "the broker address has a malformed host"};
    } else if (const std::size_t colon = authority.find(':'); colon != std::string::npos) {
        host = authority.substr(0, colon);
        authority = authority.substr(colon);
    } else {
        authority.clear();
    }
    if (!authority.empty()) {
        const std::string port = authority.substr(1);
        int value = 0;
        auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            return {std::nullopt, "the broker port must be between 1 and 65535"};
        address.port = value;
    }
    if (host.empty()) return {std::nullopt, "the broker address names no host"};
    address.host = host;

    if (address.path.empty()) return {std::nullopt, "the broker address names no topic prefix (mqtt://host/PREFIX)"};
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = address.path.find('/', start);
        if (!IsSafeTopicLevel(address.path.substr(start, end - start)))
            return {std::nullopt, "the topic prefix \"" + address.path +
                                      "\" has an empty level, a wildcard, a control character or a leading $"};
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {address, ""};
}

}  // namespace signseek
