#include "cli/mqtt/FleetDevices.h"

#include "common/TextEncoding.h"

#include <nlohmann/json.hpp>

namespace signseek {

namespace {

using Json = nlohmann::json;

// A device object is flat but for two lists of strings; anything deeper is
// refused before parsing, so no payload can nest without end.
bool ShallowEnough(const std::string& text)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > 3) return false;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return true;
}

// The record's fields are Latin-1 bytes, written out as UTF-8; back to
// Latin-1 they go. A character beyond Latin-1 cannot have come from a record
// and becomes '?'.
std::string Utf8ToLatin1(const std::string& utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead >= 0xC2 && lead <= 0xC3 && i + 1 < utf8.size())
            out += static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
        else
            out += '?';
        i += length;
    }
    return out;
}

std::string Text(const Json& object, const char* key)
{
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? Utf8ToLatin1(it->get<std::string>()) : "";
}

}  // namespace

std::optional<FoundDevice> DeviceFromJson(const std::string& payload, const std::string& site)
{
    if (!ShallowEnough(payload)) return std::nullopt;
    const Json object = Json::parse(payload, nullptr, false);
    if (!object.is_object()) return std::nullopt;
    auto address = object.find("address");
    if (address == object.end() || !address->is_string()) return std::nullopt;

    FoundDevice device;
    device.site = DeviceBytesToUtf8(site);
    device.run = Text(object, "run");
    DeviceRecord& r = device.record;
    r.address = Text(object, "address");
    r.types = Text(object, "types");
    r.matchBy = Text(object, "matchBy");
    r.scopes = Text(object, "scopes");
    r.xAddrs = Text(object, "xAddrs");
    r.sourceAddress = Text(object, "sourceAddress");
    r.adapter = Text(object, "adapter");
    if (auto version = object.find("metadataVersion"); version != object.end() && version->is_number_unsigned())
        r.metadataVersion = static_cast<std::uint32_t>(version->get<std::uint64_t>());
    // Items went out as the device's text in UTF-8, which is what they hold again.
    if (auto metadata = object.find("metadata"); metadata != object.end() && metadata->is_array())
        for (const Json& item : *metadata)
            if (item.is_string()) r.metadata.push_back(item.get<std::string>());
    return device;
}

}  // namespace signseek
