#pragma once
// `--count N`: N X8 controllers that answer the HTTP probes and N bridges that
// answer the bridge probe by datagram, so each of a search's two runs finds N
// devices. Every device has its own endpoint address and XAddrs host.

#include "sim/Device.h"

#include <vector>

namespace signseek::sim {

inline constexpr int kMaxLoadCount = 65000;

// 2 * count devices: controllers first, then bridges. count in 1..kMaxLoadCount.
std::vector<Device> LoadDevices(int count);

}  // namespace signseek::sim