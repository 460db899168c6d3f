#include "discovery/DeviceCollector.h"

#include "TestRecords.h"

#include "common/TextHelpers.h"

#include <gtest/gtest.h>
#include <random>

namespace signseek {

using Outcome = DeviceCollector::Outcome;

namespace {
DeviceRecord PlayerEndpoint(const std::string& address, const std::string& type, int port)
{
    return MakeRecord(address, "http://10.0.0.9:" + std::to_string(port) + "/svc", kMediaPlayerScope, type);
}
}  // namespace

TEST(DeviceCollector, RepeatOfAKnownAddressIsDroppedWhole)
{
    DeviceCollector c;
    DeviceRecord first = MakeRecord("urn:uuid:1", "http://10.0.0.1:80/", "s1", "x8");
    first.sourceAddress = "10.0.0.1";
    EXPECT_EQ(c.HandleMatch(first), Outcome::Added);

    DeviceRecord again = MakeRecord("urn:uuid:1", "http://10.0.0.2:80/", "s2", "other");
    again.metadata = {"<MAC>zz</MAC>"};
    EXPECT_EQ(c.HandleMatch(again), Outcome::Repeat);
    ASSERT_EQ(c.Devices().size(), 1u);
    EXPECT_EQ(c.Devices()[0], first);
}

TEST(DeviceCollector, KeepsFirstAcceptedOrder)
{
    DeviceCollector c;
    for (const char* host : {"10.0.0.3", "10.0.0.1", "10.0.0.2"})
        c.HandleMatch(MakeRecord(std::string("urn:") + host, std::string("http://") + host + ":80/"));
    ASSERT_EQ(c.Devices().size(), 3u);
    EXPECT_EQ(c.Devices()[0].address, "urn:10.0.0.3");
    EXPECT_EQ(c.Devices()[2].address, "urn:10.0.0.2");
}

TEST(DeviceCollector, DevicesWithoutXAddrsShareAHost)
{
    DeviceCollector c;
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:a", "")), Outcome::Added);
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:b", "")), Outcome::SameHost);
    DeviceRecord player = MakeRecord("urn:c", "", kMediaPlayerScope, "p");
    player.metadata = {"<Extra>1</Extra>"};
    EXPECT_EQ(c.HandleMatch(player), Outcome::Merged);
    ASSERT_EQ(c.Devices().size(), 1u);
    EXPECT_EQ(c.Devices()[0].address, "urn:a");
    EXPECT_EQ(c.Devices()[0].GetMetadataValue("Extra"), "1");
}

TEST(DeviceCollector, ThreePlayerEndpointsBecomeOneRecord)
{
    DeviceCollector c;
    DeviceRecord first = PlayerEndpoint("urn:e1", "t1", 80);
    first.sourceAddress = "10.0.0.9";
    EXPECT_EQ(c.HandleMatch(first), Outcome::Added);
    DeviceRecord second = PlayerEndpoint("urn:e2", "t2", 81);
    second.metadata = {"<Hello>true</Hello>"};
    EXPECT_EQ(c.HandleMatch(second), Outcome::Merged);
    EXPECT_EQ(c.HandleMatch(PlayerEndpoint("urn:e3", "t3", 82)), Outcome::Merged);

    ASSERT_EQ(c.Devices().size(), 1u);
    const DeviceRecord& r = c.Devices()[0];
    EXPECT_EQ(r.address, "urn:e1");
    EXPECT_EQ(r.types, "t1");
    EXPECT_EQ(r.sourceAddress, "10.0.0.9");
    EXPECT_EQ(r.xAddrs, "10.0.0.9");
    EXPECT_EQ(r.metadata, (std::vector<std::string>{"<Services>t2:81 t1:80 t3:82</Services>", "<Hello>true</Hello>"}));
}

TEST(DeviceCollector, MergeWithoutAnExactServicesItemAppendsTheMergedList)
{
    DeviceCollector c;
    DeviceRecord first = PlayerEndpoint("urn:e1", "t1", 80);
    first.metadata = {"<Info><Services>a:1</Services></Info>"};
    c.HandleMatch(first);
    c.HandleMatch(PlayerEndpoint("urn:e2", "t2", 81));
    EXPECT_EQ(c.Devices()[0].metadata,
              (std::vector<std::string>{"<Info><Services>a:1</Services></Info>", "<Services>a:1 t2:81</Services>"}));
}

TEST(DeviceCollector, MergeReplacesAnExactServicesItemInPlace)
{
    DeviceCollector c;
    DeviceRecord first = PlayerEndpoint("urn:e1", "t1", 80);
    first.metadata = {"<Services>a:1</Services>", "<Z>z</Z>"};
    c.HandleMatch(first);
    c.HandleMatch(PlayerEndpoint("urn:e2", "t2", 81));
    EXPECT_EQ(c.Devices()[0].metadata, (std::vector<std::string>{"<Services>a:1 t2:81</Services>", "<Z>z</Z>"}));
}

TEST(DeviceCollector, OtherEndpointOnAKnownHostIsDroppedUnlessAPlayer)
{
    DeviceCollector c;
    c.HandleMatch(MakeRecord("urn:a", "http://10.0.0.4:80/", "", "t"));
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:b", "http://10.0.0.4:81/", kBridgeScope, "u")), Outcome::SameHost);
    EXPECT_EQ(c.Devices()[0].metadata.size(), 0u);
    EXPECT_EQ(c.Devices()[0].xAddrs, "http://10.0.0.4:80/");
}

TEST(DeviceCollector, VideoProcessorGetsServicesFromTypesAndPort)
{
    DeviceCollector c;
    c.HandleMatch(MakeRecord("urn:vp", "http://10.0.0.5:80/", kVideoProcessorScope, ""));
    c.HandleMatch(MakeRecord("urn:vp2", "http://10.0.0.6/x", kVideoProcessorScope, "a b"));
    DeviceRecord reported = MakeRecord("urn:vp3", "http://10.0.0.7:90/", kVideoProcessorScope, "t");
    reported.metadata = {"<Services>own:1</Services>"};
    c.HandleMatch(reported);
    ASSERT_EQ(c.Devices().size(), 3u);
    EXPECT_EQ(c.Devices()[0].metadata, (std::vector<std::string>{"<Services>:80</Services>"}));
    EXPECT_EQ(c.Devices()[1].metadata, (std::vector<std::string>{"<Services>a b</Services>"}));
    EXPECT_EQ(c.Devices()[2].metadata, (std::vector<std::string>{"<Services>own:1</Services>"}));
}

TEST(DeviceCollector, BridgeGetsOneServiceTokenPerType)
{
    DeviceCollector c;
    c.HandleMatch(MakeRecord("urn:b1", "http://10.0.0.8/", kBridgeScope, " h:Bridge\tBridgeCtl "));
    c.HandleMatch(MakeRecord("urn:b2", "http://10.0.0.9:5000/x", kBridgeScope, "h:Bridge"));
    ASSERT_EQ(c.Devices().size(), 2u);
    EXPECT_EQ(c.Devices()[0].GetMetadataValue("Services"), "h:Bridge::80 BridgeCtl::80 ");
    EXPECT_EQ(c.Devices()[1].GetMetadataValue("Services"), "h:Bridge:5000 ");
}

TEST(DeviceCollector, ExcludesPreviousGenerationAndTypelessHomeScope)
{
    DeviceCollector c;
    const std::string home = VENDOR_HOME_URI;
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:1", "http://10.0.1.1/", kX7Scope + " " + kMediaPlayerScope, "x7")),
              Outcome::Excluded);
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:2", "http://10.0.1.2/", home, "")), Outcome::Excluded);
    EXPECT_TRUE(c.Devices().empty());
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:3", "http://10.0.1.3/", home, "t")), Outcome::Added);
    // An excluded record leaves nothing behind to collide with.
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:1", "http://10.0.1.1/", "", "t")), Outcome::Added);
}

TEST(DeviceCollector, HelloThenProbeMatchFromTheSameAddressKeepsTheHello)
{
    DeviceCollector c;
    DeviceRecord hello = MakeRecord("urn:h", "http://10.0.2.1:80/", "", "t");
    hello.metadata = {HELLO_ITEM};
    c.HandleMatch(hello);
    DeviceRecord probeMatch = hello;
    probeMatch.metadata.clear();
    probeMatch.sourceAddress = "10.0.2.1";
    EXPECT_EQ(c.HandleMatch(probeMatch), Outcome::Repeat);
    EXPECT_EQ(c.Devices()[0].sourceAddress, "");
    EXPECT_EQ(c.Devices()[0].GetMetadataValue("Hello"), "true");
}

TEST(DeviceCollector, MissingAddressCountsAsEmptyAddress)
{
    DeviceCollector c;
    EXPECT_EQ(c.HandleMatch(MakeRecord("", "http://10.0.3.1/")), Outcome::Added);
    EXPECT_EQ(c.HandleMatch(MakeRecord("", "http://10.0.3.2/")), Outcome::Repeat);
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:x", "http://10.0.3.3/")), Outcome::Added);
    EXPECT_EQ(c.Devices().size(), 2u);
}

namespace {

// The match rules as a plain scan of every stored record, to hold the
// collector's indexes against.
struct ScanningCollector {
    std::vector<DeviceRecord> devices;

    void HandleMatch(DeviceRecord record)
    {
        bool known = false;
        for (DeviceRecord& existing : devices) {
            if (existing.address == record.address) {
                known = true;
                break;
            }
            if (HostOfUrl(existing.xAddrs) == HostOfUrl(record.xAddrs)) {
                known = true;
                if (record.IsMediaPlayer()) MergeMediaPlayerEndpoint(existing, record);
                break;
            }
        }
        AddVideoProcessorServices(record);
        AddBridgeServices(record);
        if (!known && !(record.HasHomeScope() && record.types.empty()) && !record.IsPreviousGenerationController())
            devices.push_back(std::move(record));
    }
};

}  // namespace

TEST(DeviceCollector, IndexedLookupsFollowTheScanOrderRules)
{
    // Few addresses and hosts, so repeats, shared hosts and merges are common;
    // hosts like "a:b" lose their last part when a merge cuts xAddrs, and
    // then can collide with another record's host.
    const std::vector<std::string> xAddrs = {"http://10.0.0.1:80/", "http://10.0.0.1:81/", "http://a:b:80/",
                                             "http://a:80/",        "http://a:b/",         "",
                                             "http://[::1]:8/",     "http://[:80/",        "10.0.0.2"};
    const std::vector<std::string> scopes = {"", kMediaPlayerScope, kVideoProcessorScope, kBridgeScope, kX7Scope};
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        DeviceCollector indexed;
        ScanningCollector scanning;
        for (int i = 0; i < 40; ++i) {
            DeviceRecord r = MakeRecord("urn:" + std::to_string(random() % 12), xAddrs[random() % xAddrs.size()],
                                        scopes[random() % scopes.size()], "t" + std::to_string(random() % 3));
            if (random() % 4 == 0) r.metadata = {"<Services>s" + std::to_string(i) + "</Services>"};
            indexed.HandleMatch(r);
            scanning.HandleMatch(r);
        }
        ASSERT_EQ(scanning.devices, indexed.Devices()) << "round " << round;
    }
}

TEST(DeviceCollector, KeepsAtMostTheRecordLimitAndSaysSo)
{
    DeviceCollector c;
    for (std::size_t i = 0; i < DeviceCollector::kMaxRecords; ++i)
        ASSERT_EQ(c.HandleMatch(MakeRecord("urn:" + std::to_string(i), "http://h" + std::to_string(i) + "/")),
                  Outcome::Added);
    EXPECT_FALSE(c.LimitReached());
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:new", "http://new/")), Outcome::Dropped);
    EXPECT_TRUE(c.LimitReached());
    EXPECT_EQ(c.Devices().size(), DeviceCollector::kMaxRecords);
    // Known devices are still recognised.
    EXPECT_EQ(c.HandleMatch(MakeRecord("urn:7", "http://elsewhere/")), Outcome::Repeat);
}

TEST(DeviceCollector, KeepsAtMostTheTextLimitAcrossRecordsAndMerges)
{
    DeviceCollector c;
    const std::string big(1u << 20, 'x');
    DeviceRecord player = PlayerEndpoint("urn:p0", "t", 80);
    EXPECT_EQ(c.HandleMatch(player), Outcome::Added);
    std::size_t merged = 0;
    for (int i = 1; i < 100 && !c.LimitReached(); ++i) {
        DeviceRecord endpoint = PlayerEndpoint("urn:p" + std::to_string(i), "t", 80);
        endpoint.metadata = {big};
        if (c.HandleMatch(endpoint) == Outcome::Merged) ++merged;
    }
    EXPECT_TRUE(c.LimitReached());
    EXPECT_GT(merged, 0u);
    std::size_t kept = 0;
    for (const std::string& item : c.Devices()[0].metadata) kept += item.size();
    EXPECT_LE(kept, DeviceCollector::kMaxTextBytes);
    DeviceRecord large = MakeRecord("urn:large", "http://large/");
    large.metadata = {std::string(DeviceCollector::kMaxTextBytes, 'y')};
    EXPECT_EQ(c.HandleMatch(large), Outcome::Dropped);
}

}  // namespace signseek
