#pragma once

#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace signseek {

// Turns matches into de-duplicated device records. Each filled record from a
// ProbeMatches or Hello goes through HandleMatch; m_devices keeps the
// accepted devices in the order they were first accepted. Indexes by address
// and by host find the known record a match belongs to without a scan, and
// a run keeps at most kMaxRecords records holding at most kMaxTextBytes of
// text, so a flood of answers cannot take all the memory.
class DeviceCollector {
public:
    static constexpr std::size_t kMaxRecords = 10000;
    static constexpr std::size_t kMaxTextBytes = 32u << 20;

    enum class Outcome {
        Added,     // a new device
        Repeat,    // same address as a known device: dropped
        Merged,    // another endpoint of a known media player
        SameHost,  // another endpoint on a known host: dropped
        Excluded,  // home-scope record without types, or previous-generation controller
        Dropped,   // the run holds as much as it keeps: a new device or a merge left out
    };

    Outcome HandleMatch(DeviceRecord record);

    const std::vector<DeviceRecord>& Devices() const { return m_devices; }
    // Where the last match that was Added or Merged went in Devices().
    std::size_t LastIndex() const { return m_lastIndex; }
    // Hands the records over; the collector is empty afterwards.
    std::vector<DeviceRecord> TakeDevices();
    // Some device or merge was dropped at the limits.
    bool LimitReached() const { return m_limitReached; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t FirstWithAddress(const std::string& address) const;
    std::size_t FirstWithHost(const std::string& host) const;
    void IndexHost(const std::string& host, std::size_t index);
    void UnindexHost(const std::string& host, std::size_t index);

    std::vector<DeviceRecord> m_devices;
    std::unordered_map<std::string, std::size_t> m_byAddress;
    // HostOfUrl of each record's xAddrs; a merge can make two records share one.
    std::unordered_map<std::string, std::vector<std::size_t>> m_byHost;  // ascending indices
    std::size_t m_textBytes = 0;
    std::size_t m_lastIndex = kNone;
    bool m_limitReached = false;
};

// Adds the made-up Services item of a video processor or a bridge that did
// not report its services.
void AddVideoProcessorServices(DeviceRecord& record);
void AddBridgeServices(DeviceRecord& record);

// Folds endpoint into existing: its type and port join existing's services,
// its metadata items are appended, and existing's xAddrs shrinks to the host.
void MergeMediaPlayerEndpoint(DeviceRecord& existing, const DeviceRecord& endpoint);

}  // namespace signseek
