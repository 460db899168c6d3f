#pragma once
// Scenario files: a JSON list of devices, checked field by field so a bad
// file gets a message that names the place of the fault.

#include "sim/Device.h"

#include <string>
#include <vector>

namespace signseek::sim {

struct ScenarioResult {
    std::vector<Device> devices;
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
};

ScenarioResult ParseScenario(const std::string& jsonText);
ScenarioResult LoadScenarioFile(const std::string& path);

// UTF-8 (as JSON carries it) to the 8-bit text the wire layer writes; false
// for malformed UTF-8 or characters beyond U+00FF.
bool Utf8ToLatin1(const std::string& utf8, std::string& latin1);

}  // namespace signseek::sim