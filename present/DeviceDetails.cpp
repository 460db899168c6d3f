#include "present/DeviceDetails.h"

#include "common/TextEncoding.h"
#include "common/TextHelpers.h"
#include "present/DisplayRows.h"

#include <string_view>

namespace signseek {

namespace {

// Characters, not bytes, of valid UTF-8 text.
std::size_t CharacterCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// One "%-20s\t%-40s" row of UTF-8 text, padded by characters.
std::string DetailsRow(std::string_view label, std::string_view value)
{
    std::string row(label);
    if (row.size() < 20) row.append(20 - row.size(), ' ');
    row += '\t';
    row += value;
    const std::size_t length = CharacterCount(value);
    if (length < 40) row.append(40 - length, ' ');
    return row;
}

// One left-to-right pass, so hostile text cannot make this quadratic.
std::string WithoutHttpScheme(std::string_view text)
{
    static constexpr std::string_view scheme = "http://";
    std::string out;
    std::size_t pos = 0;
    for (std::size_t at; (at = text.find(scheme, pos)) != std::string_view::npos; pos = at + scheme.size())
        out += text.substr(pos, at - pos);
    out += text.substr(pos);
    return out;
}

}  // namespace

std::wstring BuildDeviceDetails(const DeviceRecord& record)
{
    const std::string& address = Contains(record.address, "http://") ? record.address : record.xAddrs;

    std::string text;
    text += DetailsRow("Address:", Latin1ToUtf8(WithoutHttpScheme(address))) + "\n";
    text += DetailsRow("DHCP:", record.GetDhcpName()) + "\n";
    text += DetailsRow("MAC:", record.GetMac()) + "\n";
    if (!record.adapter.empty()) text += DetailsRow("Adapter:", Latin1ToUtf8(record.adapter)) + "\n";

    const std::vector<std::string> names = ShownServiceNames(record);
    for (std::size_t i = 0; i < names.size(); ++i) text += "\n" + DetailsRow(i == 0 ? "Services:" : "", names[i]);

    text += "\n\n";
    text += DetailsRow("Discover:", "Version " + record.GetDiscoveryVersion());
    return WidenDeviceBytes(text);
}

}  // namespace signseek
