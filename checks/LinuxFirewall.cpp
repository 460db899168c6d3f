#include "checks/LinuxFirewall.h"
#include "common/TextHelpers.h"
#include "common/VendorConstants.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace signseek {

namespace {

constexpr unsigned long E_FAIL_STATUS = 0x80004005ul;
// firewall-cmd's exit status for "not running".
constexpr int FIREWALLD_NOT_RUNNING = 252;

const std::string PORT_SPEC = std::to_string(REPLY_PORT) + "/tcp";

std::string_view Trimmed(std::string_view text)
{
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool Answered(const CommandResult& result, int exitCode, std::string_view answer)
{
    return result.outcome == CommandResult::Outcome::Exited && result.exitCode == exitCode &&
           Trimmed(result.output) == answer;
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// Whether a port list such as "8000", "7000:9000" or "80,443,8000" names port.
bool PortListCovers(std::string_view list, unsigned port)
{
    for (const std::string& item : SplitString(list, ",")) {
        std::size_t colon = item.find(':');
        std::string_view low = std::string_view(item).substr(0, colon);
        std::string_view high = colon == std::string::npos ? low : std::string_view(item).substr(colon + 1);
        if (low.empty() || high.empty() || low.find_first_not_of("0123456789") != std::string_view::npos ||
            high.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        long from = LeadingInteger(low), to = LeadingInteger(high);
        if (from <= static_cast<long>(port) && static_cast<long>(port) <= to) return true;
    }
    return false;
}

// The "To" column of a rule covers TCP port for every address.
bool DestinationCovers(std::string_view to, unsigned port)
{
    std::size_t slash = to.find('/');
    std::string_view ports = to.substr(0, slash);
    if (slash != std::string_view::npos && to.substr(slash + 1) != "tcp") return false;
    return ports == "Anywhere" || PortListCovers(ports, port);
}

}  // namespace

bool UfwConfigEnabled(std::string_view config)
{
    bool enabled = false;
    for (std::string_view line : Lines(config)) {
        line = Trimmed(line);
        if (line.substr(0, 8) != "ENABLED=") continue;
        std::string_view value = line.substr(8);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        std::string lower(value);
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        enabled = lower == "yes";  // the last setting counts, as for the shell
    }
    return enabled;
}

bool UfwStatusIsActive(std::string_view status)
{
    for (std::string_view line : Lines(status))
        if (Trimmed(line) == "Status: active") return true;
    return false;
}

bool UfwStatusAllowsPort(std::string_view status, unsigned port)
{
    for (std::string_view line : Lines(status)) {
        std::size_t hash = line.find('#');  // the rule's comment
        std::vector<std::string> words = SplitString(line.substr(0, hash), WHITESPACE_DELIMITERS);
        std::size_t action = 0;
        while (action < words.size() && words[action] != "ALLOW" && words[action] != "DENY" &&
               words[action] != "REJECT" && words[action] != "LIMIT")
            ++action;
        // One destination word: no interface ("on eth0"), no address, no (v6).
        if (action != 1) continue;
        std::size_t from = action + 1;
        std::string direction =
            from < words.size() && (words[from] == "IN" || words[from] == "OUT" || words[from] == "FWD") ? words[from++]
                                                                                                         : "IN";
        if (direction != "IN" || from + 1 != words.size() || words[from] != "Anywhere") continue;
        if (!DestinationCovers(words[0], port)) continue;
        return words[action] == "ALLOW" || words[action] == "LIMIT";
    }
    return false;
}

unsigned long CommandStatus(const CommandResult& result)
{
    if (result.outcome == CommandResult::Outcome::Exited && result.exitCode != 0)
        return static_cast<unsigned long>(result.exitCode);
    return E_FAIL_STATUS;
}

LinuxFirewall::LinuxFirewall()
    : m_pOwnRunner(std::make_unique<ProcessRunner>(SYSTEM_SEARCH_PATH)), m_pRunner(m_pOwnRunner.get()),
      m_pDiagnostics(&std::cout), m_limits(), m_strUfwConfig(UFW_CONFIG_FILE)
{}

LinuxFirewall::LinuxFirewall(CommandRunner& runner, std::ostream& diagnostics, TimeLimits limits, std::string ufwConfig)
    : m_pRunner(&runner), m_pDiagnostics(&diagnostics), m_limits(limits), m_strUfwConfig(std::move(ufwConfig))
{}

void LinuxFirewall::Failed(std::string_view step, unsigned long status)
{
    char line[64];
    std::snprintf(line, sizeof line, " failed: 0x%08lx\n", status);
    *m_pDiagnostics << step << line << std::flush;
}

LinuxFirewall::State LinuxFirewall::ReadState()
{
    State state;
    CommandResult firewalld = m_pRunner->Run({"firewall-cmd", "--state"}, m_limits.query);
    if (Answered(firewalld, 0, "running")) {
        state.kind = Kind::Firewalld;
        return state;
    }
    // A missing tool or a stopped daemon is an answer; anything else is not.
    if (firewalld.outcome != CommandResult::Outcome::NotFound &&
        !(firewalld.outcome == CommandResult::Outcome::Exited && firewalld.exitCode == FIREWALLD_NOT_RUNNING))
        Failed("firewall-cmd", CommandStatus(firewalld));

    CommandResult ufw = m_pRunner->Run({"ufw", "status"}, m_limits.query);
    if (ufw.outcome == CommandResult::Outcome::Exited && ufw.exitCode == 0 && UfwStatusIsActive(ufw.output)) {
        state.kind = Kind::Ufw;
        state.ufwStatus = std::move(ufw.output);
    } else if (ufw.outcome != CommandResult::Outcome::NotFound &&
               !(ufw.outcome == CommandResult::Outcome::Exited && ufw.exitCode == 0 &&
                 Contains(ufw.output, "Status: inactive"))) {
        Failed("ufw", CommandStatus(ufw));
        // Refused (not root): whether it is enabled is in its configuration.
        std::ifstream file(m_strUfwConfig);
        std::ostringstream config;
        config << file.rdbuf();
        if (file && UfwConfigEnabled(config.str())) {
            state.kind = Kind::Ufw;
            state.rulesUnreadable = true;
        }
    }
    return state;
}

int LinuxFirewall::IsFirewallOn()
{
    bool on = ReadState().kind != Kind::None;
    *m_pDiagnostics << (on ? "The firewall is on.\n" : "The firewall is off.\n") << std::flush;
    return on ? 1 : 0;
}

int LinuxFirewall::PortOpen(const State& state)
{
    bool open = false;
    if (state.kind == Kind::Firewalld) {
        CommandResult query = m_pRunner->Run({"firewall-cmd", "--query-port=" + PORT_SPEC}, m_limits.query);
        open = Answered(query, 0, "yes");
        if (!open && !Answered(query, 1, "no")) Failed("firewall-cmd", CommandStatus(query));
    } else if (state.kind == Kind::Ufw) {
        if (state.rulesUnreadable) {
            *m_pDiagnostics << "The firewall's rules cannot be read.\n" << std::flush;
            return FIREWALL_PORT_UNREADABLE;
        }
        open = UfwStatusAllowsPort(state.ufwStatus, REPLY_PORT);
    }
    char line[64];
    std::snprintf(line, sizeof line,
                  open ? "Port %ld is open in the firewall.\n" : "Port %ld is not open in the firewall.\n",
                  static_cast<long>(REPLY_PORT));
    *m_pDiagnostics << line << std::flush;
    return open ? 1 : 0;
}

int LinuxFirewall::IsFirewallPortOpen() { return PortOpen(ReadState()); }

bool LinuxFirewall::Add(const std::vector<std::string>& argv)
{
    CommandResult result = m_pRunner->Run(argv, m_limits.change);
    if (result.outcome == CommandResult::Outcome::Exited && result.exitCode == 0) return true;
    Failed("Add", CommandStatus(result));
    return false;
}

void LinuxFirewall::OpenFirewallPort()
{
    State state = ReadState();
    if (state.kind == Kind::None || PortOpen(state) == 1) return;
    bool added = false;
    if (state.kind == Kind::Firewalld) {
        // The run-time rule opens the port now; the permanent one keeps it
        // across reloads and restarts.
        added = Add({"firewall-cmd", "--add-port=" + PORT_SPEC});
        if (added) Add({"firewall-cmd", "--permanent", "--add-port=" + PORT_SPEC});
    } else {
        added = Add({"ufw", "allow", PORT_SPEC, "comment", FIREWALL_EXCEPTION_NAME});
    }
    if (added) {
        char line[64];
        std::snprintf(line, sizeof line, "Port %ld is now open in the firewall.\n", static_cast<long>(REPLY_PORT));
        *m_pDiagnostics << line << std::flush;
    }
}

}  // namespace signseek
