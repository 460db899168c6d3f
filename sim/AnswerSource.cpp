#include "sim/AnswerSource.h"

#include "common/TransportAddress.h"

#include <arpa/inet.h>

namespace signseek::sim {

namespace {

// The address in host order, when text is one IPv4 address.
bool Ipv4(const std::string& text, std::uint32_t& address)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
    address = ntohl(parsed.s_addr);
    return true;
}

bool Loopback(std::uint32_t address) { return (address >> 24) == 127; }

}  // namespace

std::string AnswerSource(const Device& device, const std::string& interfaceAddress)
{
    std::uint32_t local = 0;
    if (!Ipv4(interfaceAddress, local) || local == INADDR_ANY) return {};
    if (!Loopback(local)) return interfaceAddress;
    for (const std::string& host : TransportHosts(device.xAddrs)) {
        std::uint32_t own = 0;
        if (Ipv4(host, own) && Loopback(own)) return host;
    }
    return interfaceAddress;
}

}  // namespace signseek::sim
