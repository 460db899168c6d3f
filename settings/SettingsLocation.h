#pragma once

#include <functional>
#include <string>

namespace signseek {

// The machine-wide application data folder, shared by every user of the
// machine. Empty when the platform cannot name one; callers then leave the
// settings file alone.
std::string CommonAppDataFolder();

// An environment variable's value, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The folder of this user's own Signseek settings: $XDG_CONFIG_HOME/signseek,
// else ~/.config/signseek ($HOME). Relative values are not used, as the
// base directory convention says. Empty when neither names a folder.
std::string UserSettingsFolder(const EnvironmentLookup& environment);
std::string UserSettingsFolder();

}  // namespace signseek
