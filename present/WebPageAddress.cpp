#include "present/WebPageAddress.h"

#include "present/DisplayRows.h"

#include <cstddef>

namespace signseek {

namespace {

constexpr std::string_view kScheme = "http://";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsDecimal(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits) return false;
    for (const char c : text) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

bool IsIpv4(std::string_view host)
{
    int parts = 0;
    while (true) {
        const std::size_t dot = host.find('.');
        const std::string_view octet = host.substr(0, dot);
        // No leading zeros: a browser may read them as octal.
        if (!IsDecimal(octet, 3) || (octet.size() > 1 && octet[0] == '0')) return false;
        if (std::stoi(std::string(octet)) > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        host.remove_prefix(dot + 1);
    }
    return parts == 4;
}

bool IsDnsLabel(std::string_view label)
{
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (const char c : label) {
        if (!IsLetter(c) && !IsDigit(c) && c != '-') return false;
    }
    return true;
}

bool IsDnsName(std::string_view host)
{
    if (host.empty() || host.size() > 253) return false;
    std::string_view lastLabel;
    while (true) {
        const std::size_t dot = host.find('.');
        lastLabel = host.substr(0, dot);
        if (!IsDnsLabel(lastLabel)) return false;
        if (dot == std::string_view::npos) break;
        host.remove_prefix(dot + 1);
    }
    // A browser reads a name ending in a number as an IPv4 address in some
    // other notation (such as "0x7f" or "1.2.3"); only real names pass.
    return IsLetter(lastLabel.front());
}

bool IsPort(std::string_view port)
{
    return IsDecimal(port, 5) && port[0] != '0' && std::stoi(std::string(port)) <= 65535;
}

// The host text with any port and path after it removed: "http://h:1/p" ->
// "http://h". A scheme in front of the host is kept.
std::string WithoutPortAndPath(const std::string& host)
{
    const std::size_t h = host.rfind(kScheme);
    const std::string rest = h == std::string::npos ? host : host.substr(h + kScheme.size());
    const std::size_t c = rest.rfind(':');
    const long long schemeAt = h == std::string::npos ? -1 : static_cast<long long>(h);
    if (c == std::string::npos || static_cast<long long>(c) <= schemeAt) return host;
    const std::string name = rest.substr(0, c);
    return host.substr(0, host.rfind(name) + name.size());
}

}  // namespace

bool IsSafeWebPageAddress(std::string_view address)
{
    if (!address.starts_with(kScheme)) return false;
    address.remove_prefix(kScheme.size());
    if (address.ends_with('/')) address.remove_suffix(1);
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view host = address.substr(0, colon);
    const std::string_view port = address.substr(colon + 1);
    return (IsIpv4(host) || IsDnsName(host)) && IsPort(port);
}

std::optional<std::string> BuildWebPageAddress(const DeviceRecord& record)
{
    std::string host = record.HasHomeScope() ? record.address : record.sourceAddress;
    const std::string port = GetManagementPort(record);

    std::string address;
    if (host.empty()) {
        // Known only from an announcement: its endpoint address is seldom a
        // URL, and whatever it is must pass the check below to be opened.
        address = record.address + ":" + port;
    } else {
        host = WithoutPortAndPath(host);
        if (host.find(kScheme) != std::string::npos)
            address = host + ":" + port + "/";
        else
            address = std::string(kScheme) + host + ":" + port + "/";
    }
    if (!IsSafeWebPageAddress(address)) return std::nullopt;
    return address;
}

}  // namespace signseek
