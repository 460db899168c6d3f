#pragma once

#include "checks/AdminUserManipulator.h"
#include "checks/CommandRunner.h"
#include "checks/FirewallManipulator.h"
#include "checks/FirewallRules.h"

#include <chrono>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace signseek {

inline constexpr char UFW_CONFIG_FILE[] = "/etc/ufw/ufw.conf";

// An IPv4 adapter of this machine (loopback left out).
struct LocalAdapter {
    std::string name;
    Ipv4Network network;
};
std::vector<LocalAdapter> LocalAdapters();

// The firewall of a Linux machine as its management tools show it:
// firewalld when it is running (firewall-cmd; the zones of the machine's
// adapters), else ufw when it is active (`ufw status verbose`), else the
// netfilter rules themselves (`nft list ruleset`, which shows iptables'
// rules too) when an input chain drops what no rule accepts; otherwise the
// firewall counts as off. The exception is TCP REPLY_PORT and the bridge
// ports (UDP). `ufw status` and `nft` answer root only; for other users
// ufw's own configuration file says whether it is enabled, and its rules
// count as unreadable. The exception is added for firewalld and ufw by a
// user who may change the firewall; otherwise ManualCommand says what to
// run. Every step asks the tools afresh; a tool that is missing, fails or
// hangs reads as "cannot be read". One diagnostic line per result or
// failure goes to the given stream.
class LinuxFirewall : public FirewallControl {
public:
    struct TimeLimits {
        std::chrono::milliseconds query{10000};
        // An add may wait for the daemon to apply the rule set.
        std::chrono::milliseconds change{30000};
    };

    // The tools from the system folders, diagnostics to standard output.
    LinuxFirewall();
    // Null credentials: this process's.
    LinuxFirewall(CommandRunner& runner, std::ostream& diagnostics, TimeLimits limits,
                  std::string ufwConfig = UFW_CONFIG_FILE, const CredentialSource* credentials = nullptr);

    int IsFirewallOn() override;
    int IsFirewallPortOpen() override;
    void OpenFirewallPort() override;
    std::string ManualCommand() override;

    enum class Kind { None, Firewalld, Ufw, Netfilter };

private:
    struct State {
        Kind kind = Kind::None;
        bool rulesUnreadable = false;
        bool tcpOpen = false, udpOpen = false;    // the reply port, every bridge port
        std::vector<std::string> closedZones;     // firewalld
        std::vector<NftInputChain> closedChains;  // netfilter
    };
    State ReadState(bool withRules);
    void ReadFirewalld(State& state);
    void ReadNetfilter(State& state, bool withRules);
    void ReportPorts(const State& state);
    std::string Manual(const State& state);
    bool MayChange() const;
    bool Add(const std::vector<std::string>& argv);
    void Failed(std::string_view step, unsigned long status);

    std::unique_ptr<CommandRunner> m_pOwnRunner;
    CommandRunner* m_pRunner;
    std::ostream* m_pDiagnostics;
    TimeLimits m_limits;
    std::string m_strUfwConfig;
    const CredentialSource* m_pCredentials;
};

// The status a failed command reports in diagnostics: its exit status, or
// E_FAIL when it did not run to its end.
unsigned long CommandStatus(const CommandResult& result);

}  // namespace signseek
