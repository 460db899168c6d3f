#include "discovery/WatchRoster.h"

#include "common/TextHelpers.h"
#include "common/TransportAddress.h"
#include "discovery/AnnouncementEvidence.h"

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

}  // namespace

std::vector<std::string> WatchRoster::IdentitiesOf(const DeviceRecord& record)
{
    std::vector<std::string> identities;
    for (const std::string& host : TransportHosts(record.xAddrs)) identities.push_back("host " + host);
    if (identities.empty()) identities.push_back("address " + record.address);
    return identities;
}

std::string WatchRoster::FindKey(const DeviceRecord& record) const
{
    for (const std::string& identity : IdentitiesOf(record))
        if (auto it = m_byIdentity.find(identity); it != m_byIdentity.end()) return it->second;
    return {};
}

void WatchRoster::AddIdentities(const std::string& key, Entry& entry, const std::vector<std::string>& identities)
{
    for (const std::string& identity : identities) {
        if (entry.identities.size() >= kMaxAddresses) return;
        if (m_byIdentity.emplace(identity, key).second) entry.identities.push_back(identity);
    }
}

WatchRoster::Event WatchRoster::Seen(const DeviceRecord& record, const std::string& foundBy, std::int64_t heardSince,
                                     std::int64_t nowMillis, bool complete, Listed* listed,
                                     const std::string& announcedFrom)
{
    const bool announced = !announcedFrom.empty();
    const std::vector<std::string> identities = IdentitiesOf(record);
    for (const std::string& identity : identities)
        if (auto bye = m_byeAt.find(identity); bye != m_byeAt.end() && heardSince <= bye->second) return Event::None;
    const std::string found = FindKey(record);
    auto it = found.empty() ? m_devices.end() : m_devices.find(found);
    if (it == m_devices.end()) {
        // Made-up Hellos must not crowd out the devices that answer.
        if (m_devices.size() >= kMaxDevices + (announced ? 0 : m_unconfirmed) ||
            (announced && m_unconfirmed >= kMaxUnconfirmed)) {
            m_limitReached = true;
            return Event::None;
        }
        const std::string& key = identities.front();
        Entry entry{{announced ? kAnnounced : foundBy, AsListed(record, nullptr), !announced},
                    {},
                    nowMillis,
                    {record.address},
                    {},
                    announced ? announcedFrom : record.sourceAddress};
        entry.shown = m_shown(entry.device.record);
        if (listed) *listed = entry.device;
        // A Hello cannot take over the address of a device listed under another host.
        if (!announced || !m_byAddress.count(record.address)) m_byAddress[record.address] = key;
        it = m_devices.emplace(key, std::move(entry)).first;
        AddIdentities(key, it->second, identities);
        if (announced) ++m_unconfirmed;
        return Event::Found;
    }
    const std::string& key = it->first;
    Entry& entry = it->second;
    if (announced && !SpeaksFor(entry.ownSource, announcedFrom)) {
        ++m_disbelieved;
        return Event::None;
    }
    if (!announced && entry.ownSource.empty()) entry.ownSource = record.sourceAddress;
    AddIdentities(key, entry, identities);
    entry.lastSeen = std::max(entry.lastSeen, nowMillis);
    if (entry.addresses.size() < kMaxAddresses &&
        std::find(entry.addresses.begin(), entry.addresses.end(), record.address) == entry.addresses.end()) {
        entry.addresses.push_back(record.address);
        m_byAddress[record.address] = key;
    }
    if (!complete) return Event::None;
    DeviceRecord updated = AsListed(record, &entry.device.record);
    std::string shown = m_shown(updated);
    const bool confirms = !announced && !entry.device.confirmed;
    if (confirms) {
        entry.device.foundBy = foundBy;
        entry.device.confirmed = true;
        if (!record.sourceAddress.empty()) entry.ownSource = record.sourceAddress;
        --m_unconfirmed;
    } else if (shown == entry.shown) {
        return Event::None;
    }
    entry.device.record = std::move(updated);
    entry.shown = std::move(shown);
    if (listed) *listed = entry.device;
    return Event::Changed;
}

void WatchRoster::Remove(std::unordered_map<std::string, Entry>::iterator it)
{
    if (!it->second.device.confirmed) --m_unconfirmed;
    for (const std::string& identity : it->second.identities) m_byIdentity.erase(identity);
    for (const std::string& address : it->second.addresses) {
        auto at = m_byAddress.find(address);
        if (at != m_byAddress.end() && at->second == it->first) m_byAddress.erase(at);
    }
    m_devices.erase(it);
}

bool WatchRoster::Believes(const DeviceRecord& record, const std::string& from) const
{
    const std::string key = FindKey(record);
    auto it = key.empty() ? m_devices.end() : m_devices.find(key);
    return it == m_devices.end() || SpeaksFor(it->second.ownSource, from);
}

std::optional<WatchRoster::Listed> WatchRoster::Bye(const std::string& address, std::int64_t nowMillis,
                                                    const std::string& from)
{
    auto key = m_byAddress.find(address);
    if (key == m_byAddress.end()) return std::nullopt;
    auto it = m_devices.find(key->second);
    if (it == m_devices.end()) return std::nullopt;
    if (!SpeaksFor(it->second.ownSource, from)) {
        ++m_disbelieved;
        return std::nullopt;
    }
    Listed gone = std::move(it->second.device);
    for (const std::string& identity : it->second.identities)
        if (m_byeAt.size() < kMaxDevices * kMaxAddresses || m_byeAt.count(identity)) m_byeAt[identity] = nowMillis;
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
