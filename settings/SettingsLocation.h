#pragma once

#include <string>

namespace signseek {

// The machine-wide application data folder, shared by every user of the
// machine. Empty when the platform cannot name one; callers then leave the
// settings file alone.
std::string CommonAppDataFolder();

}  // namespace signseek
