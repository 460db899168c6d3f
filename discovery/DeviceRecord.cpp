#include "discovery/DeviceRecord.h"

#include "common/TextEncoding.h"
#include "common/TextHelpers.h"
#include "common/VendorConstants.h"

#include <optional>
#include <string_view>

namespace signseek {

namespace {

std::optional<std::string> ValueBetweenMarks(const std::string& item, const std::string& key)
{
    const std::string open = "<" + key + ">";
    const std::string close = "</" + key + ">";
    const std::size_t openAt = item.find(open);
    if (openAt == std::string::npos) return std::nullopt;
    const std::size_t valueAt = openAt + open.size();
    // The closing mark must follow the opening one; one that precedes it
    // belongs to some other element and cannot delimit this value.
    const std::size_t closeAt = item.find(close, valueAt);
    if (closeAt == std::string::npos) return std::nullopt;
    return item.substr(valueAt, closeAt - valueAt);
}

// The tag a fragment opens, as ValueOfOpenTag reads it: the first name
// inside "<" and ">" (or up to the next '<' when the tag is not closed).
std::string_view OpenedTag(std::string_view item)
{
    bool inTag = false;
    std::size_t start = 0;
    std::size_t length = 0;
    for (std::size_t i = 0; i < item.size(); ++i) {
        const char c = item[i];
        if (c == '<' || c == '>') {
            if (length) break;
            inTag = c == '<';
        } else if (inTag && length++ == 0) {
            start = i;
        }
    }
    return item.substr(start, length);
}

// Reads a fragment that only opens its tag: "<Key>value" up to the next '<'.
std::optional<std::string> ValueOfOpenTag(const std::string& item, const std::string& key)
{
    // Most lookups are for another key: the value, which may be as long as
    // the device's answer, is read only for the fragment's own tag.
    if (OpenedTag(item) != key) return std::nullopt;
    std::string tag;
    std::string value;
    bool inTag = false;
    bool afterTag = false;
    for (const char c : item) {
        if (c == '<') {
            if (!tag.empty()) break;
            inTag = true;
        } else if (c == '>') {
            inTag = false;
            afterTag = true;
        } else if (inTag) {
            tag += c;
        } else if (afterTag) {
            value += c;
        }
    }
    if (tag == key) return value;
    return std::nullopt;
}

std::string ScopeUri(const char* path) { return std::string(VENDOR_URI_ROOT) + path; }

}  // namespace

std::string DeviceRecord::GetMetadataValue(const std::string& key) const
{
    for (const std::string& item : metadata) {
        if (auto value = ValueBetweenMarks(item, key)) return *value;
        if (auto value = ValueOfOpenTag(item, key)) return *value;
    }
    return {};
}

int DeviceRecord::GetHeight() const { return LeadingInteger(GetMetadataValue("Height")); }

int DeviceRecord::GetWidth() const { return LeadingInteger(GetMetadataValue("Width")); }

std::string DeviceRecord::GetDescription() const
{
    std::string description = ShownMetadataText(GetMetadataValue("Description"));
    if (description.empty() && IsVideoProcessor()) description = "Unknown Lyrax-80";
    return description;
}

std::string DeviceRecord::GetMac() const
{
    std::string mac = ShownMetadataText(GetMetadataValue("MAC"));
    return mac.empty() ? Latin1ToUtf8(xAddrs) : mac;
}

std::string DeviceRecord::GetDhcpName() const
{
    std::string name = GetMetadataValue("DHCPName");
    return ShownMetadataText(name.empty() ? GetMetadataValue("ComputerName") : name);
}

std::string DeviceRecord::GetDiscoveryVersion() const
{
    return ShownMetadataText(GetMetadataValue("DiscoveryVersion"));
}

bool DeviceRecord::IsVideoProcessor() const { return Contains(scopes, ScopeUri("2011/videoprocessor/lyrax")); }

bool DeviceRecord::IsMediaPlayer() const { return Contains(scopes, ScopeUri("2011/player/tovo")); }

bool DeviceRecord::IsBridge() const { return Contains(scopes, ScopeUri("scopes/marvane/Halden/Bridge")); }

bool DeviceRecord::IsPreviousGenerationController() const
{
    return Contains(scopes, ScopeUri("scopes/marvane/Ferro/X7"));
}

bool DeviceRecord::HasHomeScope() const { return Contains(scopes, VENDOR_HOME_URI); }

std::string MakeServicesItem(const std::string& services) { return "<Services>" + services + "</Services>"; }

}  // namespace signseek
