#include "present/DisplayRows.h"

#include <algorithm>

#include "common/TextEncoding.h"
#include "common/TextHelpers.h"
#include "common/VendorConstants.h"
#include "discovery/ServiceCatalogue.h"

namespace signseek {

namespace {

constexpr char DEFAULT_WEB_PORT[] = "80";

bool IsManagementToken(std::string_view token)
{
    return Contains(token, std::string(VENDOR_URI_ROOT) + "contracts/Players:Management") ||
           Contains(token, "cpp:Management");
}

std::string FormatDimensions(long long first, long long second)
{
    return std::to_string(first) + "X" + std::to_string(second);
}

std::string Dimensions(const DeviceRecord& record)
{
    if (record.IsVideoProcessor()) {
        // Wider than int so that a huge reported count cannot overflow.
        const long long rows = LeadingInteger(record.GetMetadataValue(META_ROWS)) + 1LL;
        const long long columns = LeadingInteger(record.GetMetadataValue(META_COLUMNS)) + 1LL;
        if (rows > 1 && columns > 1) return FormatDimensions(rows, columns);
        return {};
    }
    return FormatDimensions(record.GetHeight(), record.GetWidth());
}

}  // namespace

std::string ServicesOrTypes(const DeviceRecord& record)
{
    std::string services = record.GetMetadataValue(META_SERVICES);
    return services.empty() ? record.types : services;
}

std::vector<std::string> ShownServiceNames(const DeviceRecord& record)
{
    std::vector<std::string> names = GetServiceNames(ShownMetadataText(record.GetMetadataValue(META_SERVICES)));
    if (names.empty()) names = GetServiceNames(Latin1ToUtf8(record.types));
    return names;
}

bool AllServicesHavePorts(std::string_view services)
{
    bool all = true;
    for (const std::string& token : SplitString(services, WHITESPACE_DELIMITERS)) {
        if (LeadingInteger(TextAfterLastColon(token)) == 0) all = false;
    }
    return all;
}

bool FindManagementPort(std::string_view services, std::string& port)
{
    bool found = false;
    for (const std::string& token : SplitString(services, WHITESPACE_DELIMITERS)) {
        if (IsManagementToken(token)) {
            port = TextAfterLastColon(token);
            found = true;
        }
    }
    return found;
}

std::string GetManagementPort(const DeviceRecord& record)
{
    std::string port = DEFAULT_WEB_PORT;
    if (!FindManagementPort(record.GetMetadataValue(META_SERVICES), port)) FindManagementPort(record.types, port);
    return port;
}

DisplayRow MakeDisplayRow(const DeviceRecord& record)
{
    DisplayRow row;
    row.name = record.GetDescription();
    if (row.name.empty()) row.name = "<none>";

    const bool announced = !record.GetMetadataValue(META_HELLO).empty();
    if (announced || !AllServicesHavePorts(ServicesOrTypes(record))) row.image = DeviceImage::Marked;

    row.dhcpName = record.GetDhcpName();

    row.ipAddress = record.sourceAddress;
    if (row.image == DeviceImage::Normal) {
        const std::string port = GetManagementPort(record);
        if (port != DEFAULT_WEB_PORT) row.ipAddress += ":" + ShownMetadataText(port);
    }

    row.dimensions = Dimensions(record);
    return row;
}

std::size_t DisplayRowCount(const DeviceRecord& record)
{
    return SplitString(record.xAddrs, WHITESPACE_DELIMITERS).size();
}

std::vector<DisplayRow> MakeDisplayRows(const DeviceRecord& record)
{
    const std::size_t count = DisplayRowCount(record);
    if (count == 0) return {};
    return std::vector<DisplayRow>(count, MakeDisplayRow(record));
}

std::string ShownText(const DeviceRecord& record)
{
    std::string shown;
    for (const DisplayRow& row : MakeDisplayRows(record))
        shown += row.name + '\n' + row.dimensions + '\n' + row.dhcpName + '\n' + row.ipAddress + '\n';
    std::vector<std::string> services = ShownServiceNames(record);
    std::sort(services.begin(), services.end());
    for (const std::string& service : services) shown += service + ' ';
    return shown + '\n' + record.GetMac() + '\n' + record.GetDiscoveryVersion();
}

}  // namespace signseek
