#include "checks/FirewallManipulator.h"

#include <gtest/gtest.h>

#include <string>

using namespace signseek;

namespace {

// A firewall whose two states are set by the test; opening the port opens it.
class FakeFirewall : public FirewallControl {
public:
    FakeFirewall(int on, int open, std::string manual = "") : on(on), open(open), manual(std::move(manual)) {}
    int IsFirewallOn() override { return ++onAsked, on; }
    int IsFirewallPortOpen() override { return ++openAsked, open; }
    void OpenFirewallPort() override { ++opened, open = 1; }
    std::string ManualCommand() override { return manual; }
    int on, open;
    std::string manual;
    int onAsked = 0, openAsked = 0, opened = 0;
};

}  // namespace

TEST(FirewallCheck, EachRowOfTheTable)
{
    const std::string cmd = "sudo ufw allow 8000/tcp && sudo ufw allow 3703:3718/udp";
    const std::wstring wcmd(cmd.begin(), cmd.end());
    struct Case {
        int on, open;
        std::string manual;
        std::wstring status;
        int ok;
        std::wstring tip;
    } cases[] = {
        {0, 0, "", FIREWALL_STATUS_OFF, 1, FIREWALL_STATUS_OFF},
        {0, 1, "", FIREWALL_STATUS_OFF, 1, FIREWALL_STATUS_OFF},
        {1, 1, "", FIREWALL_STATUS_OPEN, 1, FIREWALL_STATUS_OPEN},
        {1, 0, "", FIREWALL_STATUS_BLOCKING, 0, FIREWALL_TIP_ADD},
        // On, with rules that cannot be read: said so, never a pass.
        {1, FIREWALL_PORT_UNREADABLE, "", FIREWALL_STATUS_UNREADABLE, 0, FIREWALL_TIP_ADD},
        // A click cannot add it: the row says what to run.
        {1, 0, cmd, FIREWALL_STATUS_BLOCKING_BY_HAND + wcmd, 0, FIREWALL_TIP_BY_HAND + wcmd},
        {1, FIREWALL_PORT_UNREADABLE, cmd, FIREWALL_STATUS_UNREADABLE_BY_HAND + wcmd, 0, FIREWALL_TIP_BY_HAND + wcmd},
        {1, 1, cmd, FIREWALL_STATUS_OPEN, 1, FIREWALL_STATUS_OPEN},
    };
    for (const Case& c : cases) {
        FakeFirewall firewall(c.on, c.open, c.manual);
        CFirewallManipulator check(firewall);
        int ok = -1;
        EXPECT_EQ(check.GetStatus(&ok), c.status);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(check.GetTip(), c.tip);
        // The exception is asked about only while the firewall is on.
        EXPECT_EQ(firewall.openAsked, c.on ? 2 : 0);
        EXPECT_EQ(firewall.opened, 0);
    }
    // The sentences name no other platform's firewall.
    EXPECT_EQ(std::wstring(FIREWALL_STATUS_BLOCKING),
              L"Firewall is Currently Blocking Communication. Click Here to Add a Firewall Exception.");
    EXPECT_EQ(std::wstring(FIREWALL_STATUS_OFF), L"Firewall is currently disabled.");
    EXPECT_EQ(std::wstring(FIREWALL_STATUS_OPEN), L"Firewall Exception Is Currently Enabled.");
}

TEST(FirewallCheck, AClickAddsTheExceptionOnlyWhenOnAndClosed)
{
    for (int on : {0, 1}) {
        for (int open : {0, 1}) {
            FakeFirewall firewall(on, open);
            CFirewallManipulator check(firewall);
            check.Manipulate();
            EXPECT_EQ(firewall.opened, on && !open ? 1 : 0) << on << open;
            EXPECT_EQ(firewall.openAsked, on);
        }
    }
    FakeFirewall firewall(1, 0);
    CFirewallManipulator check(firewall);
    check.Manipulate();
    int ok = 0;
    EXPECT_EQ(check.GetStatus(&ok), FIREWALL_STATUS_OPEN);
    EXPECT_EQ(ok, 1);
}
