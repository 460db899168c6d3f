#pragma once
// The messages a device sends: ProbeMatches in answer to a probe, Hello when
// it comes and Bye when it goes. Each goes out on a context of its own, by
// HTTP POST or as one datagram.

#include "sim/Device.h"
#include "sim/SimLog.h"

#include <cstdint>
#include <string>

namespace signseek::sim {

enum class MessageKind { ProbeMatches, Hello, Bye };

struct Destination {
    // "http://host:port/path" or "soap.udp://host:port"
    std::string endpoint;
    // For a group address: the interface the datagram leaves by.
    std::string multicastInterface;
    // The local address the message leaves from; empty: the kernel's choice.
    std::string source;
    bool http() const { return endpoint.rfind("http://", 0) == 0; }
};

// The discovery group at `port`, left by the given interface: where Hello and
// Bye are announced.
Destination GroupDestination(int port, const std::string& interfaceAddress);

// Where the answer to a probe goes: its ReplyTo when that names an http or
// soap.udp address, else the probe's source. Empty when there is none.
Destination AnswerDestination(const std::string& replyTo, const std::string& sourceHost, int sourcePort);

struct Sequence {
    std::uint32_t instanceId = 0;
    std::uint32_t messageNumber = 0;
};

// Sends one message and reports what happened, the HTTP status line of the
// receiver's answer included (waited for at most `statusWaitMillis`).
AnswerSent SendDeviceMessage(MessageKind kind, const Device& device, const Destination& to,
                             const std::string& relatesTo, Sequence sequence, int statusWaitMillis = 2000);

}  // namespace signseek::sim