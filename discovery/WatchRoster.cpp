#include "discovery/WatchRoster.h"

#include "common/TextHelpers.h"
#include "present/DisplayRows.h"

#include <algorithm>
#include <utility>

namespace signseek {

namespace {

// The record as the roster lists it: without the Hello marker, and with what
// an announcement leaves out taken from the record already listed.
DeviceRecord AsListed(DeviceRecord record, const DeviceRecord* listed)
{
    std::erase(record.metadata, std::string(HELLO_ITEM));
    if (listed) {
        if (record.sourceAddress.empty()) record.sourceAddress = listed->sourceAddress;
        if (record.metadata.empty()) record.metadata = listed->metadata;
    }
    return record;
}

// What the device list shows of a record, in one text; services as a set.
std::string Shown(const DeviceRecord& record)
{
    std::string shown;
    for (const DisplayRow& row : MakeDisplayRows(record))
        shown += row.name + '\n' + row.dimensions + '\n' + row.dhcpName + '\n' + row.ipAddress + '\n';
    std::vector<std::string> services = ShownServiceNames(record);
    std::sort(services.begin(), services.end());
    for (const std::string& service : services) shown += service + ' ';
    return shown + '\n' + record.GetMac() + '\n' + record.GetDiscoveryVersion();
}

}  // namespace

std::string WatchRoster::KeyOf(const DeviceRecord& record)
{
    const std::string host = HostOfUrl(record.xAddrs);
    return host.empty() ? "address " + record.address : "host " + host;
}

WatchRoster::Event WatchRoster::Seen(const DeviceRecord& record, const std::string& foundBy, std::int64_t heardSince,
                                     std::int64_t nowMillis, bool complete, Listed* listed)
{
    const std::string key = KeyOf(record);
    if (auto bye = m_byeAt.find(key); bye != m_byeAt.end() && heardSince <= bye->second) return Event::None;
    auto it = m_devices.find(key);
    if (it == m_devices.end()) {
        if (m_devices.size() >= kMaxDevices) {
            m_limitReached = true;
            return Event::None;
        }
        Entry entry{{foundBy, AsListed(record, nullptr)}, {}, nowMillis, {record.address}};
        entry.shown = Shown(entry.device.record);
        if (listed) *listed = entry.device;
        m_byAddress[record.address] = key;
        m_devices.emplace(key, std::move(entry));
        return Event::Found;
    }
    Entry& entry = it->second;
    entry.lastSeen = std::max(entry.lastSeen, nowMillis);
    if (entry.addresses.size() < kMaxAddresses &&
        std::find(entry.addresses.begin(), entry.addresses.end(), record.address) == entry.addresses.end()) {
        entry.addresses.push_back(record.address);
        m_byAddress[record.address] = key;
    }
    if (!complete) return Event::None;
    DeviceRecord updated = AsListed(record, &entry.device.record);
    std::string shown = Shown(updated);
    if (shown == entry.shown) return Event::None;
    entry.device.record = std::move(updated);
    entry.shown = std::move(shown);
    if (listed) *listed = entry.device;
    return Event::Changed;
}

void WatchRoster::Remove(std::unordered_map<std::string, Entry>::iterator it)
{
    for (const std::string& address : it->second.addresses) {
        auto at = m_byAddress.find(address);
        if (at != m_byAddress.end() && at->second == it->first) m_byAddress.erase(at);
    }
    m_devices.erase(it);
}

std::optional<WatchRoster::Listed> WatchRoster::Bye(const std::string& address, std::int64_t nowMillis)
{
    auto key = m_byAddress.find(address);
    if (key == m_byAddress.end()) return std::nullopt;
    auto it = m_devices.find(key->second);
    if (it == m_devices.end()) return std::nullopt;
    Listed gone = std::move(it->second.device);
    if (m_byeAt.size() < kMaxDevices || m_byeAt.count(it->first)) m_byeAt[it->first] = nowMillis;
    Remove(it);
    return gone;
}

std::vector<WatchRoster::Listed> WatchRoster::Expire(std::int64_t nowMillis)
{
    std::erase_if(m_byeAt, [&](const auto& bye) { return nowMillis - bye.second >= m_lostAfter; });
    std::vector<std::pair<std::int64_t, std::string>> stale;
    for (const auto& [key, entry] : m_devices) {
        if (nowMillis - entry.lastSeen >= m_lostAfter) stale.emplace_back(entry.lastSeen, key);
    }
    std::sort(stale.begin(), stale.end());
    std::vector<Listed> lost;
    lost.reserve(stale.size());
    for (const auto& [lastSeen, key] : stale) {
        auto it = m_devices.find(key);
        lost.push_back(std::move(it->second.device));
        Remove(it);
    }
    return lost;
}

}  // namespace signseek
