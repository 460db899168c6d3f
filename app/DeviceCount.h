#pragma once
// The line below the device list that says how many devices it shows.

#include <string>

namespace signseek {

// "1 device", otherwise "<count> devices".
std::string DeviceCountText(int count);

}  // namespace signseek
