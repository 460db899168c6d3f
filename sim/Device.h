#pragma once
// One simulated device: what it announces and how it answers.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace signseek::sim {

// Which probes a device answers, by where the answer would go.
enum class AnswerMode {
    Auto,      // HTTP POST to the probe's ReplyTo, else a datagram to the probe's source
    HttpOnly,  // only probes that name a ReplyTo
    UdpOnly,   // only probes without ReplyTo
};

// A device that comes and goes: absent for the first afterMs, then present
// for stayMs; with awayMs it is absent that long and comes again, for ever.
struct Schedule {
    int afterMs = 0;
    int stayMs = 0;
    std::optional<int> awayMs;  // else it leaves once and stays away
};

struct Device {
    std::string address;  // EndpointReference Address
    std::string types;    // space-separated QNames
    std::string scopes;   // space-separated URIs
    std::string xAddrs;
    std::uint32_t metadataVersion = 1;
    // Extension elements in order: element name, text. Texts are 8-bit
    // Latin-1 like everything the wire layer writes.
    std::vector<std::pair<std::string, std::string>> extensions;
    AnswerMode answer = AnswerMode::Auto;
    bool hello = false;                // a Hello goes out before each answer
    std::optional<int> maxDelayMs;     // else the simulator's default
    std::optional<Schedule> schedule;  // else present from start to stop
};

// The extension element names a scenario may use.
bool IsKnownExtension(const std::string& name);

}  // namespace signseek::sim