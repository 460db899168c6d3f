#pragma once
// The devices a search found as text: a table or CSV of the device list's
// columns, or JSON with every field of every record; NDJSON gives one such
// record per line as the search finds or changes it. signseek-find prints
// them, the window exports its list as CSV or JSON with the same text.

#include "discovery/DeviceRecord.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace signseek {

struct FoundDevice {
    std::string run;  // "devices" or "bridges"
    DeviceRecord record;
    std::string site = {};  // the site a fleet listing read it from; empty for a search's own devices
};

// The "version" of the JSON and NDJSON format (packaging/schema): keys are
// only ever added; a change to existing ones would raise it.
inline constexpr int kOutputFormatVersion = 1;

// When any device names a site, the table and CSV lead with a Site column
// and JSON devices with a "site" key, and rows are ordered by site first.

std::string FormatTable(const std::vector<FoundDevice>& devices);
std::string FormatCsv(const std::vector<FoundDevice>& devices);
// {"version": 1, "devices": [...]}.
std::string FormatJson(const std::vector<FoundDevice>& devices);

// Where a list's text goes, piece by piece as it is made: at the text cap a
// list is tens of megabytes, too much to hold whole once more. Returns false
// when the text could not go out; writing then stops.
using TextOutput = std::function<bool(std::string_view)>;

// The same text as the Format functions above, written as it is made. Given
// the list to keep, they let each record go once its text is made.
void WriteTable(const std::vector<FoundDevice>& devices, const TextOutput& out);
void WriteTable(std::vector<FoundDevice>&& devices, const TextOutput& out);
void WriteCsv(const std::vector<FoundDevice>& devices, const TextOutput& out);
void WriteCsv(std::vector<FoundDevice>&& devices, const TextOutput& out);
void WriteJson(const std::vector<FoundDevice>& devices, const TextOutput& out);
void WriteJson(std::vector<FoundDevice>&& devices, const TextOutput& out);
// One device's object of FormatJson, on one line without a line feed.
std::string FormatJsonDevice(const FoundDevice& device);
// One line: {"event": event, "time": when (RFC 3339, UTC), "version": 1,
// then the keys of a device in FormatJson}.
std::string FormatNdjsonLine(const char* event, const FoundDevice& device,
                             std::chrono::system_clock::time_point time = std::chrono::system_clock::now());

}  // namespace signseek
