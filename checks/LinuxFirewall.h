#pragma once

#include "checks/CommandRunner.h"
#include "checks/FirewallManipulator.h"

#include <chrono>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace signseek {

inline constexpr char UFW_CONFIG_FILE[] = "/etc/ufw/ufw.conf";

// The firewall of a Linux machine as its management tools show it:
// firewalld when it is running (firewall-cmd), else ufw when it is active,
// else the firewall counts as off. `ufw status` answers root only; for other
// users ufw's own configuration file says whether it is enabled, and its
// rules count as unreadable. Every step asks the tools afresh; a tool
// that is missing, fails or hangs reads as "cannot be read". One diagnostic
// line per result or failure goes to the given stream.
class LinuxFirewall : public FirewallControl {
public:
    struct TimeLimits {
        std::chrono::milliseconds query{10000};
        // An add may wait for the daemon to apply the rule set.
        std::chrono::milliseconds change{30000};
    };

    // The tools from the system folders, diagnostics to standard output.
    LinuxFirewall();
    LinuxFirewall(CommandRunner& runner, std::ostream& diagnostics, TimeLimits limits,
                  std::string ufwConfig = UFW_CONFIG_FILE);

    int IsFirewallOn() override;
    int IsFirewallPortOpen() override;
    void OpenFirewallPort() override;

    enum class Kind { None, Firewalld, Ufw };

private:
    struct State {
        Kind kind = Kind::None;
        std::string ufwStatus;  // the rule listing when kind is Ufw
        bool rulesUnreadable = false;
    };
    State ReadState();
    int PortOpen(const State& state);
    bool Add(const std::vector<std::string>& argv);
    void Failed(std::string_view step, unsigned long status);

    std::unique_ptr<CommandRunner> m_pOwnRunner;
    CommandRunner* m_pRunner;
    std::ostream* m_pDiagnostics;
    TimeLimits m_limits;
    std::string m_strUfwConfig;
};

// ENABLED=yes in the text of ufw's configuration file (readable by every
// user), which ufw keeps in step with `ufw enable` and `ufw disable`.
bool UfwConfigEnabled(std::string_view config);

// "Status: active" in `ufw status` output.
bool UfwStatusIsActive(std::string_view status);

// True when the first rule of a `ufw status` listing that covers TCP `port`
// for IPv4 from anywhere allows it (ALLOW or LIMIT, incoming). Rules for
// other protocols, single interfaces, single addresses or outgoing traffic
// do not count.
bool UfwStatusAllowsPort(std::string_view status, unsigned port);

// The status a failed command reports in diagnostics: its exit status, or
// E_FAIL when it did not run to its end.
unsigned long CommandStatus(const CommandResult& result);

}  // namespace signseek
