#include "cli/FindOptions.h"

#include "settings/SettingsRanges.h"

#include <algorithm>
#include <charconv>

namespace {

// A whole decimal number inside the range, or nothing.
std::optional<int> RangedNumber(const std::string &text, SettingRange range)
{
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 ||
        !range.Contains(static_cast<std::uint32_t>(value > 0xFFFFFFFFll ? 0xFFFFFFFFll : value)))
        return std::nullopt;
    return static_cast<int>(value);
}

std::string RangeError(const std::string &option, SettingRange range)
{
    return option + " needs an integer between " + std::to_string(range.low) + " and " + std::to_string(range.high);
}

}  // namespace

std::string FindUsage()
{
    return "Usage: signseek-find [options]\n"
           "Searches the local network for display devices and lists them.\n"
           "\n"
           "  --interface ADAPTER      adapter description or IPv4 address to search from\n"
           "                           (default: the first adapter)\n"
           "  --port N                 discovery port, 1-65535 (default 3702)\n"
           "  --ttl N                  multicast time-to-live, 1-50 (default 2)\n"
           "  --discovery-timeout S    seconds to wait for answers, 1-600 (default 8)\n"
           "  --receive-timeout S      seconds to wait for data, 1-600 (default 1)\n"
           "  --format table|json|csv  output format (default table)\n"
           "  --help                   show this text\n"
           "  --version                show the version\n";
}

ParsedOptions ParseFindOptions(const std::vector<std::string> &arguments)
{
    FindOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool inlineValue = false;
        if (std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        if (name == "--help") { options.help = true; continue; }
        if (name == "--version") { options.version = true; continue; }

        struct Numeric {
            const char *name;
            int *target;
            SettingRange range;
        } numerics[] = {{"--port", &options.discoveryPort, kDiscoveryPortRange},
                        {"--ttl", &options.ttl, kDiscoveryTtlRange},
                        {"--discovery-timeout", &options.discoveryTimeout, kDiscoveryTimeoutRange},
                        {"--receive-timeout", &options.receiveTimeout, kReceiveTimeoutRange}};
        const bool known = name == "--interface" || name == "--format" ||
                           std::any_of(std::begin(numerics), std::end(numerics),
                                       [&name](const Numeric &n) { return name == n.name; });
        if (!known) return {std::nullopt, "unknown option " + name + " (see --help)"};
        if (!inlineValue) {
            if (i + 1 >= arguments.size()) return {std::nullopt, name + " needs a value"};
            value = arguments[++i];
        }
        if (name == "--interface") {
            if (value.empty()) return {std::nullopt, "--interface needs an adapter or an address"};
            options.interface = value;
        } else if (name == "--format") {
            if (value == "table") options.format = OutputFormat::Table;
            else if (value == "json") options.format = OutputFormat::Json;
            else if (value == "csv") options.format = OutputFormat::Csv;
            else return {std::nullopt, "--format must be table, json or csv"};
        } else {
            for (const Numeric &n : numerics) {
                if (name != n.name) continue;
                auto number = RangedNumber(value, n.range);
                if (!number) return {std::nullopt, RangeError(name, n.range)};
                *n.target = *number;
            }
        }
    }
    return {options, ""};
}
