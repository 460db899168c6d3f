#pragma once
// The devices of a fleet listing: each retained payload (a device's JSON as
// the watch published it) read back into a record, so every output format
// shows it as a search would.

#include "cli/mqtt/FleetReader.h"
#include "present/ResultPrinter.h"

#include <optional>
#include <string>

namespace signseek {

// Nothing when the payload is not a device's JSON object.
std::optional<FoundDevice> DeviceFromJson(const std::string& payload, const std::string& site);

}  // namespace signseek
