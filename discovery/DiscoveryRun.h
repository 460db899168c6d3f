#pragma once
// The two discovery runs of a search. Each is one blocking call that owns
// its Match: it sends the run's probes, listens for the configured time and
// returns the devices it collected, in the order they were first accepted.

#include "common/DiscoveryValues.h"
#include "common/VendorConstants.h"
#include "discovery/DeviceRecord.h"
#include "discovery/RunObserver.h"

#include <cstdint>
#include <memory>
#include <string>

struct DiscoveryRequest {
    std::uint16_t listenPort = REPLY_PORT;   // HTTP reply port (the bridge run's fallback)
    DiscoveryValues values;                  // timeouts below 1 s count as 1 s; the
                                             // port's low 16 bits name the group's port
    const char* probeScopes = VENDOR_URI_ROOT;
    const char* probeTypes = "";
    unsigned int* pCount = nullptr;          // receives the number of records on success
    std::string interfaceAddress;            // dotted IPv4 of the chosen adapter; may be empty
    std::string* pFailure = nullptr;         // receives why the run could not do its work (one line)
    RunObserver* pObserver = nullptr;        // told of each probe and answer; may be null
    bool* pLimitReached = nullptr;           // on success: whether devices were left out at the
                                             // run's record limit (optional)
};

// A run ends at the latest 2 x discoveryTimeout + receiveTimeout after it
// starts, whatever the network sends.

// Both return the records as one array, its length stored through pCount;
// an array of length 0 when nothing answered; null when the run failed (then
// pCount is not written). A failed run also writes its cause through
// pFailure; so does a bridge run whose probe could not be sent, which still
// listens and returns its (normally empty) array.

// Controllers of the current generation and every device under the vendor's
// root scope, answering by HTTP POST to listenPort on the interface.
std::unique_ptr<DeviceRecord[]> DiscoverDevices(DiscoveryRequest request);

// Bridges, answering by unicast datagram to the probe's source port.
std::unique_ptr<DeviceRecord[]> DiscoverBridges(DiscoveryRequest request);

// A request as the search threads make it: the reply port, the process-wide
// settings values as they stand now, the vendor's root scope and no types.
DiscoveryRequest RequestFromSettings(std::string interfaceAddress, unsigned int* pCount);
