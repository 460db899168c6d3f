#pragma once

#include <cstdint>
#include <vector>

namespace signseek {

// The UDP ports a bridge probe is sent from, so that a firewall can let the
// bridges' unicast answers in: connection tracking does not pair an answer
// from a bridge's own address with a probe sent to the multicast group, so
// the answer port has to be open like the reply port. Each bridge run takes
// the first free one, which lets several runs (every adapter of "All
// adapters", two searches side by side) each have their own. Below the
// system's ephemeral ports, clear of the reply port.
inline constexpr std::uint16_t BRIDGE_PORT_FIRST = 3703;
inline constexpr std::uint16_t BRIDGE_PORT_LAST = 3718;

// The ports of the range in the order a run tries them, without the
// discovery port the probes go to (a discovery port moved into the range
// must not be taken by a run's own socket).
inline std::vector<std::uint16_t> BridgeSourcePorts(std::uint16_t discoveryPort)
{
    std::vector<std::uint16_t> ports;
    for (unsigned port = BRIDGE_PORT_FIRST; port <= BRIDGE_PORT_LAST; ++port)
        if (port != discoveryPort) ports.push_back(static_cast<std::uint16_t>(port));
    return ports;
}

}  // namespace signseek
