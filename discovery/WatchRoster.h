#pragma once
#ifndef SIGNSEEK_ENGINE_INTERNAL
#error "discovery/WatchRoster.h is internal to the discovery engine: search through discovery/Search.h"
#endif

#include "discovery/DeviceCollector.h"
#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
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
// search to the next. A record naming several hosts is the device listed
// under any of them. For the same reason a device changes only when what
// the device list shows of it changes (name, dimensions, addresses, MAC,
// services as a set, discovery version), not when its endpoints answered in
// another order.
class WatchRoster {
public:
    static constexpr std::size_t kMaxDevices = DeviceCollector::kMaxRecords;
    // Devices heard of only by Hello, listed at one time at most.
    static constexpr std::size_t kMaxUnconfirmed = 1000;

    enum class Event { None, Found, Changed };

    // A listed device and what found it: a run's name, or "hello" while it
    // is known only from its announcements.
    struct Listed {
        std::string foundBy;
        DeviceRecord record;
        bool confirmed = true;  // false: heard of only by Hello, foundBy is kAnnounced
    };
    static constexpr char kAnnounced[] = "hello";

    // What the list shows of a record (the window's rows): a device changes
    // only when this text of it changes.
    using ShownText = std::function<std::string(const DeviceRecord&)>;

    WatchRoster(std::int64_t lostAfterMillis, ShownText shown) : m_lostAfter(lostAfterMillis), m_shown(std::move(shown))
    {}

    // A device heard by foundBy in answers that arrived from heardSince on,
    // at nowMillis. Answers heard before the device's Bye are ignored, so a
    // search under way when it left does not bring it back. A partial record (one endpoint
    // of a device a search is still merging) can only find a device; a
    // complete one (a search's final record, a Hello) may change it. A Hello
    // carries no source address and usually no metadata: what it leaves out
    // is kept from the listed record, and its own Hello item is not a change.
    // Found and Changed leave the listed device in *listed when given.
    //
    // A record with announcedFrom, a Hello that arrived from that address,
    // lists a new device as unconfirmed (foundBy "hello") and speaks for a
    // listed one only from that device's own source address; from any other
    // it is ignored. A search's complete record of an unconfirmed device
    // confirms it: Changed, with the run as foundBy from then on.
    Event Seen(const DeviceRecord& record, const std::string& foundBy, std::int64_t heardSince, std::int64_t nowMillis,
               bool complete, Listed* listed = nullptr, const std::string& announcedFrom = {});

    // The listed device whose endpoint address a Bye from `from` names,
    // removed at nowMillis; nothing when none is listed under it or the Bye
    // did not come from the device's own source address.
    std::optional<Listed> Bye(const std::string& address, std::int64_t nowMillis, const std::string& from);

    // Whether a Hello from `from` would be believed of the device it names:
    // it is not listed, or it came from the device's own source address.
    bool Believes(const DeviceRecord& record, const std::string& from) const;

    // Removes and returns, oldest first, the devices not heard for lostAfter.
    std::vector<Listed> Expire(std::int64_t nowMillis);

    std::size_t Size() const { return m_devices.size(); }
    bool Lists(const DeviceRecord& record) const { return !FindKey(record).empty(); }

    // At kMaxDevices some new device was left out.
    bool LimitReached() const { return m_limitReached; }
    // Byes and Hellos ignored because they came from another address.
    std::size_t Disbelieved() const { return m_disbelieved; }

private:
    // A media player has a few endpoints; a host that keeps sending new
    // addresses must not grow its entry without end.
    static constexpr std::size_t kMaxAddresses = 16;

    struct Entry {
        Listed device;
        std::string shown;  // what the list shows of it, for "changed"
        std::int64_t lastSeen = 0;
        std::vector<std::string> addresses;   // endpoint addresses it was listed under
        std::vector<std::string> identities;  // IdentitiesOf the records it was listed under
        std::string ownSource;                // the source address that speaks for it
    };

    // "host h" for each host the record's transport addresses name, else
    // "address a" for its endpoint address.
    static std::vector<std::string> IdentitiesOf(const DeviceRecord& record);
    // The key of the listed device the record is, or empty.
    std::string FindKey(const DeviceRecord& record) const;
    void AddIdentities(const std::string& key, Entry& entry, const std::vector<std::string>& identities);
    void Remove(std::unordered_map<std::string, Entry>::iterator it);

    std::int64_t m_lostAfter;
    ShownText m_shown;
    std::unordered_map<std::string, Entry> m_devices;           // by KeyOf
    std::unordered_map<std::string, std::string> m_byAddress;   // endpoint address -> key
    std::unordered_map<std::string, std::string> m_byIdentity;  // identity -> key
    // When each device said Bye, under each of its identities; kept for
    // lostAfter, as no search lasts longer.
    std::unordered_map<std::string, std::int64_t> m_byeAt;
    bool m_limitReached = false;
    std::size_t m_unconfirmed = 0;
    std::size_t m_disbelieved = 0;
};

}  // namespace signseek
