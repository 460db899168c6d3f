#include "sim/CommandLine.h"

#include "common/DiscoveryValues.h"
#include "sim/LoadSet.h"

#include <arpa/inet.h>
#include <charconv>

namespace signseek::sim {
namespace {

bool ToInt(const std::string& text, int low, int high, int& value)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

}  // namespace

std::string Usage()
{
    return std::string("usage: signseek-sim (--scenario FILE | --demo | --count N) [options]\n"
                       "Simulated WS-Discovery display devices that answer probes on the discovery group.\n"
                       "  --scenario FILE    devices from a JSON scenario file\n"
                       "  --demo             the built-in mixed set of devices\n"
                       "  --count N          N X8 controllers (HTTP answers) and N bridges (datagram answers)\n"
                       "  --interface ADDR   interface address that joins the group (default 127.0.0.1)\n"
                       "  --port N           discovery port (default ") +
           std::to_string(DEFAULT_DISCOVERY_PORT) +
           ")\n"
           "  --max-delay MS     answers wait a random time up to MS milliseconds (default 500)\n"
           "  --workers N        threads that send answers (default 8)\n"
           "  --no-announce      no Hello as devices come (at start too), no Bye as they go (at stop too)\n"
           "  --duration S       run S seconds, then exit (default: until SIGINT or SIGTERM)\n"
           "  --log FILE         write the probe and answer lines to FILE instead of standard output\n"
           "  --help, -h         this text\n"
           "  --version, -V      the version\n"
           "\n"
           "A search probes for Types \"x8\" with the scope http://schemas.marvane.com/scopes/marvane/Ferro/X8\n"
           "and for any Types under http://schemas.marvane.com/ (both with a ReplyTo), and for\n"
           "Types \"Halden\" under http://schemas.marvane.com/scopes/marvane/Halden/Bridge (without);\n"
           "a device that answers none of them is reported with a warning at start-up.\n"
           "\n"
           "Exit status: 0 after a normal stop, 1 when the group cannot be joined, 2 for a\n"
           "bad command line or scenario.\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    CommandLine c;
    auto fail = [&c](const std::string& message) {
        c.error = message;
        return c;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            c.help = true;
        } else if (a == "--version" || a == "-V") {
            c.version = true;
        } else if (a == "--demo") {
            c.demo = true;
        } else if (a == "--scenario") {
            if (!value(c.scenarioFile) || c.scenarioFile.empty()) return fail("--scenario needs a file name");
        } else if (a == "--count") {
            if (!value(v) || !ToInt(v, 1, kMaxLoadCount, c.count))
                return fail("--count needs a number from 1 to " + std::to_string(kMaxLoadCount));
        } else if (a == "--interface") {
            in_addr address{};
            if (!value(v) || inet_pton(AF_INET, v.c_str(), &address) != 1)
                return fail("--interface needs a dotted IPv4 address");
            c.sim.interfaceAddress = v;
        } else if (a == "--port") {
            if (!value(v) || !ToInt(v, 1, 65535, c.sim.port)) return fail("--port needs a number from 1 to 65535");
        } else if (a == "--max-delay") {
            if (!value(v) || !ToInt(v, 0, 60000, c.sim.maxDelayMs))
                return fail("--max-delay needs milliseconds from 0 to 60000");
        } else if (a == "--workers") {
            if (!value(v) || !ToInt(v, 1, 256, c.sim.workers)) return fail("--workers needs a number from 1 to 256");
        } else if (a == "--duration") {
            int seconds = 0;
            if (!value(v) || !ToInt(v, 1, 86400 * 7, seconds))
                return fail("--duration needs whole seconds, at least 1");
            c.durationSeconds = seconds;
        } else if (a == "--no-announce") {
            c.sim.announce = false;
        } else if (a == "--log") {
            if (!value(c.logFile) || c.logFile.empty()) return fail("--log needs a file name");
        } else {
            return fail("unknown option \"" + a + "\"");
        }
    }
    if (c.help || c.version) return c;
    int sources = (c.demo ? 1 : 0) + (c.count ? 1 : 0) + (c.scenarioFile.empty() ? 0 : 1);
    if (sources != 1) return fail("give exactly one of --scenario, --demo and --count");
    return c;
}

}  // namespace signseek::sim