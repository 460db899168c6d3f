#include "discovery/DeviceCollector.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(c.Devices()[0].metadata,
              (std::vector<std::string>{"<Services>a:1 t2:81</Services>", "<Z>z</Z>"}));
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
