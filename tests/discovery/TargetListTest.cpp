#include "discovery/TargetList.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {

std::optional<std::string> FakeResolve(const std::string& name)
{
    if (name == "player.signage.example") return "10.20.0.7";
    return std::nullopt;
}

TEST(TargetList, EachFormTurnsIntoItsAddresses)
{
    struct Case {
        std::vector<std::string> texts;
        std::size_t count;
        std::string first, last;
    } cases[] = {
        {{"10.1.2.3"}, 1, "10.1.2.3", "10.1.2.3"},
        {{"10.1.2.10-10.1.2.80"}, 71, "10.1.2.10", "10.1.2.80"},
        {{"10.1.2.250-10.1.3.4"}, 11, "10.1.2.250", "10.1.3.4"},
        {{"10.1.2.77/24"}, 256, "10.1.2.0", "10.1.2.255"},
        {{"10.1.2.9/32"}, 1, "10.1.2.9", "10.1.2.9"},
        {{"10.1.0.0/16"}, 65536, "10.1.0.0", "10.1.255.255"},
        {{"player.signage.example"}, 1, "10.20.0.7", "10.20.0.7"},
        // An address given twice is probed once.
        {{"10.1.2.5", "10.1.2.0/30", "10.1.2.1"}, 5, "10.1.2.5", "10.1.2.3"},
    };
    for (const Case& c : cases) {
        const TargetList list = ParseTargets(c.texts, FakeResolve);
        ASSERT_EQ("", list.error) << c.texts.front();
        ASSERT_EQ(c.count, list.addresses.size()) << c.texts.front();
        EXPECT_EQ(c.first, list.addresses.front()) << c.texts.front();
        EXPECT_EQ(c.last, list.addresses.back()) << c.texts.front();
    }
}

// Each address once, in the order given, whatever the overlaps; a target
// given again costs a look-up, not a walk over its addresses, and a host
// name is resolved once.
TEST(TargetList, OverlapsAndRepeatsListEachAddressOnceInOrder)
{
    const TargetList overlapping = ParseTargets({"10.1.2.4-10.1.2.6", "10.1.2.1", "10.1.2.0/29", "10.1.2.6-10.1.2.9"});
    const std::vector<std::string> expected = {"10.1.2.4", "10.1.2.5", "10.1.2.6", "10.1.2.1", "10.1.2.0",
                                               "10.1.2.2", "10.1.2.3", "10.1.2.7", "10.1.2.8", "10.1.2.9"};
    EXPECT_EQ(expected, overlapping.addresses);

    // A file of a megabyte holds some 80000 such lines.
    std::vector<std::string> repeated(80000, "10.1.0.0/16");
    repeated.push_back("10.1.255.255");
    const TargetList sixteen = ParseTargets(repeated);
    EXPECT_EQ("", sixteen.error);
    EXPECT_EQ(65536u, sixteen.addresses.size());

    int lookups = 0;
    const HostResolver counting = [&lookups](const std::string& name) -> std::optional<std::string> {
        ++lookups;
        return name == "gone" ? std::nullopt : std::optional<std::string>("10.20.0.7");
    };
    EXPECT_EQ(1u, ParseTargets(std::vector<std::string>(500, "player"), counting).addresses.size());
    EXPECT_EQ(1, lookups);
    std::vector<std::string> names;
    for (int i = 0; i <= 100; ++i) names.push_back("host" + std::to_string(i));
    const TargetList tooMany = ParseTargets(names, counting);
    EXPECT_EQ("more than 100 host names in one search: host100", tooMany.error);
    EXPECT_EQ(100u, tooMany.failedText);
    EXPECT_EQ(101, lookups);
}

TEST(TargetList, BadTargetsAndTooManyAreRefusedWithTheReason)
{
    struct Case {
        std::vector<std::string> texts;
        std::string error;
        std::size_t failedText = 0;
    } cases[] = {
        {{"10.1.2.300"}, "not an IPv4 address: 10.1.2.300"},
        {{"10.1.2"}, "not an IPv4 address: 10.1.2"},
        {{"10.1.2.80-10.1.2.10"}, "not a range: 10.1.2.80-10.1.2.10 (write 10.1.2.10-10.1.2.80)"},
        {{"10.1.2.0/33"}, "not a subnet: 10.1.2.0/33 (write 10.1.2.0/24)"},
        {{"10.1.2.0/"}, "not a subnet: 10.1.2.0/ (write 10.1.2.0/24)"},
        {{"10.0.0.0/15"}, "more than 65536 targets (a /16) in one search: 10.0.0.0/15"},
        {{"10.0.0.0-10.1.0.0"}, "more than 65536 targets (a /16) in one search"},
        {{"10.1.0.0/16", "10.2.0.1"}, "more than 65536 targets (a /16) in one search", 1},
        {{"nowhere.example"}, "cannot resolve nowhere.example to an IPv4 address"},
        {{"10.1.2.3", "10.1.2.4", "nowhere.example"}, "cannot resolve nowhere.example to an IPv4 address", 2},
        {{""}, "an empty target"},
    };
    for (const Case& c : cases) {
        const TargetList list = ParseTargets(c.texts, FakeResolve);
        EXPECT_EQ(c.error, list.error) << c.texts.front();
        EXPECT_EQ(c.failedText, list.failedText) << c.texts.front();
        EXPECT_TRUE(list.addresses.empty()) << c.texts.front();
    }
}

TEST(TargetList, FileTextKeepsOneTargetALineWithoutCommentsOrBlanks)
{
    const TargetFile file = TargetsFromText("# signage VLAN\n10.20.0.0/24\r\n\n  player.local  # lobby\n10.20.1.5");
    EXPECT_EQ("", file.error);
    EXPECT_EQ((std::vector<std::string>{"10.20.0.0/24", "player.local", "10.20.1.5"}), file.texts);
    EXPECT_EQ((std::vector<std::size_t>{2, 4, 5}), file.lines);

    EXPECT_NE("", TargetsFromText(std::string(kMaxTargetFileBytes + 1, '#')).error);
    EXPECT_EQ("cannot read /nonexistent/targets", ReadTargetFile("/nonexistent/targets").error);
}

}  // namespace

}  // namespace signseek
