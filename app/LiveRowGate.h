#pragma once
// When a device that a run reports while it listens gets its row. A media
// player answers once per endpoint, and only the merged record holds its
// name and its services' ports; shown at its first answer it would flash as
// "<none>" or with the "cannot manage" mark until its other endpoints come.
// So a player whose record lacks either waits until a later answer completes
// it, or until kLiveRowHold has passed since its first answer (its endpoints
// answer within half a second of each other), whichever comes first. Every
// other device, and a player complete at its first answer, shows at once.

#include "discovery/DeviceRecord.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace signseek {

inline constexpr std::chrono::milliseconds kLiveRowHold{600};

// The record has what its row shows: it is no media player, or it has a
// name and no service without a usable port.
bool RecordIsComplete(const DeviceRecord& record);

class LiveRowGate {
public:
    using Clock = std::chrono::steady_clock;
    using Key = std::pair<std::string, std::string>;  // (run, device)
    struct Release {
        Key key;
        DeviceRecord record;
    };

    // A report of the device: true when its row shows, or is updated, now;
    // false when it is held, with this record kept for its release.
    bool Pass(const Key& key, const DeviceRecord& record, Clock::time_point now);
    // The held devices whose hold has ended by now, in the order first
    // reported, with their latest records; from then on they pass.
    std::vector<Release> Due(Clock::time_point now);
    // When the next hold ends; none while nothing is held.
    std::optional<Clock::time_point> NextDue() const;
    // Forgets what the run reported: its final records take over.
    void ForgetRun(const std::string& run);
    void Clear();

private:
    struct Held {
        DeviceRecord record;
        Clock::time_point due;
        std::uint64_t order;
    };
    std::set<Key> m_shown;
    std::map<Key, Held> m_held;
    std::uint64_t m_reports = 0;
};

}  // namespace signseek
