#include "checks/FirewallManipulator.h"
#include "checks/LinuxFirewall.h"

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
    if (port == FIREWALL_PORT_UNREADABLE) return FIREWALL_STATUS_UNREADABLE;
    return port == 1 ? FIREWALL_STATUS_OPEN : FIREWALL_STATUS_BLOCKING;
}

std::wstring CFirewallManipulator::GetTip()
{
    if (m_pFirewall->IsFirewallOn() != 1) return FIREWALL_STATUS_OFF;
    return m_pFirewall->IsFirewallPortOpen() == 1 ? FIREWALL_STATUS_OPEN : FIREWALL_TIP_ADD;
}

}  // namespace signseek
