#pragma once

#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <memory>
#include <vector>

// A discovery run's records as one array with its count, in the order the
// devices were first accepted. With no devices the array is valid and empty;
// when it cannot be allocated it is null and the count 0.
struct ResultArray {
    std::unique_ptr<DeviceRecord[]> records;
    std::size_t count = 0;
};

ResultArray MakeResultArray(const std::vector<DeviceRecord>& devices) noexcept;
