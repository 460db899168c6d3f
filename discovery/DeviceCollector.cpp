#include "discovery/DeviceCollector.h"

#include "common/TextHelpers.h"

#include <algorithm>

namespace signseek {

namespace {

// types, followed by ":" and the port of xAddrs when it has one.
std::string TypesWithPort(const DeviceRecord& record)
{
    std::string text = record.types;
    const std::string port = PortOfUrl(record.xAddrs);
    if (!port.empty()) text += ":" + port;
    return text;
}

std::size_t TextSize(const DeviceRecord& record)
{
    std::size_t size = record.address.size() + record.types.size() + record.matchBy.size() + record.scopes.size() +
                       record.xAddrs.size() + record.sourceAddress.size();
    for (const std::string& item : record.metadata) size += item.size();
    return size;
}

}  // namespace

void AddVideoProcessorServices(DeviceRecord& record)
{
    if (!record.IsVideoProcessor() || !record.GetMetadataValue(META_SERVICES).empty()) return;
    record.metadata.push_back(MakeServicesItem(TypesWithPort(record)));
}

void AddBridgeServices(DeviceRecord& record)
{
    if (!record.IsBridge() || !record.GetMetadataValue(META_SERVICES).empty()) return;
    std::string port = PortOfUrl(record.xAddrs);
    if (port.empty()) port = ":80";  // joined with another ':' below, giving "type::80" as devices expect
    std::string services;
    for (const std::string& token : SplitString(record.types, WHITESPACE_DELIMITERS))
        services += token + ":" + port + " ";
    record.metadata.push_back(MakeServicesItem(services));
}

void MergeMediaPlayerEndpoint(DeviceRecord& existing, const DeviceRecord& endpoint)
{
    const std::string added = TypesWithPort(endpoint);
    const std::string services = existing.GetMetadataValue(META_SERVICES);
    if (services.empty()) {
        existing.metadata.push_back(MakeServicesItem(added + " " + TypesWithPort(existing)));
    } else {
        const std::string merged = MakeServicesItem(services + " " + added);
        auto item = std::find(existing.metadata.begin(), existing.metadata.end(), MakeServicesItem(services));
        // The value may come from a fragment with other text around it; then
        // nothing can be replaced exactly and the merged list goes at the end.
        if (item != existing.metadata.end())
            *item = merged;
        else
            existing.metadata.push_back(merged);
    }
    existing.metadata.insert(existing.metadata.end(), endpoint.metadata.begin(), endpoint.metadata.end());
    existing.xAddrs = HostOfUrl(existing.xAddrs);
}

std::size_t DeviceCollector::FirstWithAddress(const std::string& address) const
{
    auto it = m_byAddress.find(address);
    return it == m_byAddress.end() ? kNone : it->second;
}

std::size_t DeviceCollector::FirstWithHost(const std::string& host) const
{
    auto it = m_byHost.find(host);
    return it == m_byHost.end() || it->second.empty() ? kNone : it->second.front();
}

void DeviceCollector::IndexHost(const std::string& host, std::size_t index)
{
    std::vector<std::size_t>& list = m_byHost[host];
    list.insert(std::lower_bound(list.begin(), list.end(), index), index);
}

void DeviceCollector::UnindexHost(const std::string& host, std::size_t index)
{
    auto it = m_byHost.find(host);
    if (it == m_byHost.end()) return;
    std::erase(it->second, index);
    if (it->second.empty()) m_byHost.erase(it);
}

DeviceCollector::Outcome DeviceCollector::HandleMatch(DeviceRecord record)
{
    // The first known record, in list order, with the same address or the
    // same host; the address test wins on the same record.
    const std::string host = HostOfUrl(record.xAddrs);
    const std::size_t byAddress = FirstWithAddress(record.address);
    const std::size_t byHost = FirstWithHost(host);
    const bool known = byAddress != kNone || byHost != kNone;
    Outcome outcome = Outcome::Added;
    if (known && byAddress <= byHost) {
        outcome = Outcome::Repeat;
    } else if (known) {
        outcome = Outcome::SameHost;
        if (record.IsMediaPlayer()) {
            DeviceRecord& existing = m_devices[byHost];
            const std::size_t before = TextSize(existing);
            // A merge grows the record by at most the endpoint and the record itself.
            if (m_textBytes + before + TextSize(record) > kMaxTextBytes) {
                m_limitReached = true;
                outcome = Outcome::Dropped;
            } else {
                const std::string oldHost = HostOfUrl(existing.xAddrs);
                MergeMediaPlayerEndpoint(existing, record);
                m_textBytes = m_textBytes - before + TextSize(existing);
                const std::string newHost = HostOfUrl(existing.xAddrs);
                if (newHost != oldHost) {
                    UnindexHost(oldHost, byHost);
                    IndexHost(newHost, byHost);
                }
                m_lastIndex = byHost;
                outcome = Outcome::Merged;
            }
        }
    }

    AddVideoProcessorServices(record);
    AddBridgeServices(record);

    const bool excluded = (record.HasHomeScope() && record.types.empty()) || record.IsPreviousGenerationController();
    if (known) return outcome;
    if (excluded) return Outcome::Excluded;
    const std::size_t size = TextSize(record);
    if (m_devices.size() >= kMaxRecords || m_textBytes + size > kMaxTextBytes) {
        m_limitReached = true;
        return Outcome::Dropped;
    }
    const std::size_t index = m_devices.size();
    m_byAddress.emplace(record.address, index);
    IndexHost(host, index);
    m_textBytes += size;
    m_devices.push_back(std::move(record));
    m_lastIndex = index;
    return Outcome::Added;
}

std::vector<DeviceRecord> DeviceCollector::TakeDevices()
{
    std::vector<DeviceRecord> devices = std::move(m_devices);
    *this = DeviceCollector();
    return devices;
}

}  // namespace signseek
