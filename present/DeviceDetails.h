#pragma once

#include "discovery/DeviceRecord.h"

#include <string>

namespace signseek {

// The multi-line details text of a device (its row's tooltip): Address,
// DHCP, MAC, one row per service name and the discovery version, as label
// and value columns.
std::wstring BuildDeviceDetails(const DeviceRecord& record);

}  // namespace signseek
