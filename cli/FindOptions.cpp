#include "cli/FindOptions.h"

#include "settings/DiscoverySettings.h"
#include "settings/SettingsRanges.h"

#include <charconv>
#include <getopt.h>

namespace signseek {

namespace {

// A whole decimal number inside the range, or nothing.
std::optional<int> RangedNumber(const std::string& text, SettingRange range)
{
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 ||
        !range.Contains(static_cast<std::uint32_t>(value > 0xFFFFFFFFll ? 0xFFFFFFFFll : value)))
        return std::nullopt;
    return static_cast<int>(value);
}

std::string RangeError(const std::string& option, SettingRange range)
{
    return option + " needs an integer between " + std::to_string(range.low) + " and " + std::to_string(range.high);
}

enum LongOnly { kPort = 256, kTtl, kReceiveTimeout, kListInterfaces, kWatch, kInterval, kTarget, kTargetsFrom, kRate };

// Probes a second: from one a second to as fast as a small network takes.
constexpr SettingRange kProbeRateRange{1, 10000};

// A day between searches is as slow as a watch may be.
constexpr SettingRange kWatchIntervalRange{1, 86400};

const option kOptions[] = {
    {"interface", required_argument, nullptr, 'i'},
    {"format", required_argument, nullptr, 'f'},
    {"discovery-timeout", required_argument, nullptr, 't'},
    {"verbose", no_argument, nullptr, 'v'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"port", required_argument, nullptr, kPort},
    {"ttl", required_argument, nullptr, kTtl},
    {"receive-timeout", required_argument, nullptr, kReceiveTimeout},
    {"list-interfaces", no_argument, nullptr, kListInterfaces},
    {"watch", no_argument, nullptr, kWatch},
    {"interval", required_argument, nullptr, kInterval},
    {"target", required_argument, nullptr, kTarget},
    {"targets-from", required_argument, nullptr, kTargetsFrom},
    {"rate", required_argument, nullptr, kRate},
    {nullptr, 0, nullptr, 0},
};

// The long name of an option code, for messages.
std::string NameOf(int code)
{
    for (const option& o : kOptions)
        if (o.name && o.val == code) return std::string("--") + o.name;
    return std::string("-") + static_cast<char>(code);
}

}  // namespace

FindOptions OptionsFromSettings(const CDiscoverySettings& settings)
{
    FindOptions options;
    options.values = settings.m_values;
    return options;
}

std::string FindUsage()
{
    return std::string("Usage: signseek-find [options] [TARGET...]\n"
                       "Searches the local network for display devices and lists them; with\n"
                       "targets, asks those addresses directly, also across routers.\n"
                       "\n"
                       "  TARGET, --target TARGET      an IPv4 address (10.20.0.7), a range\n"
                       "                               (10.20.0.10-10.20.0.80), a subnet (10.20.0.0/24)\n"
                       "                               or a host name; at most 65536 addresses (a /16)\n"
                       "      --targets-from FILE      targets one a line, # starts a comment\n"
                       "      --rate N                 directed probes a second, 1-10000 (default 200)\n"
                       "  -i, --interface ADAPTER      interface name (eth0), adapter description or IPv4\n"
                       "                               address to search from (default: the first adapter),\n"
                       "                               or \"all\" for every usable adapter at once\n"
                       "      --list-interfaces        list the usable adapters and exit\n"
                       "      --port N                 discovery port, 1-65535\n"
                       "      --ttl N                  multicast time-to-live, 1-50\n"
                       "  -t, --discovery-timeout S    seconds to wait for answers, 1-600\n"
                       "      --receive-timeout S      seconds to wait for data, 1-600\n"
                       "  -f, --format FORMAT          table, json, csv or ndjson (default table)\n"
                       "  -v, --verbose                report each probe and answer on standard error\n"
                       "      --watch                  keep watching: print NDJSON events until stopped\n"
                       "      --interval S             with --watch, seconds between searches, 1-86400\n"
                       "                               (default 60)\n"
                       "  -h, --help                   show this text\n"
                       "  -V, --version                show the version\n"
                       "\n"
                       "Port, TTL and both time-outs default to the settings saved by the desktop\n") +
           "program (/var/lib/Marvane/Discovery/settings.csv; without it " + std::to_string(DEFAULT_DISCOVERY_PORT) +
           ", " + std::to_string(DEFAULT_DISCOVERY_TTL) + ", " + std::to_string(DEFAULT_DISCOVERY_TIMEOUT) + " and " +
           std::to_string(DEFAULT_RECEIVE_TIMEOUT) +
           ");\n"
           "options given here override them for this search only.\n"
           "\n"
           "Table and CSV list one row per device, ordered by run (devices, then\n"
           "bridges), name and IP address. CSV columns: Name, Dimensions, DHCP Name,\n"
           "IP Address, Endpoint Address, MAC, Web Page, Services, Discovery Version,\n"
           "Adapter, Via.\n"
           "JSON is {\"devices\": [...]}, each device with the keys run, address, types,\n"
           "matchBy, scopes, xAddrs, metadataVersion, metadata, sourceAddress, name,\n"
           "dimensions, dhcpName, ipAddress, mac, services, discoveryVersion, webPage,\n"
           "adapter, via.\n"
           "NDJSON prints one JSON object per line as soon as a device answers, and\n"
           "again when a later answer changes it: the key event (\"found\" or\n"
           "\"changed\") followed by the keys of a JSON device.\n"
           "\n"
           "With targets and no --interface only the targets are probed, by unicast\n"
           "to their discovery port; with --interface the multicast search goes out\n"
           "as well. Each device's probes are those of a multicast search, the\n"
           "ReplyTo naming the local address the route to the target leaves from. A\n"
           "search of targets alone ends as soon as every target answered, else the\n"
           "discovery time-out after its last probe. -v lists the targets that did\n"
           "not answer. Each record's via (JSON) or Via (CSV) says \"multicast\" or\n"
           "\"directed\".\n"
           "\n"
           "Interrupted (SIGINT, Ctrl-C) or terminated (SIGTERM), the search stops at\n"
           "once and lists what it found so far.\n"
           "\n"
           "--watch listens for the devices' Hello and Bye announcements on the\n"
           "discovery group and searches again every interval. It prints NDJSON events:\n"
           "\"found\", \"changed\", and \"lost\" (a Bye, or no answer for three\n"
           "intervals); run is then \"devices\", \"bridges\" or \"hello\", whichever\n"
           "found the device first. It runs until SIGINT or SIGTERM and then exits 0.\n"
           "\n"
           "Exit status:\n"
           "  0  the search ran, whether or not devices answered\n"
           "  1  the search could not run (the cause is on standard error); devices\n"
           "     found by the other run are still listed\n"
           "  2  a bad option or value, a bad target, or an unknown adapter\n"
           "  3  the only target was one address and it did not answer\n"
           "  130, 143  stopped by SIGINT or SIGTERM, after listing what was found\n";
}

ParsedOptions ParseFindOptions(const std::vector<std::string>& arguments, const FindOptions& defaults)
{
    FindOptions options = defaults;
    std::vector<std::string> copies;
    copies.reserve(arguments.size() + 1);
    copies.push_back("signseek-find");
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);

    bool intervalGiven = false;
    bool formatGiven = false;
    opterr = 0;
    optind = 0;  // a fresh scan, also when called again
    const int argc = static_cast<int>(copies.size());
    for (;;) {
        int index = -1;
        const int code = getopt_long(argc, argv.data(), ":i:f:t:vhV", kOptions, &index);
        if (code == -1) break;
        const std::string value = optarg ? optarg : "";
        switch (code) {
        case '?': {
            std::string given = optopt ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1];
            return {std::nullopt, "unknown option " + given.substr(0, given.find('=')) + " (see --help)"};
        }
        case ':': return {std::nullopt, NameOf(optopt) + " needs a value"};
        case 'h': options.help = true; break;
        case 'V': options.version = true; break;
        case 'v': options.verbose = true; break;
        case kListInterfaces: options.listInterfaces = true; break;
        case kWatch: options.watch = true; break;
        case kInterval: {
            auto number = RangedNumber(value, kWatchIntervalRange);
            if (!number) return {std::nullopt, RangeError("--interval", kWatchIntervalRange)};
            options.watchInterval = *number;
            intervalGiven = true;
            break;
        }
        case kTarget: options.targets.push_back(value); break;
        case kTargetsFrom:
            if (value.empty()) return {std::nullopt, "--targets-from needs a file"};
            options.targetsFile = value;
            break;
        case kRate: {
            auto number = RangedNumber(value, kProbeRateRange);
            if (!number) return {std::nullopt, RangeError("--rate", kProbeRateRange)};
            options.probeRate = *number;
            break;
        }
        case 'i':
            if (value.empty()) return {std::nullopt, "--interface needs an adapter or an address"};
            options.interface = value;
            break;
        case 'f':
            formatGiven = true;
            if (value == "table")
                options.format = OutputFormat::Table;
            else if (value == "json")
                options.format = OutputFormat::Json;
            else if (value == "csv")
                options.format = OutputFormat::Csv;
            else if (value == "ndjson")
                options.format = OutputFormat::Ndjson;
            else
                return {std::nullopt, "--format must be table, json, csv or ndjson"};
            break;
        default: {
            struct Numeric {
                int code;
                std::int32_t* target;
                SettingRange range;
            } numerics[] = {{kPort, &options.values.discoveryPort, kDiscoveryPortRange},
                            {kTtl, &options.values.ttl, kDiscoveryTtlRange},
                            {'t', &options.values.discoveryTimeout, kDiscoveryTimeoutRange},
                            {kReceiveTimeout, &options.values.receiveTimeout, kReceiveTimeoutRange}};
            for (const Numeric& n : numerics) {
                if (n.code != code) continue;
                auto number = RangedNumber(value, n.range);
                if (!number) return {std::nullopt, RangeError(NameOf(code), n.range)};
                *n.target = *number;
            }
        }
        }
    }
    options.targets.insert(options.targets.end(), argv.begin() + optind, argv.begin() + argc);
    const bool directed = !options.targets.empty() || !options.targetsFile.empty();
    if (directed && options.watch) return {std::nullopt, "--watch watches an adapter, not targets"};
    if (directed && options.interface == "all")
        return {std::nullopt, "targets go with one adapter (--interface) or none, not all"};
    if (intervalGiven && !options.watch) return {std::nullopt, "--interval needs --watch"};
    // A watch lists a device by its host, which two adapters' networks may share.
    if (options.watch && options.interface == "all") return {std::nullopt, "--watch watches one adapter, not all"};
    if (options.watch && formatGiven && options.format != OutputFormat::Ndjson)
        return {std::nullopt, "--watch prints NDJSON events; --format must be ndjson"};
    if (options.watch) options.format = OutputFormat::Ndjson;
    return {options, ""};
}

}  // namespace signseek
