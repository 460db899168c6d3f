#pragma once
// The local address a simulated device's messages leave from. On loopback
// every device answers from its own address, the host of its XAddrs
// (127.0.0.21, ...), so a demo lists distinct addresses and web pages; on any
// other interface the devices answer from that interface's address, which is
// where a search behind a veth pair or a router expects them.

#include "sim/Device.h"

#include <string>

namespace signseek::sim {

// Empty when the interface address is not one IPv4 address (the kernel then
// chooses).
std::string AnswerSource(const Device& device, const std::string& interfaceAddress);

}  // namespace signseek::sim
