#pragma once
// One search as signseek-find runs it, through the engine's Search: the
// device run and the bridge run at the same time, their records gathered.

#include "discovery/DiscoveryRun.h"
#include "present/ResultPrinter.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace signseek {

struct SearchSettings {
    std::string interfaceAddress;
    // When not empty the search goes out on each of these adapters at once
    // and interfaceAddress is not used.
    std::vector<std::string> adapters;
    std::uint16_t listenPort = REPLY_PORT;
    DiscoveryValues values;
    RunObserver* observer = nullptr;  // told of each probe and answer of both runs
    // Told of each record of either run as soon as it is found or changed,
    // from that run's own thread: the two runs may call at the same time.
    std::function<void(const char* run, RecordChange change, std::size_t index, const DeviceRecord& record)> onRecord;
    const std::atomic<bool>* stop = nullptr;  // true: both runs stop and give what they have
    // Dotted IPv4 addresses probed by unicast, at probeRate a second.
    std::vector<std::string> targets;
    int probeRate = kDefaultProbeRate;
    // Both runs end as soon as every target has answered one of them.
    bool endWhenTargetsAnswered = false;
};

struct SearchOutcome {
    std::vector<FoundDevice> devices;  // the device run's records, then the bridge run's (adapter by adapter)
    bool devicesRunFailed = false;
    bool bridgesRunFailed = false;
    // Why a run could not do its work, one line each; empty when it could.
    std::string devicesFailure;
    std::string bridgesFailure;
    bool recordLimitReached = false;         // a run left devices out at its record limit
    std::size_t shedConnections = 0;         // idle connections the runs closed to make room
    std::vector<std::string> silentTargets;  // targets no answer came from, in the order given
};

SearchOutcome RunSearch(const SearchSettings& settings);

}  // namespace signseek
