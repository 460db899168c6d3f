// Runs the real enumeration and monitor against interfaces made for the test.
// Each test moves into a network namespace of its own, nested in the private
// one the test runner provides, so it never touches the machine's interfaces
// nor those of tests running alongside.

#include "settings/AdapterList.h"
#include "settings/AddressChangeMonitor.h"
#include "tests/settings/RecordingPoster.h"
#include "tests/settings/TestSupport.h"

#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>

#include <cstdlib>
#include <string>

using namespace signseek;
using signseek::test::RecordingPoster;
using signseek::test::RunIp;
using Strings = std::vector<std::string>;

namespace {

Strings InterfaceNames()
{
    Strings names;
    if (struct if_nameindex* list = ::if_nameindex()) {
        for (struct if_nameindex* i = list; i->if_index != 0; ++i) names.push_back(i->if_name);
        ::if_freenameindex(list);
    }
    return names;
}

class PrivateNetwork : public testing::Test {
protected:
    void SetUp() override
    {
        const char* flag = std::getenv("SIGNSEEK_IN_PRIVATE_NET");
        if (flag == nullptr || std::string(flag) != "1")
            GTEST_SKIP() << "changes interfaces; runs only in a private network namespace";
        if (::unshare(CLONE_NEWNET) != 0) GTEST_SKIP() << "cannot make a network namespace";
        // Nothing but loopback may be here before the test changes anything.
        ASSERT_EQ(InterfaceNames(), Strings{"lo"});
        ASSERT_TRUE(RunIp({"link", "set", "lo", "up"}));
        ASSERT_TRUE(RunIp({"link", "add", "ssv0", "type", "veth", "peer", "name", "ssv1"}));
    }
};

}  // namespace

TEST_F(PrivateNetwork, ListsUpAdaptersWithTheirLastAddressAndLoopbackLast)
{
    ASSERT_TRUE(RunIp({"addr", "add", "10.77.0.1/24", "dev", "ssv0"}));
    ASSERT_TRUE(RunIp({"addr", "add", "10.77.0.2/24", "dev", "ssv0"}));
    ASSERT_TRUE(RunIp({"link", "set", "ssv0", "up"}));
    // Without its peer up the veth has no carrier, and is not offered.
    EXPECT_EQ(GetAdapterDescriptions(), Strings{"lo (Loopback)"});
    EXPECT_EQ(GetAdapterAddress("ssv0"), "");

    ASSERT_TRUE(RunIp({"link", "set", "ssv1", "up"}));
    EXPECT_EQ(GetAdapterDescriptions(), (Strings{"ssv0", "lo (Loopback)"}));
    EXPECT_EQ(GetAdapterAddress("ssv0"), "10.77.0.2");
    EXPECT_EQ(GetAdapterAddress("lo (Loopback)"), "127.0.0.1");
    EXPECT_EQ(GetAdapterAddress("ssv1"), "");  // up, but without an IPv4 address
}

TEST_F(PrivateNetwork, MonitorPostsWhenAnAddressComesAndGoes)
{
    RecordingPoster window;
    testing::internal::CaptureStdout();
    {
        // The link stays down, so no carrier or IPv6 events interleave.
        AddressChangeMonitor monitor(window);
        ASSERT_TRUE(RunIp({"addr", "add", "10.77.0.1/24", "dev", "ssv0"}));
        ASSERT_TRUE(window.WaitForMoreThan(0));
        const std::size_t afterAdd = window.Messages().size();
        ASSERT_TRUE(RunIp({"addr", "del", "10.77.0.1/24", "dev", "ssv0"}));
        ASSERT_TRUE(window.WaitForMoreThan(afterAdd));
    }
    std::string out = testing::internal::GetCapturedStdout();
    for (unsigned message : window.Messages()) EXPECT_EQ(message, WM_ADDRESS_CHANGED);
    EXPECT_EQ(out.find("NotifyAddrChange error"), std::string::npos);
    EXPECT_NE(out.find("IP Address table changed..\n"), std::string::npos);
}

TEST_F(PrivateNetwork, MonitorPostsWhenALinkGoesUp)
{
    RecordingPoster window;
    AddressChangeMonitor monitor(window);
    ASSERT_TRUE(RunIp({"link", "set", "ssv0", "up"}));
    EXPECT_TRUE(window.WaitForMoreThan(0));
}
