#include "discovery/WatchRoster.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

using Event = WatchRoster::Event;

namespace {
DeviceRecord Answer(const std::string& address, const std::string& name)
{
    DeviceRecord r = MakeRecord(address, "http://10.0.0.5:80/", kBridgeScope, "b");
    r.sourceAddress = "10.0.0.5";
    r.metadata = {"<Description>" + name + "</Description>"};
    return r;
}

DeviceRecord Hello(const std::string& address)
{
    DeviceRecord r = MakeRecord(address, "http://10.0.0.5:80/", kBridgeScope, "b");
    r.metadata = {HELLO_ITEM};
    return r;
}
}  // namespace

TEST(WatchRoster, AnswersAndHellosOfAListedDeviceAreNotChangesUnlessSomethingDiffers)
{
    WatchRoster roster(3000);
    WatchRoster::Listed listed;
    EXPECT_EQ(roster.Seen(Answer("urn:a", "Lobby"), "bridges", 0, &listed), Event::Found);
    EXPECT_EQ(listed.record.GetDescription(), "Lobby");
    EXPECT_EQ(roster.Seen(Answer("urn:a", "Lobby"), "bridges", 100), Event::None);
    // A Hello keeps the answer's metadata and source and adds no marker.
    EXPECT_EQ(roster.Seen(Hello("urn:a"), "bridges", 200), Event::None);

    DeviceRecord moved = Hello("urn:a");
    moved.xAddrs = "http://10.0.0.6:80/";
    EXPECT_EQ(roster.Seen(moved, "bridges", 300, &listed), Event::Changed);
    EXPECT_EQ(listed.record.xAddrs, "http://10.0.0.6:80/");
    EXPECT_EQ(listed.record.GetDescription(), "Lobby");
    EXPECT_EQ(listed.record.sourceAddress, "10.0.0.5");

    EXPECT_EQ(roster.Seen(Answer("urn:a", "Foyer"), "bridges", 400, &listed), Event::Changed);
    EXPECT_EQ(listed.record.GetDescription(), "Foyer");
    EXPECT_EQ(roster.Size(), 1u);
}

TEST(WatchRoster, AHelloOfAnUnknownDeviceIsFoundWithoutItsMarker)
{
    WatchRoster roster(3000);
    WatchRoster::Listed listed;
    EXPECT_EQ(roster.Seen(Hello("urn:h"), "hello", 0, &listed), Event::Found);
    EXPECT_TRUE(listed.record.metadata.empty());
    EXPECT_EQ(listed.foundBy, "hello");
    // What found a device first stays with it.
    EXPECT_EQ(roster.Seen(Answer("urn:h", "Named"), "bridges", 10, &listed), Event::Changed);
    EXPECT_EQ(listed.foundBy, "hello");
}

TEST(WatchRoster, ByeAndSilenceRemoveDevicesAndOnlyThem)
{
    WatchRoster roster(3000);
    roster.Seen(Answer("urn:a", "A"), "bridges", 0);
    roster.Seen(Answer("urn:b", "B"), "bridges", 500);
    roster.Seen(Answer("urn:c", "C"), "bridges", 1000);

    EXPECT_FALSE(roster.Bye("urn:unknown"));
    auto gone = roster.Bye("urn:c");
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->record.GetDescription(), "C");
    EXPECT_FALSE(roster.Bye("urn:c"));

    roster.Seen(Answer("urn:a", "A"), "bridges", 2900);  // heard again: a's clock restarts
    EXPECT_TRUE(roster.Expire(3499).empty());
    auto lost = roster.Expire(3500);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].record.address, "urn:b");
    EXPECT_EQ(roster.Size(), 1u);

    // A device lost and heard again is found again.
    EXPECT_EQ(roster.Seen(Answer("urn:b", "B"), "bridges", 3600), Event::Found);
}

TEST(WatchRoster, ComingAndGoingForeverKeepsTheRosterBounded)
{
    WatchRoster roster(1000);
    std::int64_t now = 0;
    for (int round = 0; round < 50; ++round, now += 1000) {
        for (int i = 0; i < 400; ++i)
            roster.Seen(Answer("urn:" + std::to_string(round) + ":" + std::to_string(i), "x"), "bridges", now);
        roster.Expire(now);
        EXPECT_LE(roster.Size(), 800u);
    }
    for (std::size_t i = roster.Size(); i < WatchRoster::kMaxDevices + 5; ++i)
        roster.Seen(Answer("urn:many:" + std::to_string(i), "x"), "bridges", now);
    EXPECT_EQ(roster.Size(), WatchRoster::kMaxDevices);
    EXPECT_TRUE(roster.LimitReached());
}
