#include "settings/AdapterList.h"
#include "tests/settings/FakeAdapterSource.h"

#include <gtest/gtest.h>
#include <net/if.h>

#include <sstream>

using namespace signseek;
using signseek::test::FakeAdapterSource;
using Strings = std::vector<std::string>;

TEST(AdapterList, ListsAdaptersWithAnAddressAndLooksUpTheLastAddress)
{
    FakeAdapterSource source(std::vector<AdapterRecord>{
        {"Wired", {"192.168.1.20"}},
        {"Disconnected", {"0.0.0.0"}},
        {"No address", {}},
        {"Two addresses", {"10.0.0.5", "10.0.0.6"}},
        {"Lost its last", {"10.0.0.7", "0.0.0.0"}},
        {"Wired", {"172.16.0.9"}},
    });
    EXPECT_EQ(GetAdapterDescriptions(source), (Strings{"Wired", "Two addresses", "Wired"}));
    EXPECT_EQ(GetAdapterAddress("Two addresses", source), "10.0.0.6");
    EXPECT_EQ(GetAdapterAddress("Wired", source), "172.16.0.9");  // the later one wins
    EXPECT_EQ(GetAdapterAddress("Disconnected", source), "0.0.0.0");
    EXPECT_EQ(GetAdapterAddress("No address", source), "");
    EXPECT_EQ(GetAdapterAddress("wired", source), "");
    EXPECT_EQ(GetAdapterAddress("Wired ", source), "");
    // Every adapter at once: each address once, as the lookups give them.
    EXPECT_EQ(GetAllAdapterAddresses(source), (Strings{"172.16.0.9", "10.0.0.6"}));
}

TEST(AdapterList, NoAdaptersOrAFailedEnumerationGiveNothing)
{
    for (const FakeAdapterSource& source :
         {FakeAdapterSource(std::vector<AdapterRecord>{}), FakeAdapterSource(std::nullopt),
          FakeAdapterSource(std::vector<AdapterRecord>{{"Down", {"0.0.0.0"}}})}) {
        EXPECT_EQ(GetAdapterDescriptions(source), Strings{});
        EXPECT_EQ(GetAdapterAddress("", source), "");
        EXPECT_EQ(GetAllAdapterAddresses(source), Strings{});
    }
}

TEST(AdapterEnumeration, GroupsInterfacesAndPutsLoopbackLast)
{
    const unsigned up = IFF_UP | IFF_RUNNING;
    std::vector<InterfaceAddress> entries{
        {"lo", up | IFF_LOOPBACK, "127.0.0.1"},
        {"eth0", up, "10.0.0.5"},
        {"wlan0", IFF_UP, "192.168.1.3"},  // no carrier
        {"eth0:1", up, "10.0.0.6"},
        {"eth2", 0, "192.168.3.3"},  // down
        {"eth1", up, "192.168.2.2"},
    };
    Strings asked;
    auto model = [&](const std::string& name) {
        asked.push_back(name);
        return name == "eth0" ? std::string("82540EM Gigabit Ethernet Controller") : std::string();
    };
    std::vector<AdapterRecord> adapters = GroupByInterface(entries, model);
    ASSERT_EQ(adapters.size(), 3u);
    EXPECT_EQ(adapters[0].description, "eth0 (82540EM Gigabit Ethernet Controller)");
    EXPECT_EQ(adapters[0].ipv4Addresses, (Strings{"10.0.0.5", "10.0.0.6"}));
    EXPECT_EQ(adapters[1].description, "eth1");
    EXPECT_EQ(adapters[1].ipv4Addresses, Strings{"192.168.2.2"});
    EXPECT_EQ(adapters[2].description, "lo (Loopback)");
    EXPECT_EQ(asked, (Strings{"eth0", "eth1"}));  // once per device, never by label
}

TEST(AdapterEnumeration, ModelFromUdevRecord)
{
    std::istringstream both("I:123\nE:ID_MODEL=Plain\nE:ID_MODEL_FROM_DATABASE=From hwdb\nE:ID_NET_NAME=x\n");
    EXPECT_EQ(ModelFromUdevData(both), "From hwdb");
    std::istringstream plain("E:ID_VENDOR=V\nE:ID_MODEL=Plain\n");
    EXPECT_EQ(ModelFromUdevData(plain), "Plain");
    std::istringstream none("E:ID_MODEL_ID=0x100e\nE:ID_VENDOR=V\n");
    EXPECT_EQ(ModelFromUdevData(none), "");
}
