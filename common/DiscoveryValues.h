#pragma once

#include <cstdint>

namespace signseek {

// The discovery group's well-known port (WS-Discovery), the default
// discovery port of a search and the simulator's listening port.
inline constexpr std::uint16_t DEFAULT_DISCOVERY_PORT = 3702;
// Seconds a run listens for answers, and waits for the data of one.
inline constexpr std::int32_t DEFAULT_DISCOVERY_TIMEOUT = 8;
inline constexpr std::int32_t DEFAULT_RECEIVE_TIMEOUT = 1;
// Multicast time-to-live of the probes.
inline constexpr std::int32_t DEFAULT_DISCOVERY_TTL = 2;

// The four discovery settings as one value: what the settings file keeps,
// the settings dialog edits, the command line overrides and a run uses.
// Values are taken as given (a hand-edited file may hold any integer); the
// settings dialog and the command line hold theirs to SettingsRanges.h, and
// a run uses only the port's low 16 bits and timeouts of at least 1 s.
struct DiscoveryValues {
    std::int32_t discoveryTimeout = DEFAULT_DISCOVERY_TIMEOUT;  // seconds
    std::int32_t receiveTimeout = DEFAULT_RECEIVE_TIMEOUT;      // seconds
    std::int32_t discoveryPort = DEFAULT_DISCOVERY_PORT;
    std::int32_t ttl = DEFAULT_DISCOVERY_TTL;

    bool operator==(const DiscoveryValues&) const = default;
};

// A timeout as a discovery run may use it: at least one second.
inline std::int32_t UsableTimeout(std::int32_t seconds) { return seconds < 1 ? 1 : seconds; }

}  // namespace signseek
