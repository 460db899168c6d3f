#pragma once
// What one discovery run gives back, as one value: the records it kept, or
// why it could not do its work.

#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace signseek {

struct RunResult {
    bool failed = false;                // the run could not do its work; records is empty
    std::vector<DeviceRecord> records;  // in the order the devices were first accepted
    std::string failure;                // why it failed, or why a bridge probe could not be
                                        // sent (that run still listens); empty otherwise
    bool limitReached = false;          // devices were left out at the run's record limit
    std::size_t shedConnections = 0;    // idle connections closed unserved to make room
};

// "shed N idle connections".
std::string ShedConnectionsText(std::size_t count);

// A record as a run reports it while it listens: Found when it is first
// accepted, Changed when a later answer changed it (another endpoint of a
// media player). index is the record's place in the run's records, which it
// keeps to the end of the run.
enum class RecordChange { Found, Changed };
using RecordSink = std::function<void(RecordChange change, std::size_t index, const DeviceRecord& record)>;

// "found" or "changed".
const char* RecordChangeName(RecordChange change);

}  // namespace signseek
