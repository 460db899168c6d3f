#pragma once
// The two discovery runs of a search. Each is one blocking call that owns
// its Match: it sends the run's probes, listens for the configured time and
// returns the devices it collected, in the order they were first accepted.

#include "common/DiscoveryValues.h"
#include "common/VendorConstants.h"
#include "discovery/DeviceRecord.h"
#include "discovery/RouteSource.h"
#include "discovery/RunObserver.h"
#include "discovery/RunResult.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace signseek {

// Directed probes a second, unless asked otherwise, and at most.
inline constexpr int kDefaultProbeRate = 200;
inline constexpr int kMaxProbeRate = 10000;

struct DiscoveryRequest {
    std::uint16_t listenPort = REPLY_PORT;  // HTTP reply port (the bridge run's fallback)
    DiscoveryValues values;                 // timeouts below 1 s count as 1 s; the
                                            // port's low 16 bits name the group's port
    const char* probeScopes = VENDOR_URI_ROOT;
    const char* probeTypes = "";
    unsigned int* pCount = nullptr;    // DiscoverDevices/DiscoverBridges: receives the
                                       // number of records on success
    std::string interfaceAddress;      // dotted IPv4 of the chosen adapter; may be empty
    RunObserver* pObserver = nullptr;  // told of each probe and answer; may be null
    // Told of each record as soon as it is accepted and again whenever a later
    // answer changes it; may be empty. It is called on the thread that runs
    // the discovery, while the listener waits for it, so it must be quick, must
    // copy what it keeps (the record is only lent), and must lock whatever it
    // shares with the other run of a search, which calls from its own thread.
    // What it throws is ignored.
    RecordSink onRecord;
    // When it turns true the run stops listening within about 50 ms and gives
    // back what it has collected, as if its time were up; may be null.
    const std::atomic<bool>* pStop = nullptr;
    // Dotted IPv4 addresses that also get the run's probes by unicast, paced
    // at probeRate a second once the listener is bound; the run's time limits
    // then count from the last of them. With targets and no
    // interfaceAddress no multicast probe goes out.
    std::vector<std::string> targets;
    int probeRate = kDefaultProbeRate;
    RouteSourceFunction routeSource = LocalAddressTowards;  // the ReplyTo of a target's probes
};

// A run ends at the latest 2 x discoveryTimeout + receiveTimeout after it
// starts, whatever the network sends.

enum class RunKind {
    Devices,  // controllers of the current generation and every device under the
              // vendor's root scope, answering by HTTP POST to listenPort on the interface
    Bridges,  // bridges, answering by unicast datagram to the probe's source port
};

// One run, its result as a value. records is empty when nothing answered.
RunResult RunDiscovery(RunKind kind, const DiscoveryRequest& request);

// One kind of run on several adapters at once, one result per adapter in
// the order given; request.interfaceAddress is not used. Every record's
// adapter names the adapter it was found through, so a device seen through
// two adapters has a record under each. The device run sends each adapter's
// probes through that adapter with a ReplyTo naming its address, and one
// HTTP listener on every local address of listenPort serves them all; the
// bridge runs go out side by side, one per adapter, each on its own port.
// The record sink's index is then the record's place in its adapter's records.
std::vector<RunResult> RunDiscoveryOnAdapters(RunKind kind, const DiscoveryRequest& request,
                                              const std::vector<std::string>& adapters);

// The results of RunDiscoveryOnAdapters as one: the records adapter after
// adapter, a failure per adapter naming it ("10.0.0.1: ..."), failed only
// when every adapter failed.
RunResult JoinAdapterResults(std::vector<RunResult> each, const std::vector<std::string>& adapters);

// The same runs with the records as one array, its length stored through
// pCount; an array of length 0 when nothing answered; null when the run
// failed (then pCount is not written).
std::unique_ptr<DeviceRecord[]> DiscoverDevices(DiscoveryRequest request);
std::unique_ptr<DeviceRecord[]> DiscoverBridges(DiscoveryRequest request);

}  // namespace signseek
