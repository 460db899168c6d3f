#include "cli/InterfaceChoice.h"

#include <gtest/gtest.h>

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
}

TEST(InterfaceChoice, UnknownAdapterOrNoneAtAll)
{
    Adapters adapters(std::vector<signseek::AdapterRecord>{{"eth0", {"0.0.0.0"}}});
    auto choice = ChooseInterface("wlan9", adapters);
    EXPECT_FALSE(choice.address);
    EXPECT_EQ("no adapter \"wlan9\" with an IPv4 address", choice.error);
    EXPECT_FALSE(ChooseInterface("", adapters).address);
    EXPECT_EQ("no network adapter with an IPv4 address", ChooseInterface("", Adapters(std::nullopt)).error);
}

}  // namespace
