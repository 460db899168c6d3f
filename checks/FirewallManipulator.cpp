#include "checks/FirewallManipulator.h"
#include "checks/LinuxFirewall.h"
#include "common/TextEncoding.h"

namespace signseek {

namespace {

FirewallControl& MachineFirewall()
{
    static LinuxFirewall firewall;
    return firewall;
}

}  // namespace

CFirewallManipulator::CFirewallManipulator() : CFirewallManipulator(MachineFirewall()) {}

int CFirewallManipulator::Manipulate()
{
    if (m_pFirewall->IsFirewallOn() == 0) return 0;
    if (m_pFirewall->IsFirewallPortOpen() != 1) m_pFirewall->OpenFirewallPort();
    return 0;
}

std::wstring CFirewallManipulator::GetStatus(int* pnOk)
{
    bool on = m_pFirewall->IsFirewallOn() == 1;
    int port = on ? m_pFirewall->IsFirewallPortOpen() : 0;
    if (pnOk) *pnOk = !on || port == 1 ? 1 : 0;
    if (!on) return FIREWALL_STATUS_OFF;
    if (port == 1) return FIREWALL_STATUS_OPEN;
    const std::wstring manual = WidenLatin1(m_pFirewall->ManualCommand());
    if (port == FIREWALL_PORT_UNREADABLE)
        return manual.empty() ? FIREWALL_STATUS_UNREADABLE : FIREWALL_STATUS_UNREADABLE_BY_HAND + manual;
    return manual.empty() ? FIREWALL_STATUS_BLOCKING : FIREWALL_STATUS_BLOCKING_BY_HAND + manual;
}

std::wstring CFirewallManipulator::GetTip()
{
    if (m_pFirewall->IsFirewallOn() != 1) return FIREWALL_STATUS_OFF;
    if (m_pFirewall->IsFirewallPortOpen() == 1) return FIREWALL_STATUS_OPEN;
    const std::wstring manual = WidenLatin1(m_pFirewall->ManualCommand());
    return manual.empty() ? FIREWALL_TIP_ADD : FIREWALL_TIP_BY_HAND + manual;
}

}  // namespace signseek
