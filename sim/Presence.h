#pragma once
// When a device is there: always, or as its schedule says, counted from the
// simulator's start.

#include "sim/Device.h"

#include <chrono>
#include <optional>

namespace signseek::sim {

using std::chrono::milliseconds;

bool PresentAt(const Device& device, milliseconds sinceStart);

// The first moment after `sinceStart` at which the device comes or goes;
// nothing when it never changes again.
std::optional<milliseconds> NextChange(const Device& device, milliseconds sinceStart);

}  // namespace signseek::sim