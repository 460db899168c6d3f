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

enum LongOnly {
    kPort = 256,
    kTtl,
    kReceiveTimeout,
    kListInterfaces,
    kWatch,
    kInterval,
    kPublish,
    kFrom,
    kSite,
    kMqttCaFile,
    kMqttCert,
    kMqttKey,
    kMqttPasswordFile,
    kReplyPort,
    kNoConfig,
    kTarget,
    kTargetsFrom,
    kRate,
};

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
    {"publish", required_argument, nullptr, kPublish},
    {"from", required_argument, nullptr, kFrom},
    {"site", required_argument, nullptr, kSite},
    {"mqtt-cafile", required_argument, nullptr, kMqttCaFile},
    {"mqtt-cert", required_argument, nullptr, kMqttCert},
    {"mqtt-key", required_argument, nullptr, kMqttKey},
    {"mqtt-password-file", required_argument, nullptr, kMqttPasswordFile},
    {"reply-port", required_argument, nullptr, kReplyPort},
    {"no-config", no_argument, nullptr, kNoConfig},
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
                       "      --reply-port N           TCP port the devices answer to, 1-65535 (default\n"
                       "                               8000, or a free port while another search holds it)\n"
                       "      --no-config              ignore the saved settings\n"
                       "  -f, --format FORMAT          table, json, csv or ndjson (default table)\n"
                       "  -v, --verbose                report each probe and answer on standard error\n"
                       "      --watch                  keep watching: print NDJSON events until stopped\n"
                       "      --interval S             with --watch, seconds between searches, 1-86400\n"
                       "                               (default 60)\n"
                       "      --publish URL            with --watch, publish to an MQTT broker:\n"
                       "                               mqtt[s]://[USER@]HOST[:PORT]/PREFIX\n"
                       "      --site NAME              with --publish, the site's topic level\n"
                       "                               (default: the host name)\n"
                       "      --from URL               list the devices the agents retained on a broker,\n"
                       "                               mqtt[s]://[USER@]HOST[:PORT]/PREFIX[/SITE]\n"
                       "      --mqtt-cafile FILE       certificate authorities for mqtts://\n"
                       "      --mqtt-cert FILE         client certificate for mqtts:// (with --mqtt-key)\n"
                       "      --mqtt-key FILE          the client certificate's private key\n"
                       "      --mqtt-password-file FILE  the broker password, its first line (default:\n"
                       "                               $SIGNSEEK_MQTT_PASSWORD)\n"
                       "  -h, --help                   show this text\n"
                       "  -V, --version                show the version\n"
                       "\n"
                       "Port, TTL and both time-outs default to the settings saved by the desktop\n") +
           "program (/var/lib/Marvane/Discovery/settings.csv; without it " + std::to_string(DEFAULT_DISCOVERY_PORT) +
           ", " + std::to_string(DEFAULT_DISCOVERY_TTL) + ", " + std::to_string(DEFAULT_DISCOVERY_TIMEOUT) + " and " +
           std::to_string(DEFAULT_RECEIVE_TIMEOUT) +
           ");\n"
           "options given here override them for this search only. A saved value\n"
           "outside its range is replaced by its default, with a line on standard error.\n"
           "\n"
           "Table and CSV list one row per device, ordered by run (devices, then\n"
           "bridges), name (regardless of case, as the window lists them) and IP\n"
           "address. CSV columns: Name, Dimensions, DHCP Name, IP Address, Endpoint\n"
           "Address, MAC, Web Page, Services, Discovery Version, Adapter, Via.\n"
           "JSON is {\"version\": 1, \"devices\": [...]}, each device with the keys run,\n"
           "address, types, matchBy, scopes, xAddrs, metadataVersion, metadata,\n"
           "sourceAddress, name, dimensions, dhcpName, ipAddress, mac, services,\n"
           "discoveryVersion, webPage, adapter, height, width, rows, columns, host,\n"
           "hosts and via; what the device has not said is null.\n"
           "NDJSON prints one JSON object per line as soon as a device answers, and\n"
           "again when a later answer changes it: the keys event (\"found\" or\n"
           "\"changed\"), time (RFC 3339, UTC) and version, then the keys of a JSON\n"
           "device. Both formats are described by the JSON Schema in\n"
           "/usr/share/signseek-find/signseek-find.schema.json.\n"
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
           "With --publish the watch also publishes to the broker, under PREFIX/SITE:\n"
           "devices/ID (each device's JSON, retained, QoS 1; cleared when lost),\n"
           "events (each event line) and status (\"online\", \"offline\" also as will).\n"
           "--from reads the retained devices of every site under PREFIX (or of one\n"
           "SITE) and lists them in any --format, with the site as first column or key.\n"

           "Two searches can run at once: while another Signseek search (a watch or\n"
           "the window) holds TCP port 8000, a search without --reply-port takes its\n"
           "answers on a free port and says so on standard error.\n"
           "\n"
           "Exit status:\n"
           "  0  the search ran, whether or not devices answered\n"
           "  1  the search could not run (the cause is on standard error); devices\n"
           "     found by the other run are still listed. Also when the output could\n"
           "     not be written (a full disk, a closed pipe)\n"
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
        case kNoConfig: options.noConfig = true; break;
        case kReplyPort: {
            auto number = RangedNumber(value, kDiscoveryPortRange);
            if (!number) return {std::nullopt, RangeError("--reply-port", kDiscoveryPortRange)};
            options.replyPort = static_cast<std::uint16_t>(*number);
            break;
        }
        case kInterval: {
            auto number = RangedNumber(value, kWatchIntervalRange);
            if (!number) return {std::nullopt, RangeError("--interval", kWatchIntervalRange)};
            options.watchInterval = *number;
            intervalGiven = true;
            break;
        }
        case kPublish:
        case kFrom: {
            ParsedBrokerAddress broker = ParseBrokerAddress(value);
            if (!broker.address) return {std::nullopt, NameOf(code) + ": " + broker.error};
            (code == kPublish ? options.publish : options.from) = broker.address;
            break;
        }
        case kSite:
            if (!IsSafeTopicLevel(value))
                return {std::nullopt, "--site needs a name without /, +, #, control characters or a leading $"};
            options.site = value;
            break;
        case kMqttCaFile: options.tlsFiles.caFile = value; break;
        case kMqttCert: options.tlsFiles.certFile = value; break;
        case kMqttKey: options.tlsFiles.keyFile = value; break;
        case kMqttPasswordFile: options.passwordFile = value; break;
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
    if (options.publish && !options.watch) return {std::nullopt, "--publish needs --watch"};
    if (!options.site.empty() && !options.publish) return {std::nullopt, "--site needs --publish"};
    if (options.from && options.watch) return {std::nullopt, "--from lists a broker's devices; it does not watch"};
    const bool broker = options.publish || options.from;
    if (!broker && (!options.passwordFile.empty() || !options.tlsFiles.caFile.empty() ||
                    !options.tlsFiles.certFile.empty() || !options.tlsFiles.keyFile.empty()))
        return {std::nullopt, "the --mqtt options need --publish or --from"};
    if (options.tlsFiles.certFile.empty() != options.tlsFiles.keyFile.empty())
        return {std::nullopt, "--mqtt-cert and --mqtt-key go together"};
    if (options.watch) options.format = OutputFormat::Ndjson;
    return {options, ""};
}

}  // namespace signseek
