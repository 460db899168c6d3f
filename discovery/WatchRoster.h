#pragma once

#include "discovery/DeviceCollector.h"
#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The devices a long watch lists, keyed by endpoint address: which are new,
// which changed and which are gone. Records come from each probe round's
// answers and from Hello announcements; a Bye or silence for lostAfter
// removes a device. The roster holds at most kMaxDevices, so a watch that
// runs for days keeps a bounded size whatever comes and goes.
class WatchRoster {
public:
    static constexpr std::size_t kMaxDevices = DeviceCollector::kMaxRecords;

    enum class Event { None, Found, Changed };

    // A listed device and what first found it: a run's name, or "hello".
    struct Listed {
        std::string foundBy;
        DeviceRecord record;
    };

    explicit WatchRoster(std::int64_t lostAfterMillis) : m_lostAfter(lostAfterMillis) {}

    // A device heard at nowMillis by foundBy. A Hello carries no source
    // address and usually no metadata: what it leaves out is kept from the
    // listed record, and its own Hello item is not a change. Found and
    // Changed leave the listed device in *listed when given.
    Event Seen(const DeviceRecord& record, const std::string& foundBy, std::int64_t nowMillis,
               Listed* listed = nullptr);

    // The listed device a Bye names, removed; nothing when it is not listed.
    std::optional<Listed> Bye(const std::string& address);

    // Removes and returns, oldest first, the devices not heard for lostAfter.
    std::vector<Listed> Expire(std::int64_t nowMillis);

    std::size_t Size() const { return m_devices.size(); }
    bool Lists(const std::string& address) const { return m_devices.count(address) != 0; }

    // At kMaxDevices some new device was left out.
    bool LimitReached() const { return m_limitReached; }

private:
    struct Entry {
        Listed device;
        std::int64_t lastSeen = 0;
    };

    std::int64_t m_lostAfter;
    std::unordered_map<std::string, Entry> m_devices;
    bool m_limitReached = false;
};
