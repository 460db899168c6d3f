#include "discovery/WatchRoster.h"

#include <algorithm>
#include <utility>

namespace {

// The record as the roster lists it: without the Hello marker, and with what
// an announcement leaves out taken from the record already listed.
DeviceRecord AsListed(DeviceRecord record, const DeviceRecord* listed)
{
    std::erase(record.metadata, std::string(HELLO_ITEM));
    if (listed) {
        if (record.sourceAddress.empty())
            record.sourceAddress = listed->sourceAddress;
        if (record.metadata.empty())
            record.metadata = listed->metadata;
    }
    return record;
}

}  // namespace

WatchRoster::Event WatchRoster::Seen(const DeviceRecord& record, const std::string& foundBy, std::int64_t nowMillis,
                                     Listed* listed)
{
    auto it = m_devices.find(record.address);
    if (it == m_devices.end()) {
        if (m_devices.size() >= kMaxDevices) {
            m_limitReached = true;
            return Event::None;
        }
        Entry entry{{foundBy, AsListed(record, nullptr)}, nowMillis};
        if (listed)
            *listed = entry.device;
        m_devices.emplace(record.address, std::move(entry));
        return Event::Found;
    }
    Entry& entry = it->second;
    entry.lastSeen = std::max(entry.lastSeen, nowMillis);
    DeviceRecord updated = AsListed(record, &entry.device.record);
    if (updated == entry.device.record)
        return Event::None;
    entry.device.record = std::move(updated);
    if (listed)
        *listed = entry.device;
    return Event::Changed;
}

std::optional<WatchRoster::Listed> WatchRoster::Bye(const std::string& address)
{
    auto it = m_devices.find(address);
    if (it == m_devices.end())
        return std::nullopt;
    Listed gone = std::move(it->second.device);
    m_devices.erase(it);
    return gone;
}

std::vector<WatchRoster::Listed> WatchRoster::Expire(std::int64_t nowMillis)
{
    std::vector<std::pair<std::int64_t, std::string>> stale;
    for (const auto& [address, entry] : m_devices) {
        if (nowMillis - entry.lastSeen >= m_lostAfter)
            stale.emplace_back(entry.lastSeen, address);
    }
    std::sort(stale.begin(), stale.end());
    std::vector<Listed> lost;
    lost.reserve(stale.size());
    for (const auto& [lastSeen, address] : stale) {
        auto it = m_devices.find(address);
        lost.push_back(std::move(it->second.device));
        m_devices.erase(it);
    }
    return lost;
}
