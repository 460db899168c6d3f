#pragma once
// One simulated device: what it announces and how it answers.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// Which probes a device answers, by where the answer would go.
enum class AnswerMode {
    Auto,      // HTTP POST to the probe's ReplyTo, else a datagram to the probe's source
    HttpOnly,  // only probes that name a ReplyTo
    UdpOnly,   // only probes without ReplyTo
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
    bool hello = false;                       // a Hello goes out before each answer
    std::optional<int> maxDelayMs;            // else the simulator's default
};

// The extension element names a scenario may use.
bool IsKnownExtension(const std::string &name);

}  // namespace sim
