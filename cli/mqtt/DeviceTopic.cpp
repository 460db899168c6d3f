#include "cli/mqtt/DeviceTopic.h"

#include "cli/mqtt/BrokerAddress.h"
#include "common/TextHelpers.h"

#include <cstdint>
#include <cstdio>

namespace signseek {

namespace {

constexpr std::size_t kReadable = 40;

// FNV-1a: fixed, so the same device keeps its topic from one release to the next.
std::uint64_t Fnv1a(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

bool Plain(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

}  // namespace

std::string DeviceTopicId(const DeviceRecord& record, const std::string& adapter)
{
    const std::string host = HostOfUrl(record.xAddrs);
    const std::string key = host.empty() ? "address " + record.address : "host " + host;
    std::string readable;
    for (char c : host.empty() ? record.address : host) {
        if (readable.size() == kReadable) break;
        readable += Plain(c) ? c : '_';
    }
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(adapter + '\n' + key)));
    return readable.empty() ? std::string(hash) : readable + '-' + hash;
}

std::string SiteFromHostName(const std::string& hostName)
{
    std::string site;
    for (char c : hostName.substr(0, 64)) site += Plain(c) ? c : '-';
    return IsSafeTopicLevel(site) ? site : "site";
}

}  // namespace signseek
