#include "settings/SettingsBounds.h"

#include "settings/SettingsRanges.h"

namespace signseek {

BoundedSettings BoundSettings(const DiscoveryValues& values)
{
    const DiscoveryValues defaults;
    BoundedSettings bounded{values, {}};
    struct Field {
        const char* name;
        std::int32_t DiscoveryValues::*member;
        SettingRange range;
    };
    // In the settings dialog's order of checks.
    const Field fields[] = {
        {"discovery timeout", &DiscoveryValues::discoveryTimeout, kDiscoveryTimeoutRange},
        {"receive timeout", &DiscoveryValues::receiveTimeout, kReceiveTimeoutRange},
        {"discovery port", &DiscoveryValues::discoveryPort, kDiscoveryPortRange},
        {"discovery TTL", &DiscoveryValues::ttl, kDiscoveryTtlRange},
    };
    for (const Field& field : fields) {
        const std::int32_t value = values.*field.member;
        // Negative values compare as large unsigned ones, as in the dialog.
        if (field.range.Contains(static_cast<std::uint32_t>(value))) continue;
        bounded.values.*field.member = defaults.*field.member;
        bounded.ignored.push_back("the " + std::string(field.name) + " " + std::to_string(value) + " is outside " +
                                  std::to_string(field.range.low) + " to " + std::to_string(field.range.high) +
                                  "; the default " + std::to_string(defaults.*field.member) + " is used");
    }
    return bounded;
}

}  // namespace signseek
