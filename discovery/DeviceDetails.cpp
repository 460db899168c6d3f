#include "discovery/DeviceDetails.h"

#include "discovery/ServiceCatalogue.h"
#include "discovery/TextEncoding.h"
#include "discovery/TextHelpers.h"

#include <string_view>

namespace {

// One "%-20s\t%-40s" row. Latin-1 has one byte per character, so padding the
// narrow text pads the widened text alike.
std::string DetailsRow(std::string_view label, std::string_view value)
{
    std::string row(label);
    if (row.size() < 20)
        row.append(20 - row.size(), ' ');
    row += '\t';
    row += value;
    if (value.size() < 40)
        row.append(40 - value.size(), ' ');
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
    text += DetailsRow("Address:", WithoutHttpScheme(address)) + "\n";
    text += DetailsRow("DHCP:", record.GetDhcpName()) + "\n";
    text += DetailsRow("MAC:", record.GetMac()) + "\n";

    std::vector<std::string> names = GetServiceNames(record.GetMetadataValue(META_SERVICES));
    if (names.empty())
        names = GetServiceNames(record.types);
    for (std::size_t i = 0; i < names.size(); ++i)
        text += "\n" + DetailsRow(i == 0 ? "Services:" : "", names[i]);

    text += "\n\n";
    text += DetailsRow("Discover:", "Version " + record.GetDiscoveryVersion());
    return WidenLatin1(text);
}
