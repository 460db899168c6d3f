#pragma once
// The devices a search found as text: a table or CSV of the device list's
// columns, or JSON with every field of every record; NDJSON gives one such
// record per line as the search finds or changes it. signseek-find prints
// them, the window exports its list as CSV or JSON with the same text.

#include "discovery/DeviceRecord.h"

#include <string>
#include <vector>

namespace signseek {

struct FoundDevice {
    std::string run;  // "devices" or "bridges"
    DeviceRecord record;
};

std::string FormatTable(const std::vector<FoundDevice>& devices);
std::string FormatCsv(const std::vector<FoundDevice>& devices);
std::string FormatJson(const std::vector<FoundDevice>& devices);
// One line: {"event": event, then the keys of a device in FormatJson}.
std::string FormatNdjsonLine(const char* event, const FoundDevice& device);

}  // namespace signseek
