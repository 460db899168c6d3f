#pragma once
// The built-in mixed set of `--demo`: a media player with three endpoints, a
// video processor, a bridge and an X8 controller that a search lists, and an
// X7 controller and a home-page device that answer but are not listed.

#include "sim/Device.h"

#include <vector>

namespace signseek::sim {

std::vector<Device> DemoDevices();

}  // namespace signseek::sim