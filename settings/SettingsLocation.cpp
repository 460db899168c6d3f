#include "settings/SettingsLocation.h"

namespace signseek {

// Linux keeps machine-wide variable state under /var/lib; the install step
// makes /var/lib/Marvane writable for the machine's users.
std::string CommonAppDataFolder() { return "/var/lib"; }

}  // namespace signseek
