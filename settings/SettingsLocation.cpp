#include "settings/SettingsLocation.h"

#include <cstdlib>

namespace signseek {

// Linux keeps machine-wide variable state under /var/lib; the install step
// makes /var/lib/Marvane writable for the machine's users.
std::string CommonAppDataFolder() { return "/var/lib"; }

std::string UserSettingsFolder(const EnvironmentLookup& environment)
{
    auto absolute = [&environment](const char* name) {
        const char* value = environment(name);
        return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
    };
    if (std::string config = absolute("XDG_CONFIG_HOME"); !config.empty()) return config + "/signseek";
    if (std::string home = absolute("HOME"); !home.empty()) return home + "/.config/signseek";
    return {};
}

std::string UserSettingsFolder()
{
    return UserSettingsFolder([](const char* name) { return std::getenv(name); });
}

}  // namespace signseek
