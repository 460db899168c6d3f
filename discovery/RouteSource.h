#pragma once
// Which local address the routing table sends a datagram to a target from:
// the address a directed probe's answers must come back to.

#include <functional>
#include <string>

namespace signseek {

using RouteSourceFunction = std::function<std::string(const std::string& target)>;

// Connects a UDP socket to target (nothing is sent) and reads its local
// address; empty when there is no route.
std::string LocalAddressTowards(const std::string& target);

}  // namespace signseek
