#include "discovery/ResultArray.h"

#include <new>

namespace signseek {

std::unique_ptr<DeviceRecord[]> MakeRecordArray(const std::vector<DeviceRecord>& devices) noexcept
{
    try {
        std::unique_ptr<DeviceRecord[]> records(new DeviceRecord[devices.size()]);
        for (std::size_t i = 0; i < devices.size(); ++i) records[i] = devices[i];
        return records;
    } catch (const std::bad_alloc&) {
        // Out of memory: report the run as failed, never half a result.
        return nullptr;
    }
}

}  // namespace signseek
