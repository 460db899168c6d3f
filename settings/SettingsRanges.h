#pragma once
// The ranges the settings dialog accepts for each discovery setting; the
// command line holds its options to the same ranges.

#include <cstdint>

namespace signseek {

struct SettingRange {
    std::uint32_t low;
    std::uint32_t high;
    bool Contains(std::uint32_t value) const { return value >= low && value <= high; }
};

inline constexpr SettingRange kDiscoveryTimeoutRange{1, 600};
inline constexpr SettingRange kReceiveTimeoutRange{1, 600};
inline constexpr SettingRange kDiscoveryPortRange{1, 65535};
inline constexpr SettingRange kDiscoveryTtlRange{1, 50};

}  // namespace signseek
