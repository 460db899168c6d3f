#include "checks/LinuxFirewall.h"
#include "common/BridgePorts.h"
#include "common/TextHelpers.h"
#include "common/VendorConstants.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

namespace signseek {

namespace {

constexpr unsigned long E_FAIL_STATUS = 0x80004005ul;
// firewall-cmd's exit status for "not running".
constexpr int FIREWALLD_NOT_RUNNING = 252;
// More services than a zone holds in practice; each costs one query.
constexpr std::size_t MAX_SERVICES_ASKED = 64;

const std::string TCP_PORT = std::to_string(REPLY_PORT) + "/tcp";
const std::string UDP_RANGE = std::to_string(BRIDGE_PORT_FIRST) + "-" + std::to_string(BRIDGE_PORT_LAST);
const std::string UFW_UDP_RANGE = std::to_string(BRIDGE_PORT_FIRST) + ":" + std::to_string(BRIDGE_PORT_LAST) + "/udp";

std::string_view Trimmed(std::string_view text)
{
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool Succeeded(const CommandResult& result)
{
    return result.outcome == CommandResult::Outcome::Exited && result.exitCode == 0;
}

bool Answered(const CommandResult& result, int exitCode, std::string_view answer)
{
    return result.outcome == CommandResult::Outcome::Exited && result.exitCode == exitCode &&
           Trimmed(result.output) == answer;
}

std::vector<Ipv4Network> Networks(const std::vector<LocalAdapter>& adapters)
{
    std::vector<Ipv4Network> networks;
    for (const LocalAdapter& adapter : adapters) networks.push_back(adapter.network);
    return networks;
}

// Every exception port of one protocol is let in by `allows`.
template <typename Allows> bool AllOpen(const char* protocol, Allows allows)
{
    for (const PortOfProtocol& port : ExceptionPorts())
        if (port.protocol == protocol && !allows(port)) return false;
    return true;
}

std::string Joined(const std::vector<std::string>& commands)
{
    std::string text;
    for (const std::string& command : commands) text += (text.empty() ? "" : " && ") + command;
    return text;
}

}  // namespace

std::vector<LocalAdapter> LocalAdapters()
{
    std::vector<LocalAdapter> adapters;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return adapters;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_netmask || !(a->ifa_flags & IFF_UP) ||
            (a->ifa_flags & IFF_LOOPBACK))
            continue;
        std::uint32_t address = ntohl(reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        std::uint32_t mask = ntohl(reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr);
        int prefix = 0;
        while (prefix < 32 && (mask >> (31 - prefix) & 1u)) ++prefix;
        adapters.push_back({a->ifa_name, {address & mask, prefix}});
    }
    freeifaddrs(list);
    return adapters;
}

unsigned long CommandStatus(const CommandResult& result)
{
    if (result.outcome == CommandResult::Outcome::Exited && result.exitCode != 0)
        return static_cast<unsigned long>(result.exitCode);
    return E_FAIL_STATUS;
}

LinuxFirewall::LinuxFirewall()
    : m_pOwnRunner(std::make_unique<ProcessRunner>(SYSTEM_SEARCH_PATH)), m_pRunner(m_pOwnRunner.get()),
      m_pDiagnostics(&std::cout), m_limits(), m_strUfwConfig(UFW_CONFIG_FILE), m_pCredentials(nullptr)
{}

LinuxFirewall::LinuxFirewall(CommandRunner& runner, std::ostream& diagnostics, TimeLimits limits, std::string ufwConfig,
                             const CredentialSource* credentials)
    : m_pRunner(&runner), m_pDiagnostics(&diagnostics), m_limits(limits), m_strUfwConfig(std::move(ufwConfig)),
      m_pCredentials(credentials)
{}

void LinuxFirewall::Failed(std::string_view step, unsigned long status)
{
    char line[64];
    std::snprintf(line, sizeof line, " failed: 0x%08lx\n", status);
    *m_pDiagnostics << step << line << std::flush;
}

bool LinuxFirewall::MayChange() const
{
    static const LinuxCredentialSource process;
    return IsAdminUser(m_pCredentials ? *m_pCredentials : process);
}

void LinuxFirewall::ReadFirewalld(State& state)
{
    const std::vector<LocalAdapter> adapters = LocalAdapters();
    CommandResult defaultZone = m_pRunner->Run({"firewall-cmd", "--get-default-zone"}, m_limits.query);
    CommandResult active = m_pRunner->Run({"firewall-cmd", "--get-active-zones"}, m_limits.query);
    if (!Succeeded(defaultZone)) Failed("firewall-cmd", CommandStatus(defaultZone));
    // No zone holds any interface: an exit status of its own, not a failure.
    std::map<std::string, std::string> zoneOf = FirewalldZonesOfInterfaces(Succeeded(active) ? active.output : "");

    // The zones that judge the devices' answers: each adapter's, an adapter
    // in none being in the default zone.
    std::set<std::string> zones;
    for (const LocalAdapter& adapter : adapters) {
        auto zone = zoneOf.find(adapter.name);
        zones.insert(zone != zoneOf.end() ? zone->second : std::string(Trimmed(defaultZone.output)));
    }
    if (adapters.empty()) zones.insert(std::string(Trimmed(defaultZone.output)));

    state.tcpOpen = state.udpOpen = true;
    for (const std::string& name : zones) {
        bool tcp = false, udp = false;
        CommandResult listed = name.empty()
                                   ? CommandResult{}
                                   : m_pRunner->Run({"firewall-cmd", "--zone=" + name, "--list-all"}, m_limits.query);
        if (Succeeded(listed)) {
            FirewalldZone zone = ParseFirewalldZone(listed.output);
            std::map<std::string, std::vector<std::string>> servicePorts;
            for (std::size_t i = 0; i < zone.services.size() && i < MAX_SERVICES_ASKED; ++i) {
                CommandResult info =
                    m_pRunner->Run({"firewall-cmd", "--info-service=" + zone.services[i]}, m_limits.query);
                if (Succeeded(info)) servicePorts[zone.services[i]] = FirewalldServicePorts(info.output);
            }
            const std::vector<Ipv4Network> networks = Networks(adapters);
            auto allows = [&](const PortOfProtocol& port) {
                return FirewalldZoneAllows(zone, servicePorts, port, networks);
            };
            tcp = AllOpen("tcp", allows);
            udp = AllOpen("udp", allows);
        } else if (!name.empty()) {
            Failed("firewall-cmd", CommandStatus(listed));
        }
        state.tcpOpen = state.tcpOpen && tcp;
        state.udpOpen = state.udpOpen && udp;
        if (!tcp || !udp) state.closedZones.push_back(name);  // empty: the default zone, unnamed
    }
}

void LinuxFirewall::ReadNetfilter(State& state, bool withRules)
{
    CommandResult ruleset = m_pRunner->Run({"nft", "list", "ruleset"}, m_limits.query);
    if (!Succeeded(ruleset)) {
        // Without rights the rules cannot be read; the firewall then counts as off.
        if (ruleset.outcome != CommandResult::Outcome::NotFound) Failed("nft", CommandStatus(ruleset));
        return;
    }
    std::vector<NftInputChain> chains = NftInputChains(ruleset.output);
    bool blocks = false;
    for (const NftInputChain& chain : chains) blocks = blocks || chain.blocks;
    if (!blocks) return;
    state.kind = Kind::Netfilter;
    if (!withRules) return;
    const std::vector<Ipv4Network> networks = Networks(LocalAdapters());
    state.tcpOpen = state.udpOpen = true;
    for (const NftInputChain& chain : chains) {
        auto allows = [&](const PortOfProtocol& port) { return NftChainAllows(chain, port, networks); };
        bool tcp = AllOpen("tcp", allows), udp = AllOpen("udp", allows);
        state.tcpOpen = state.tcpOpen && tcp;
        state.udpOpen = state.udpOpen && udp;
        if (!tcp || !udp) state.closedChains.push_back(chain);
    }
}

LinuxFirewall::State LinuxFirewall::ReadState(bool withRules)
{
    State state;
    CommandResult firewalld = m_pRunner->Run({"firewall-cmd", "--state"}, m_limits.query);
    if (Answered(firewalld, 0, "running")) {
        state.kind = Kind::Firewalld;
        if (withRules) ReadFirewalld(state);
        return state;
    }
    // A missing tool or a stopped daemon is an answer; anything else is not.
    if (firewalld.outcome != CommandResult::Outcome::NotFound &&
        !(firewalld.outcome == CommandResult::Outcome::Exited && firewalld.exitCode == FIREWALLD_NOT_RUNNING))
        Failed("firewall-cmd", CommandStatus(firewalld));

    CommandResult ufw = m_pRunner->Run({"ufw", "status", "verbose"}, m_limits.query);
    if (Succeeded(ufw) && UfwStatusIsActive(ufw.output)) {
        state.kind = Kind::Ufw;
        const std::vector<Ipv4Network> networks = Networks(LocalAdapters());
        auto allows = [&](const PortOfProtocol& port) { return UfwAllows(ufw.output, port, networks); };
        state.tcpOpen = AllOpen("tcp", allows);
        state.udpOpen = AllOpen("udp", allows);
        return state;
    }
    if (ufw.outcome != CommandResult::Outcome::NotFound &&
        !(Succeeded(ufw) && Contains(ufw.output, "Status: inactive"))) {
        Failed("ufw", CommandStatus(ufw));
        // Refused (not root): whether it is enabled is in its configuration.
        std::ifstream file(m_strUfwConfig);
        std::ostringstream config;
        config << file.rdbuf();
        if (file && UfwConfigEnabled(config.str())) {
            state.kind = Kind::Ufw;
            state.rulesUnreadable = true;
            return state;
        }
    }
    ReadNetfilter(state, withRules);
    return state;
}

int LinuxFirewall::IsFirewallOn()
{
    bool on = ReadState(false).kind != Kind::None;
    *m_pDiagnostics << (on ? "The firewall is on.\n" : "The firewall is off.\n") << std::flush;
    return on ? 1 : 0;
}

void LinuxFirewall::ReportPorts(const State& state)
{
    char line[96];
    std::snprintf(line, sizeof line,
                  state.tcpOpen ? "Port %ld is open in the firewall.\n" : "Port %ld is not open in the firewall.\n",
                  static_cast<long>(REPLY_PORT));
    *m_pDiagnostics << line;
    std::snprintf(line, sizeof line,
                  state.udpOpen ? "Ports %u-%u/udp are open in the firewall.\n"
                                : "Ports %u-%u/udp are not open in the firewall.\n",
                  unsigned{BRIDGE_PORT_FIRST}, unsigned{BRIDGE_PORT_LAST});
    *m_pDiagnostics << line << std::flush;
}

int LinuxFirewall::IsFirewallPortOpen()
{
    State state = ReadState(true);
    if (state.rulesUnreadable) {
        *m_pDiagnostics << "The firewall's rules cannot be read.\n" << std::flush;
        return FIREWALL_PORT_UNREADABLE;
    }
    ReportPorts(state);
    return state.kind != Kind::None && state.tcpOpen && state.udpOpen ? 1 : 0;
}

std::string LinuxFirewall::Manual(const State& state)
{
    if (state.kind == Kind::None || (!state.rulesUnreadable && state.tcpOpen && state.udpOpen)) return {};
    const bool mayChange = MayChange();
    // What this program adds itself, given the rights.
    if (mayChange && !state.rulesUnreadable && state.kind != Kind::Netfilter) return {};
    const std::string sudo = mayChange ? "" : "sudo ";
    std::vector<std::string> commands;
    if (state.kind == Kind::Ufw) {
        commands = {sudo + "ufw allow " + TCP_PORT, sudo + "ufw allow " + UFW_UDP_RANGE};
    } else if (state.kind == Kind::Firewalld) {
        for (const std::string& zone : state.closedZones) {
            const std::string ports = (zone.empty() ? "" : " --zone=" + zone) + " --add-port=" + TCP_PORT +
                                      " --add-port=" + UDP_RANGE + "/udp";
            commands.push_back(sudo + "firewall-cmd" + ports);
            commands.push_back(sudo + "firewall-cmd --permanent" + ports);
        }
    } else {
        // Inserted first, ahead of the rules that drop.
        for (const NftInputChain& chain : state.closedChains) {
            const std::string at = sudo + "nft insert rule " + chain.family + " " + chain.table + " " + chain.chain;
            commands.push_back(at + " tcp dport " + std::to_string(REPLY_PORT) + " accept");
            commands.push_back(at + " udp dport " + UDP_RANGE + " accept");
        }
    }
    return Joined(commands);
}

std::string LinuxFirewall::ManualCommand() { return Manual(ReadState(true)); }

bool LinuxFirewall::Add(const std::vector<std::string>& argv)
{
    CommandResult result = m_pRunner->Run(argv, m_limits.change);
    if (Succeeded(result)) return true;
    Failed("Add", CommandStatus(result));
    return false;
}

void LinuxFirewall::OpenFirewallPort()
{
    State state = ReadState(true);
    if (state.kind == Kind::None || (!state.rulesUnreadable && state.tcpOpen && state.udpOpen)) return;
    if (std::string manual = Manual(state); !manual.empty()) {
        *m_pDiagnostics << "To add the exception, run: " << manual << "\n" << std::flush;
        return;
    }
    bool added = true;
    if (state.kind == Kind::Firewalld) {
        // The run-time rule opens the ports now; the permanent one keeps them
        // across reloads and restarts.
        for (const std::string& zone : state.closedZones) {
            std::vector<std::string> argv{"firewall-cmd", "--add-port=" + TCP_PORT, "--add-port=" + UDP_RANGE + "/udp"};
            if (!zone.empty()) argv.insert(argv.begin() + 1, "--zone=" + zone);
            bool now = Add(argv);
            argv.insert(argv.begin() + 1, "--permanent");
            added = now && Add(argv) && added;
        }
    } else {
        added = Add({"ufw", "allow", TCP_PORT, "comment", FIREWALL_EXCEPTION_NAME}) &&
                Add({"ufw", "allow", UFW_UDP_RANGE, "comment", FIREWALL_EXCEPTION_NAME});
    }
    if (added) {
        char line[64];
        std::snprintf(line, sizeof line, "Port %ld is now open in the firewall.\n", static_cast<long>(REPLY_PORT));
        *m_pDiagnostics << line << std::flush;
    }
}

}  // namespace signseek
