#include "app/DeviceCount.h"

namespace signseek {

std::string DeviceCountText(int count) { return std::to_string(count) + (count == 1 ? " device" : " devices"); }

}  // namespace signseek
