#pragma once
// Loaded values brought into the ranges the settings dialog accepts, so a
// hand-edited or planted settings file cannot make a search run for ever or
// send what the system refuses.

#include "common/DiscoveryValues.h"

#include <string>
#include <vector>

namespace signseek {

struct BoundedSettings {
    DiscoveryValues values;
    // One line per value replaced by its default, saying which and why.
    std::vector<std::string> ignored;
};

BoundedSettings BoundSettings(const DiscoveryValues& values);

}  // namespace signseek
