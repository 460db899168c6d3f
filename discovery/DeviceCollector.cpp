#include "discovery/DeviceCollector.h"

#include "discovery/TextHelpers.h"

#include <algorithm>

namespace {

// types, followed by ":" and the port of xAddrs when it has one.
std::string TypesWithPort(const DeviceRecord& record)
{
    std::string text = record.types;
    const std::string port = PortOfUrl(record.xAddrs);
    if (!port.empty())
        text += ":" + port;
    return text;
}

}  // namespace

void AddVideoProcessorServices(DeviceRecord& record)
{
    if (!record.IsVideoProcessor() || !record.GetMetadataValue(META_SERVICES).empty())
        return;
    record.metadata.push_back(MakeServicesItem(TypesWithPort(record)));
}

void AddBridgeServices(DeviceRecord& record)
{
    if (!record.IsBridge() || !record.GetMetadataValue(META_SERVICES).empty())
        return;
    std::string port = PortOfUrl(record.xAddrs);
    if (port.empty())
        port = ":80";  // joined with another ':' below, giving "type::80" as devices expect
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
        auto item = std::find(existing.metadata.begin(), existing.metadata.end(),
                              MakeServicesItem(services));
        // The value may come from a fragment with other text around it; then
        // nothing can be replaced exactly and the merged list goes at the end.
        if (item != existing.metadata.end())
            *item = merged;
        else
            existing.metadata.push_back(merged);
    }
    existing.metadata.insert(existing.metadata.end(), endpoint.metadata.begin(),
                             endpoint.metadata.end());
    existing.xAddrs = HostOfUrl(existing.xAddrs);
}

DeviceCollector::Outcome DeviceCollector::HandleMatch(DeviceRecord record)
{
    bool known = false;
    Outcome outcome = Outcome::Added;
    const std::string host = HostOfUrl(record.xAddrs);
    for (DeviceRecord& existing : m_devices) {
        if (existing.address == record.address) {
            known = true;
            outcome = Outcome::Repeat;
            break;
        }
        if (HostOfUrl(existing.xAddrs) == host) {
            known = true;
            outcome = Outcome::SameHost;
            if (record.IsMediaPlayer()) {
                MergeMediaPlayerEndpoint(existing, record);
                outcome = Outcome::Merged;
            }
            break;
        }
    }

    AddVideoProcessorServices(record);
    AddBridgeServices(record);

    const bool excluded = (record.HasHomeScope() && record.types.empty()) ||
                          record.IsPreviousGenerationController();
    if (known)
        return outcome;
    if (excluded)
        return Outcome::Excluded;
    m_devices.push_back(std::move(record));
    return Outcome::Added;
}
