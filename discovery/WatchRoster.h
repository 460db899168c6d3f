#pragma once
#ifndef SIGNSEEK_ENGINE_INTERNAL
#error "discovery/WatchRoster.h is internal to the discovery engine: search through discovery/Search.h"
#endif

#include "discovery/DeviceCollector.h"
#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace signseek {

// The devices a long watch lists: which are new, which changed and which are
// gone. Records come from each search's answers and from Hello
// announcements; a Bye or silence for lostAfter removes a device. The roster
// holds at most kMaxDevices, so a watch that runs for days keeps a bounded
// size whatever comes and goes.
//
// A device is its host, as a search merges endpoints by host (its endpoint
// address when it names none): a media player's merged record takes the
// address of whichever endpoint answered first, which changes from one
// search to the next. For the same reason a device changes only when what
// the device list shows of it changes (name, dimensions, addresses, MAC,
// services as a set, discovery version), not when its endpoints answered in
// another order.
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

    // A device heard by foundBy in answers that arrived from heardSince on,
    // at nowMillis. Answers heard before the device's Bye are ignored, so a
    // search under way when it left does not bring it back. A partial record (one endpoint
    // of a device a search is still merging) can only find a device; a
    // complete one (a search's final record, a Hello) may change it. A Hello
    // carries no source address and usually no metadata: what it leaves out
    // is kept from the listed record, and its own Hello item is not a change.
    // Found and Changed leave the listed device in *listed when given.
    Event Seen(const DeviceRecord& record, const std::string& foundBy, std::int64_t heardSince, std::int64_t nowMillis,
               bool complete, Listed* listed = nullptr);

    // The listed device whose endpoint address a Bye names, removed at
    // nowMillis; nothing when none is listed under it.
    std::optional<Listed> Bye(const std::string& address, std::int64_t nowMillis);

    // Removes and returns, oldest first, the devices not heard for lostAfter.
    std::vector<Listed> Expire(std::int64_t nowMillis);

    std::size_t Size() const { return m_devices.size(); }
    bool Lists(const DeviceRecord& record) const { return m_devices.count(KeyOf(record)) != 0; }

    // At kMaxDevices some new device was left out.
    bool LimitReached() const { return m_limitReached; }

private:
    // A media player has a few endpoints; a host that keeps sending new
    // addresses must not grow its entry without end.
    static constexpr std::size_t kMaxAddresses = 16;

    struct Entry {
        Listed device;
        std::string shown;  // what the list shows of it, for "changed"
        std::int64_t lastSeen = 0;
        std::vector<std::string> addresses;  // endpoint addresses it was listed under
    };

    static std::string KeyOf(const DeviceRecord& record);
    void Remove(std::unordered_map<std::string, Entry>::iterator it);

    std::int64_t m_lostAfter;
    std::unordered_map<std::string, Entry> m_devices;          // by KeyOf
    std::unordered_map<std::string, std::string> m_byAddress;  // endpoint address -> key
    // When each device said Bye; kept for lostAfter, as no search lasts longer.
    std::unordered_map<std::string, std::int64_t> m_byeAt;
    bool m_limitReached = false;
};

}  // namespace signseek
