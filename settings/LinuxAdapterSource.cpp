#include "settings/AdapterSource.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <fstream>

namespace signseek {

namespace {

// The device an address label belongs to; device names never contain ':'.
std::string DeviceName(const std::string& name) { return name.substr(0, name.find(':')); }

std::string ReadFirstWord(const std::string& path)
{
    std::ifstream in(path);
    std::string word;
    in >> word;
    return word;
}

// udev keeps its records by interface index. The index is checked against
// sysfs first: in a network namespace other than sysfs's, a name or index can
// belong to a different device.
std::string SystemModel(const std::string& device)
{
    unsigned index = ::if_nametoindex(device.c_str());
    if (index == 0) return {};
    if (ReadFirstWord("/sys/class/net/" + device + "/ifindex") != std::to_string(index)) return {};
    std::ifstream record("/run/udev/data/n" + std::to_string(index));
    return record ? ModelFromUdevData(record) : std::string{};
}

}  // namespace

std::vector<AdapterRecord> GroupByInterface(const std::vector<InterfaceAddress>& entries, const ModelLookup& model)
{
    struct Group {
        std::string device;
        bool loopback = false;
        AdapterRecord record;
    };
    std::vector<Group> groups;
    for (const InterfaceAddress& entry : entries) {
        const unsigned required = IFF_UP | IFF_RUNNING;
        if ((entry.flags & required) != required) continue;
        std::string device = DeviceName(entry.name);
        auto it = std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return g.device == device; });
        if (it == groups.end()) {
            Group group{device, (entry.flags & IFF_LOOPBACK) != 0, {}};
            std::string known = group.loopback ? std::string("Loopback") : model(device);
            group.record.description = known.empty() ? device : device + " (" + known + ")";
            it = groups.insert(groups.end(), std::move(group));
        }
        it->record.ipv4Addresses.push_back(entry.ipv4);
    }
    std::stable_partition(groups.begin(), groups.end(), [](const Group& g) { return !g.loopback; });
    std::vector<AdapterRecord> adapters;
    for (Group& g : groups) adapters.push_back(std::move(g.record));
    return adapters;
}

std::string ModelFromUdevData(std::istream& record)
{
    std::string line, fromDatabase, plain;
    while (std::getline(record, line)) {
        if (line.rfind("E:ID_MODEL_FROM_DATABASE=", 0) == 0)
            fromDatabase = line.substr(25);
        else if (line.rfind("E:ID_MODEL=", 0) == 0)
            plain = line.substr(11);
    }
    return fromDatabase.empty() ? plain : fromDatabase;
}

namespace {

// The enumeration of this machine's network namespace (getifaddrs).
class LinuxAdapterSource : public AdapterSource {
public:
    std::optional<std::vector<AdapterRecord>> Enumerate() const override;
};

}  // namespace

std::unique_ptr<AdapterSource> CreateAdapterSource() { return std::make_unique<LinuxAdapterSource>(); }

std::optional<std::vector<AdapterRecord>> LinuxAdapterSource::Enumerate() const
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return std::nullopt;
    std::vector<InterfaceAddress> entries;
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_name == nullptr) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) continue;
        entries.push_back({a->ifa_name, a->ifa_flags, text});
    }
    ::freeifaddrs(list);
    return GroupByInterface(entries, SystemModel);
}

}  // namespace signseek
