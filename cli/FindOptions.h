#pragma once
// Command-line options of signseek-find.

#include "cli/mqtt/BrokerAddress.h"
#include "common/DiscoveryValues.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace signseek {

class CDiscoverySettings;

enum class OutputFormat { Table, Json, Csv, Ndjson };

struct FindOptions {
    std::string interface;   // interface name, adapter description or dotted address; empty: first adapter
    DiscoveryValues values;  // --port, --ttl, --discovery-timeout, --receive-timeout
    OutputFormat format = OutputFormat::Table;
    bool verbose = false;
    bool watch = false;                    // --watch: NDJSON events until stopped
    int watchInterval = 60;                // --interval: seconds from one search to the next
    std::optional<BrokerAddress> publish;  // --publish: the watch's events to this broker
    std::optional<BrokerAddress> from;     // --from: list the devices retained on this broker
    std::string site;                      // --site; empty: the host name
    TlsFiles tlsFiles;                     // --mqtt-cafile, --mqtt-cert, --mqtt-key
    std::string passwordFile;              // --mqtt-password-file
    // --reply-port: the TCP port the devices answer to; unset, REPLY_PORT, or a
    // free port when another search holds it.
    std::optional<std::uint16_t> replyPort;
    bool noConfig = false;  // --no-config: the saved settings play no part
    bool listInterfaces = false;
    bool help = false;
    bool version = false;
    // Directed search: targets as given (addresses, ranges, subnets, host
    // names; the arguments and each --target), the --targets-from file, and
    // the probes a second.
    std::vector<std::string> targets;
    std::string targetsFile;
    int probeRate = 200;
};

// The saved settings as a search's starting values; the options override them.
FindOptions OptionsFromSettings(const CDiscoverySettings& settings);

struct ParsedOptions {
    std::optional<FindOptions> options;  // empty on error
    std::string error;                   // one line, without the program name
};

// Parses the arguments (without the program name) over the given defaults.
ParsedOptions ParseFindOptions(const std::vector<std::string>& arguments, const FindOptions& defaults = {});

std::string FindUsage();

// signseek-find's exit statuses.
inline constexpr int kExitSuccess = 0;    // the search ran (whether or not anything answered)
inline constexpr int kExitRunFailed = 1;  // a discovery run could not run, or the output could not be
                                          // written; the cause is on standard error
inline constexpr int kExitUsage = 2;      // a bad option or value, or an unknown adapter
inline constexpr int kExitNotFound = 3;   // the search's only target, one address, did not answer
// A watch stopped by SIGINT or SIGTERM ends with kExitSuccess: stopping is how it ends.
// Stopped by a signal (SIGINT 130, SIGTERM 143), after listing what was found.
inline constexpr int kExitSignalBase = 128;

}  // namespace signseek
