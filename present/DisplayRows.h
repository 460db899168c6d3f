#pragma once

#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace signseek {

// Image of a device row: a device the tool cannot manage normally (it only
// announced itself, or one of its services has no usable port) is marked.
enum class DeviceImage { Normal = 0, Marked = 1 };

// The column texts of one device-list row, as UTF-8 (the shown text of the
// record, DeviceRecord.h); the window widens them for display.
struct DisplayRow {
    std::string name;        // description, or "<none>"
    std::string dimensions;  // "%dX%d", or empty
    std::string dhcpName;
    std::string ipAddress;  // source address, ":port" appended unless port is 80
    DeviceImage image = DeviceImage::Normal;
};

// One row per transport address in record.xAddrs (identical rows; none for
// an empty or blank xAddrs).
std::vector<DisplayRow> MakeDisplayRows(const DeviceRecord& record);

// How many rows the record shows as: one per transport address.
std::size_t DisplayRowCount(const DeviceRecord& record);

// The row texts of one record, whatever its transport addresses.
DisplayRow MakeDisplayRow(const DeviceRecord& record);

// The "Services" value, or types when the device reported none.
std::string ServicesOrTypes(const DeviceRecord& record);

// The readable names of the record's services (its "Services" value, else
// its types), as UTF-8 shown text.
std::vector<std::string> ShownServiceNames(const DeviceRecord& record);

// What the device list shows of a record, in one text (services as a set):
// two records with the same text look the same in every view.
std::string ShownText(const DeviceRecord& record);

// True when every service token ends in a non-zero port number.
bool AllServicesHavePorts(std::string_view services);

// Web port of a device: the port of its last management service token in
// "Services" (else in types), "80" when there is none.
std::string GetManagementPort(const DeviceRecord& record);

// Stores the port of the last management token in services; false, leaving
// port untouched, when there is none.
bool FindManagementPort(std::string_view services, std::string& port);

}  // namespace signseek
