#pragma once
// signseek-find --from: every site's devices as a broker holds them.

#include "cli/FindOptions.h"
#include "present/ResultPrinter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace signseek {

struct FleetListing {
    std::vector<FoundDevice> devices;
    std::string failure;         // why the broker could not be read (one line)
    bool badSetup = false;       // the failure is the password or TLS files given
    bool limitReached = false;   // more devices than a listing keeps
    std::size_t unreadable = 0;  // retained messages that were no device's JSON
};

FleetListing ListFleet(const FindOptions& options);

}  // namespace signseek
