#include "discovery/WatchRoster.h"

#include "discovery/AnnouncementEvidence.h"
#include "present/DisplayRows.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace signseek {

using Event = WatchRoster::Event;

namespace {
// A bridge at 10.0.0.<host>.
DeviceRecord Answer(const std::string& address, const std::string& name, int host = 5)
{
    const std::string ip = "10.0.0." + std::to_string(host);
    DeviceRecord r = MakeRecord(address, "http://" + ip + ":80/", kBridgeScope, "b");
    r.sourceAddress = ip;
    r.metadata = {"<Description>" + name + "</Description>"};
    return r;
}

DeviceRecord Hello(const std::string& address, int host = 5)
{
    DeviceRecord r = MakeRecord(address, "http://10.0.0." + std::to_string(host) + ":80/", kBridgeScope, "b");
    r.metadata = {HELLO_ITEM};
    return r;
}
}  // namespace

TEST(WatchRoster, ADeviceChangesOnlyWhenWhatTheListShowsOfItChanges)
{
    WatchRoster roster(3000, ShownText);
    WatchRoster::Listed listed;
    EXPECT_EQ(roster.Seen(Answer("urn:a", "Lobby"), "bridges", 0, 0, true, &listed), Event::Found);
    EXPECT_EQ(listed.record.GetDescription(), "Lobby");
    EXPECT_EQ(roster.Seen(Answer("urn:a", "Lobby"), "bridges", 100, 100, true), Event::None);
    // A Hello keeps the answer's metadata and source and adds no marker.
    EXPECT_EQ(roster.Seen(Hello("urn:a"), "hello", 200, 200, true), Event::None);
    // Endpoints that answered in another order are no change.
    DeviceRecord reordered = Answer("urn:a", "Lobby");
    reordered.metadata = {"<Services>b:80 c:81</Services>", "<Description>Lobby</Description>"};
    EXPECT_EQ(roster.Seen(reordered, "bridges", 250, 250, true), Event::Changed);
    reordered.metadata = {"<Description>Lobby</Description>", "<Services>c:81 b:80</Services>"};
    EXPECT_EQ(roster.Seen(reordered, "bridges", 260, 260, true), Event::None);

    // A partial record never changes a device; the complete one does.
    EXPECT_EQ(roster.Seen(Answer("urn:a", "Foyer"), "bridges", 300, 300, false), Event::None);
    EXPECT_EQ(roster.Seen(Answer("urn:a", "Foyer"), "bridges", 400, 400, true, &listed), Event::Changed);
    EXPECT_EQ(listed.record.GetDescription(), "Foyer");
    EXPECT_EQ(listed.record.sourceAddress, "10.0.0.5");
    EXPECT_EQ(roster.Size(), 1u);
}

TEST(WatchRoster, ADeviceIsItsHostWhateverEndpointAnsweredFirst)
{
    WatchRoster roster(3000, ShownText);
    WatchRoster::Listed listed;
    EXPECT_EQ(roster.Seen(Hello("urn:h"), "hello", 0, 0, true, &listed, "10.0.0.5"), Event::Found);
    EXPECT_TRUE(listed.record.metadata.empty());
    EXPECT_EQ(listed.foundBy, "hello");
    EXPECT_FALSE(listed.confirmed);
    // Another endpoint of the same host, named, answering a search: a change
    // of the same device, now confirmed by that run.
    EXPECT_EQ(roster.Seen(Answer("urn:h2", "Named"), "devices", 10, 10, true, &listed), Event::Changed);
    EXPECT_EQ(listed.foundBy, "devices");
    EXPECT_TRUE(listed.confirmed);
    EXPECT_EQ(roster.Size(), 1u);
    // A Bye of either endpoint it was heard under removes it.
    auto gone = roster.Bye("urn:h2", 0, "10.0.0.5");
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->record.GetDescription(), "Named");
    EXPECT_FALSE(roster.Bye("urn:h", 0, "10.0.0.5"));
    EXPECT_EQ(roster.Size(), 0u);
}

TEST(WatchRoster, AHostIsReadFromTheWholeUrlAndFromEveryAddress)
{
    WatchRoster roster(3000, ShownText);
    DeviceRecord first = Answer("urn:p1", "Player", 9);
    first.xAddrs = "http://[FE80::1]:80/a http://10.0.0.9/x";
    EXPECT_EQ(roster.Seen(first, "devices", 0, 0, false), Event::Found);
    // Another endpoint names only one of its hosts, with another path.
    DeviceRecord second = Answer("urn:p2", "Player", 9);
    second.xAddrs = "http://10.0.0.9/other";
    EXPECT_TRUE(roster.Lists(second));
    EXPECT_EQ(roster.Seen(second, "devices", 0, 0, false), Event::None);
    // The merged record keeps only the bare host of the last address.
    DeviceRecord merged = first;
    merged.xAddrs = "[fe80::1]";
    EXPECT_NE(roster.Seen(merged, "devices", 0, 0, true), Event::Found);
    EXPECT_EQ(roster.Size(), 1u);
    // A path or a scheme is not part of a host.
    DeviceRecord other = Answer("urn:q", "Other", 10);
    other.xAddrs = "https://10.0.0.10/svc";
    EXPECT_FALSE(roster.Lists(other));
    EXPECT_EQ(roster.Seen(other, "devices", 0, 0, true), Event::Found);
    other.xAddrs = "http://10.0.0.10:8080/";
    EXPECT_TRUE(roster.Lists(other));
    // A Bye of either endpoint removes the device under all its hosts.
    EXPECT_TRUE(roster.Bye("urn:p2", 100, "10.0.0.9"));
    EXPECT_FALSE(roster.Lists(second));
    EXPECT_EQ(roster.Seen(second, "devices", 50, 200, true), Event::None);  // heard before the Bye
}

TEST(WatchRoster, ByeAndSilenceRemoveDevicesAndOnlyThem)
{
    WatchRoster roster(3000, ShownText);
    roster.Seen(Answer("urn:a", "A", 1), "bridges", 0, 0, true);
    roster.Seen(Answer("urn:b", "B", 2), "bridges", 500, 500, true);
    roster.Seen(Answer("urn:c", "C", 3), "bridges", 1000, 1000, true);

    EXPECT_FALSE(roster.Bye("urn:unknown", 0, "10.0.0.3"));
    auto gone = roster.Bye("urn:c", 1100, "10.0.0.3");
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->record.GetDescription(), "C");
    EXPECT_FALSE(roster.Bye("urn:c", 1100, "10.0.0.3"));
    // A search heard its answer before the Bye: it does not bring the device back.
    EXPECT_EQ(roster.Seen(Answer("urn:c", "C", 3), "bridges", 1000, 1200, true), Event::None);
    EXPECT_EQ(roster.Size(), 2u);

    roster.Seen(Answer("urn:a", "A", 1), "bridges", 2900, 2900,
                false);  // heard again, even in part: a's clock restarts
    EXPECT_TRUE(roster.Expire(3499).empty());
    auto lost = roster.Expire(3500);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].record.address, "urn:b");
    EXPECT_EQ(roster.Size(), 1u);

    // A device lost and heard again is found again.
    EXPECT_EQ(roster.Seen(Answer("urn:b", "B", 2), "bridges", 3600, 3600, true), Event::Found);
}

TEST(WatchRoster, ComingAndGoingForeverKeepsTheRosterBounded)
{
    WatchRoster roster(1000, ShownText);
    std::int64_t now = 0;
    auto device = [](int round, int i) {
        DeviceRecord r = Answer("urn:" + std::to_string(round) + ":" + std::to_string(i), "x");
        r.xAddrs = "http://host-" + std::to_string(round) + "-" + std::to_string(i) + ":80/";
        return r;
    };
    for (int round = 0; round < 50; ++round, now += 1000) {
        for (int i = 0; i < 400; ++i) roster.Seen(device(round, i), "bridges", now, now, true);
        roster.Expire(now);
        EXPECT_LE(roster.Size(), 800u);
    }
    // One host sending ever new endpoint addresses stays one device.
    for (int i = 0; i < 1000; ++i)
        roster.Seen(Answer("urn:churn:" + std::to_string(i), "x", 77), "bridges", now, now, false);
    EXPECT_TRUE(roster.Bye("urn:churn:0", 0, "10.0.0.77"));
    EXPECT_FALSE(roster.Bye("urn:churn:999", 0, "10.0.0.77"));

    for (std::size_t i = roster.Size(); i < WatchRoster::kMaxDevices + 5; ++i)
        roster.Seen(device(1000, static_cast<int>(i)), "bridges", now, now, true);
    EXPECT_EQ(roster.Size(), WatchRoster::kMaxDevices);
    EXPECT_TRUE(roster.LimitReached());
}

TEST(WatchRoster, AnnouncementsFromAnotherAddressNeitherRemoveNorRenameADevice)
{
    WatchRoster roster(3000, ShownText);
    WatchRoster::Listed listed;
    roster.Seen(Answer("urn:a", "Lobby"), "bridges", 0, 0, true);
    // A forged Bye and a forged renaming Hello, from a neighbour.
    EXPECT_FALSE(roster.Bye("urn:a", 100, "10.0.0.66"));
    DeviceRecord renamed = Answer("urn:a", "HIJACKED");
    renamed.sourceAddress.clear();
    EXPECT_FALSE(roster.Believes(renamed, "10.0.0.66"));
    EXPECT_EQ(roster.Seen(renamed, "hello", 200, 200, true, nullptr, "10.0.0.66"), Event::None);
    EXPECT_EQ(roster.Disbelieved(), 2u);
    // The device itself may rename itself and say goodbye.
    EXPECT_TRUE(roster.Believes(renamed, "10.0.0.5"));
    EXPECT_EQ(roster.Seen(renamed, "hello", 300, 300, true, &listed, "10.0.0.5"), Event::Changed);
    EXPECT_EQ(listed.record.GetDescription(), "HIJACKED");
    EXPECT_TRUE(listed.confirmed);
    EXPECT_TRUE(roster.Bye("urn:a", 400, "10.0.0.5"));
    EXPECT_EQ(roster.Size(), 0u);
}

TEST(WatchRoster, HelloOnlyDevicesCannotCrowdOutDevicesThatAnswer)
{
    WatchRoster roster(1000, ShownText);
    auto hello = [](int i) {
        DeviceRecord r = Hello("urn:fake:" + std::to_string(i));
        r.xAddrs = "http://fake-" + std::to_string(i) + ":80/";
        return r;
    };
    for (std::size_t i = 0; i < WatchRoster::kMaxUnconfirmed + 10; ++i)
        roster.Seen(hello(static_cast<int>(i)), "hello", 0, 0, true, nullptr, "10.0.0.66");
    EXPECT_EQ(roster.Size(), WatchRoster::kMaxUnconfirmed);
    for (std::size_t i = 0; i < WatchRoster::kMaxDevices; ++i) {
        DeviceRecord r = Answer("urn:real:" + std::to_string(i), "x");
        r.xAddrs = "http://real-" + std::to_string(i) + ":80/";
        ASSERT_EQ(roster.Seen(r, "devices", 0, 0, true), Event::Found) << i;
    }
    // Once silence has removed them, announced devices are listed again.
    roster.Expire(1000);
    EXPECT_EQ(roster.Size(), 0u);
    EXPECT_EQ(roster.Seen(hello(1), "hello", 1000, 1000, true, nullptr, "10.0.0.66"), Event::Found);
}

TEST(UnconfirmedEventLimit, HoldsBackEventsOverTheLimitAndTellsThemOnceAMinute)
{
    UnconfirmedEventLimit limit;
    std::size_t allowed = 0;
    for (int i = 0; i < 1000; ++i) allowed += limit.Allow(i) ? 1 : 0;
    EXPECT_EQ(allowed, UnconfirmedEventLimit::kPerWindow);
    EXPECT_EQ(limit.TakeHeldBack(59999), 0u);  // the minute is not over
    EXPECT_EQ(limit.TakeHeldBack(60000), 1000u - UnconfirmedEventLimit::kPerWindow);
    EXPECT_EQ(limit.TakeHeldBack(60001), 0u);
    EXPECT_TRUE(limit.Allow(60002));  // a new minute, a new allowance
    EXPECT_EQ(HeldBackText(980), "+980 unconfirmed announcements in the last minute");
}

}  // namespace signseek
