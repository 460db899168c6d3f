#pragma once

#include "discovery/DeviceRecord.h"

#include <vector>

// Turns matches into de-duplicated device records. Each filled record from a
// ProbeMatches or Hello goes through HandleMatch; m_devices keeps the
// accepted devices in the order they were first accepted.
class DeviceCollector {
public:
    enum class Outcome {
        Added,     // a new device
        Repeat,    // same address as a known device: dropped
        Merged,    // another endpoint of a known media player
        SameHost,  // another endpoint on a known host: dropped
        Excluded,  // home-scope record without types, or previous-generation controller
    };

    Outcome HandleMatch(DeviceRecord record);

    const std::vector<DeviceRecord>& Devices() const { return m_devices; }

private:
    std::vector<DeviceRecord> m_devices;
};

// Adds the made-up Services item of a video processor or a bridge that did
// not report its services.
void AddVideoProcessorServices(DeviceRecord& record);
void AddBridgeServices(DeviceRecord& record);

// Folds endpoint into existing: its type and port join existing's services,
// its metadata items are appended, and existing's xAddrs shrinks to the host.
void MergeMediaPlayerEndpoint(DeviceRecord& existing, const DeviceRecord& endpoint);
