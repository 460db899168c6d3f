#pragma once

#include "common/DiscoveryValues.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace signseek {

// The four discovery settings and the one-line file that keeps them between
// runs: <data folder>/Marvane/Discovery/settings.csv holding
// "receive,discovery,port,ttl\n".
//
// A load replaces each value outside the range the settings dialog accepts
// by its default and says so; it reads and writes only through the folder
// handles of SettingsFolder.h. A discovery run still passes its timeouts
// through UsableTimeout, so it never waits less than one second.
class CDiscoverySettings {
public:
    DiscoveryValues m_values;

    // Both look the folder up on the platform; failures leave the record
    // (Load) or the file (Save) as it was. Load returns one line for each
    // thing it left out (a file it would not read, a value out of range),
    // for the user; Save says whether the file now holds the record.
    std::vector<std::string> Load();
    bool Save() const;

    // The same with the data folder given (the one that holds "Marvane").
    std::vector<std::string> Load(const std::string& dataFolder);
    bool Save(const std::string& dataFolder) const;
    // Why a save failed, one line; empty when the file now holds the record.
    std::string SaveFailure(const std::string& dataFolder) const;

    // Fills the record from one line of the file: comma-separated fields
    // (empty ones skipped) read like atoi and assigned in file order. Fields
    // the line does not supply keep their values.
    void ParseLine(std::string_view line);

    // The file's line, "%d,%d,%d,%d\n" in the file's order.
    std::string FormatLine() const;

    bool operator==(const CDiscoverySettings&) const = default;
};

// The path of the settings file below a data folder.
std::string SettingsFilePath(const std::string& dataFolder);

// Copies the values into the process-wide values, and reads them back.
void PublishSettings(const DiscoveryValues& values);
DiscoveryValues PublishedSettings();

// Process-wide copies of the settings, read by the discovery threads while the
// user-interface thread may write them; atomic so those reads are well defined.
extern std::atomic<std::int32_t> g_nReceiveTimeout;
extern std::atomic<std::int32_t> g_nDiscoveryTimeout;
extern std::atomic<std::int32_t> g_nDiscoveryPort;
extern std::atomic<std::int32_t> g_nDiscoveryTTL;

}  // namespace signseek
