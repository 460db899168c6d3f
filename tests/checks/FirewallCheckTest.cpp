#include "checks/FirewallManipulator.h"

#include <gtest/gtest.h>

using namespace signseek;

namespace {

// A firewall whose two states are set by the test; opening the port opens it.
class FakeFirewall : public FirewallControl {
public:
    FakeFirewall(int on, int open) : on(on), open(open) {}
    int IsFirewallOn() override { return ++onAsked, on; }
    int IsFirewallPortOpen() override { return ++openAsked, open; }
    void OpenFirewallPort() override { ++opened, open = 1; }
    int on, open;
    int onAsked = 0, openAsked = 0, opened = 0;
};

}  // namespace

TEST(FirewallCheck, EachRowOfTheTable)
{
    struct Case {
        int on, open;
        const wchar_t* status;
        int ok;
        const wchar_t* tip;
    } cases[] = {
        {0, 0, FIREWALL_STATUS_OFF, 1, FIREWALL_STATUS_OFF},
        {0, 1, FIREWALL_STATUS_OFF, 1, FIREWALL_STATUS_OFF},
        {1, 1, FIREWALL_STATUS_OPEN, 1, FIREWALL_STATUS_OPEN},
        {1, 0, FIREWALL_STATUS_BLOCKING, 0, FIREWALL_TIP_ADD},
        // On, with rules that cannot be read: said so, never a pass.
        {1, FIREWALL_PORT_UNREADABLE, FIREWALL_STATUS_UNREADABLE, 0, FIREWALL_TIP_ADD},
    };
    for (const Case& c : cases) {
        FakeFirewall firewall(c.on, c.open);
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
