#include "cli/InterfaceChoice.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {

class Adapters : public signseek::AdapterSource {
public:
    explicit Adapters(std::optional<std::vector<signseek::AdapterRecord>> list) : m_list(std::move(list)) {}
    std::optional<std::vector<signseek::AdapterRecord>> Enumerate() const override { return m_list; }

private:
    std::optional<std::vector<signseek::AdapterRecord>> m_list;
};

TEST(InterfaceChoice, AddressDescriptionOrFirstAdapter)
{
    Adapters adapters(std::vector<signseek::AdapterRecord>{{"eth0 (Intel)", {"10.0.0.2", "10.0.0.3"}},
                                                           {"lo (Loopback)", {"127.0.0.1"}}});
    EXPECT_EQ("192.168.1.20", ChooseInterface("192.168.1.20", adapters).address);
    EXPECT_EQ("127.0.0.1", ChooseInterface("lo (Loopback)", adapters).address);
    EXPECT_EQ("10.0.0.3", ChooseInterface("", adapters).address);
    // The plain interface name, as ip and ifconfig show it.
    EXPECT_EQ("10.0.0.3", ChooseInterface("eth0", adapters).address);
    EXPECT_EQ("127.0.0.1", ChooseInterface("lo", adapters).address);
    EXPECT_FALSE(ChooseInterface("eth", adapters).address);
}

TEST(InterfaceChoice, UnknownAdapterListsTheUsableOnes)
{
    Adapters adapters(std::vector<signseek::AdapterRecord>{
        {"eth0 (Intel)", {"10.0.0.2", "10.0.0.3"}}, {"wlan0", {"0.0.0.0"}}, {"lo (Loopback)", {"127.0.0.1"}}});
    auto choice = ChooseInterface("wlan0", adapters);
    EXPECT_FALSE(choice.address);
    EXPECT_TRUE(choice.unknownAdapter);
    EXPECT_EQ("no adapter \"wlan0\" with an IPv4 address; usable adapters:\n"
              "  eth0  eth0 (Intel)   10.0.0.3\n"
              "  lo    lo (Loopback)  127.0.0.1",
              choice.error);
    EXPECT_EQ("eth0  eth0 (Intel)   10.0.0.3\n"
              "lo    lo (Loopback)  127.0.0.1\n",
              FormatAdapters(UsableAdapters(adapters)));
}

TEST(InterfaceChoice, UnknownAdapterOrNoneAtAll)
{
    Adapters adapters(std::vector<signseek::AdapterRecord>{{"eth0", {"0.0.0.0"}}});
    auto choice = ChooseInterface("wlan9", adapters);
    EXPECT_FALSE(choice.address);
    EXPECT_EQ("no adapter \"wlan9\" with an IPv4 address", choice.error);
    EXPECT_TRUE(choice.unknownAdapter);
    EXPECT_FALSE(ChooseInterface("", adapters).address);
    EXPECT_EQ("no network adapter with an IPv4 address", ChooseInterface("", Adapters(std::nullopt)).error);
    EXPECT_FALSE(ChooseInterface("", Adapters(std::nullopt)).unknownAdapter);
}

}  // namespace

}  // namespace signseek
