#pragma once

#include "common/VendorConstants.h"
#include "discovery/DeviceRecord.h"

#include <string>

namespace signseek {

inline std::string VendorScope(const char* path) { return std::string(VENDOR_URI_ROOT) + path; }

inline const std::string kVideoProcessorScope = VendorScope("2011/videoprocessor/lyrax");
inline const std::string kMediaPlayerScope = VendorScope("2011/player/tovo");
inline const std::string kBridgeScope = VendorScope("scopes/marvane/Halden/Bridge");
inline const std::string kX7Scope = VendorScope("scopes/marvane/Ferro/X7");
inline const std::string kManagementContract = VendorScope("contracts/Players:Management");

inline DeviceRecord MakeRecord(std::string address, std::string xAddrs, std::string scopes = {}, std::string types = {})
{
    DeviceRecord r;
    r.address = std::move(address);
    r.xAddrs = std::move(xAddrs);
    r.scopes = std::move(scopes);
    r.types = std::move(types);
    return r;
}

}  // namespace signseek
