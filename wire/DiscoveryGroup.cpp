#include "wire/DiscoveryGroup.h"

#include "wire/ErrorTable.h"
#include "wire/Transport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace signseek::wire {

std::string ListenToDiscoveryGroup(soap* ctx, const std::string& interfaceAddress, int port)
{
    in_addr iface{};
    if (inet_pton(AF_INET, interfaceAddress.c_str(), &iface) != 1)
        return "interface address \"" + interfaceAddress + "\" is not a dotted IPv4 address";
    // Bound to the group address: only what is multicast to the group arrives.
    if (!soap_valid_socket(Bind(ctx, kDiscoveryGroup, port, 1))) {
        FaultDescription f = DescribeError(ctx);
        return "cannot bind the discovery group at port " + std::to_string(port) + ": " + f.detail + ": " + f.reason;
    }
    // Bound to the group address, Bind could only try the interface the route
    // points to (none on a network without a default route). The membership
    // that counts is this one, on the chosen interface; already joined there
    // is fine.
    ip_mreq group{};
    group.imr_multiaddr.s_addr = inet_addr(kDiscoveryGroup);
    group.imr_interface = iface;
    if (setsockopt(ctx->master, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) && errno != EADDRINUSE)
        return "cannot join the discovery group on " + interfaceAddress + ": " + std::strerror(errno);
    return {};
}

}  // namespace signseek::wire
