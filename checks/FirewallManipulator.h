#pragma once

#include "checks/Manipulator.h"

#include <string>

namespace signseek {

// The three firewall steps the check is built on. Each is a complete unit of
// work that asks the firewall afresh.
class FirewallControl {
public:
    virtual ~FirewallControl() = default;
    // 1 when the firewall is on; 0 when it is off or its state cannot be read.
    virtual int IsFirewallOn() = 0;
    // 1 when the devices' answers get in: TCP REPLY_PORT and the bridge
    // ports (UDP BRIDGE_PORT_FIRST to BRIDGE_PORT_LAST) are open to them;
    // FIREWALL_PORT_UNREADABLE when the firewall is known to be on but its
    // rules cannot be read (they may need administrator rights); 0 otherwise.
    virtual int IsFirewallPortOpen() = 0;
    // Opens those ports under FIREWALL_EXCEPTION_NAME unless they are open.
    virtual void OpenFirewallPort() = 0;
    // The exact command line that opens them by hand, when OpenFirewallPort
    // cannot (no rights, or a firewall without a front end it manages);
    // empty when it can, or when nothing needs opening.
    virtual std::string ManualCommand() { return {}; }
};

inline constexpr int FIREWALL_PORT_UNREADABLE = -1;

inline constexpr char FIREWALL_EXCEPTION_NAME[] = "Marvane Discovery Protocol";

inline constexpr wchar_t FIREWALL_STATUS_OFF[] = L"Firewall is currently disabled.";
inline constexpr wchar_t FIREWALL_STATUS_OPEN[] = L"Firewall Exception Is Currently Enabled.";
inline constexpr wchar_t FIREWALL_STATUS_BLOCKING[] =
    L"Firewall is Currently Blocking Communication. Click Here to Add a Firewall Exception.";
inline constexpr wchar_t FIREWALL_STATUS_UNREADABLE[] =
    L"Firewall is on, and its rules for port 8000 cannot be read without administrator rights. Click Here to Add a "
    L"Firewall Exception.";
inline constexpr wchar_t FIREWALL_TIP_ADD[] = L"Add Firewall Exception.";
// Where a click cannot add the exception, the row says what to run; the
// command follows these.
inline constexpr wchar_t FIREWALL_STATUS_BLOCKING_BY_HAND[] =
    L"Firewall is Currently Blocking Communication. To add a Firewall Exception, run: ";
inline constexpr wchar_t FIREWALL_STATUS_UNREADABLE_BY_HAND[] =
    L"Firewall is on, and its rules cannot be read without administrator rights. To add a Firewall Exception, run: ";
inline constexpr wchar_t FIREWALL_TIP_BY_HAND[] = L"Add Firewall Exception: ";

class CFirewallManipulator : public CManipulator {
public:
    // The default asks the machine's firewall (LinuxFirewall).
    CFirewallManipulator();
    explicit CFirewallManipulator(FirewallControl& firewall) : m_pFirewall(&firewall) {}

    int Manipulate() override;
    std::wstring GetStatus(int* pnOk = nullptr) override;
    std::wstring GetTip() override;

private:
    FirewallControl* m_pFirewall;  // the platform to ask, not a cached answer
};

}  // namespace signseek
