#pragma once
// Where and how the simulator listens and answers. Its own header, so the
// command line can carry it without the wire format's headers.

#include "common/DiscoveryValues.h"

#include <string>

namespace signseek::sim {

struct SimOptions {
    std::string interfaceAddress = "127.0.0.1";
    int port = DEFAULT_DISCOVERY_PORT;
    int maxDelayMs = 500;  // as WS-Discovery devices wait before answering
    int workers = 8;
    bool announce = true;  // Hello as a device comes (at start too), Bye as it goes (at stop too)
};

}  // namespace signseek::sim