#pragma once
#ifndef SIGNSEEK_ENGINE_INTERNAL
#error "discovery/ResultArray.h is internal to the discovery engine: search through discovery/Search.h"
#endif

#include "discovery/DeviceRecord.h"

#include <memory>
#include <vector>

namespace signseek {

// A run's records as the one array DiscoverDevices and DiscoverBridges give
// back, in the same order. With no devices the array is valid and empty;
// when it cannot be allocated it is null.
std::unique_ptr<DeviceRecord[]> MakeRecordArray(const std::vector<DeviceRecord>& devices) noexcept;

}  // namespace signseek
