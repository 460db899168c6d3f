#include "discovery/ResultArray.h"

#include <new>

ResultArray MakeResultArray(const std::vector<DeviceRecord>& devices) noexcept
{
    ResultArray result;
    try {
        std::unique_ptr<DeviceRecord[]> records(new DeviceRecord[devices.size()]);
        for (std::size_t i = 0; i < devices.size(); ++i)
            records[i] = devices[i];
        result.records = std::move(records);
        result.count = devices.size();
    } catch (const std::bad_alloc&) {
        // Out of memory: report the run as failed, never half a result.
    }
    return result;
}
