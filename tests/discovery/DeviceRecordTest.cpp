#include "discovery/DeviceRecord.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {
DeviceRecord WithMetadata(std::vector<std::string> items)
{
    DeviceRecord r;
    r.metadata = std::move(items);
    return r;
}
}  // namespace

TEST(DeviceRecordMetadata, ReadsClosedElements)
{
    const DeviceRecord r = WithMetadata({"<Height>96</Height>", "<Width>192</Width>"});
    EXPECT_EQ(r.GetHeight(), 96);
    EXPECT_EQ(r.GetWidth(), 192);
    EXPECT_EQ(DeviceRecord{}.GetHeight(), 0);
    EXPECT_EQ(DeviceRecord{}.GetWidth(), 0);

    const DeviceRecord both = WithMetadata({"<Description>Lobby</Description><MAC>00-11</MAC>"});
    EXPECT_EQ(both.GetDescription(), "Lobby");
    EXPECT_EQ(both.GetMac(), "00-11");

    const DeviceRecord spaced = WithMetadata({"<Services>a:1 b:2</Services>"});
    EXPECT_EQ(spaced.GetMetadataValue("Services"), "a:1 b:2");
    EXPECT_EQ(WithMetadata({"<X></X>", "<X>late</X>"}).GetMetadataValue("X"), "");
}

TEST(DeviceRecordMetadata, ReadsAFragmentThatOnlyOpensItsTag)
{
    EXPECT_EQ(WithMetadata({"<DHCPName>kiosk-3"}).GetDhcpName(), "kiosk-3");
    EXPECT_EQ(WithMetadata({"junk<DHCPName>kiosk<b>"}).GetDhcpName(), "kiosk");
    EXPECT_EQ(WithMetadata({"<Other>x", "<DHCPName>y"}).GetDhcpName(), "y");
}

TEST(DeviceRecordMetadata, IgnoresPrefixedAttributedAndMiscasedElements)
{
    EXPECT_EQ(WithMetadata({"<m:MAC>00-11</m:MAC>"}).GetMetadataValue("MAC"), "");
    EXPECT_EQ(WithMetadata({"<MAC kind=\"eth\">00-11</MAC>"}).GetMetadataValue("MAC"), "");
    EXPECT_EQ(WithMetadata({"<mac>00-11</mac>"}).GetMetadataValue("MAC"), "");
}

TEST(DeviceRecordMetadata, FirstItemWithAValueWins)
{
    const DeviceRecord r = WithMetadata({"<A>1</A>", "<MAC>first</MAC>", "<MAC>second</MAC>"});
    EXPECT_EQ(r.GetMetadataValue("MAC"), "first");
}

TEST(DeviceRecordMetadata, ClosingMarkBeforeOpeningMarkDoesNotDelimit)
{
    // Both marks are present, but the close comes first; the value must not
    // run past the real closing mark.
    EXPECT_EQ(WithMetadata({"</K><K>v</K>"}).GetMetadataValue("K"), "v");
    EXPECT_EQ(WithMetadata({"</K><K>v"}).GetMetadataValue("K"), "");
}

TEST(DeviceRecordMetadata, SurvivesHostileFragments)
{
    const std::vector<std::string> hostile = {
        "",
        "<",
        ">",
        "<>",
        "</>",
        "<<<>>>",
        "<K",
        "K>",
        "<K>",
        "</K>",
        std::string("<K>\0x</K>", 9),
        std::string(100000, '<'),
        "<" + std::string(100000, 'K') + ">",
    };
    for (const std::string& item : hostile) {
        const DeviceRecord r = WithMetadata({item});
        (void)r.GetMetadataValue("K");
        (void)r.GetHeight();
    }
    EXPECT_EQ(WithMetadata({"<K>"}).GetMetadataValue("K"), "");
    EXPECT_EQ(WithMetadata({std::string("<K>\0x</K>", 9)}).GetMetadataValue("K"), std::string("\0x", 2));
}

TEST(DeviceRecordAccessors, FallBackWhenMetadataIsMissing)
{
    DeviceRecord vp = MakeRecord("urn:a", "http://10.0.0.1/", "x " + kVideoProcessorScope);
    EXPECT_EQ(vp.GetDescription(), "Unknown Lyrax-80");
    vp.metadata.push_back("<Description>Wall</Description>");
    EXPECT_EQ(vp.GetDescription(), "Wall");
    EXPECT_EQ(MakeRecord("urn:a", "x", kMediaPlayerScope).GetDescription(), "");

    const DeviceRecord noMac = MakeRecord("urn:a", "http://10.0.0.1:80/ http://10.0.0.2/");
    EXPECT_EQ(noMac.GetMac(), "http://10.0.0.1:80/ http://10.0.0.2/");

    EXPECT_EQ(WithMetadata({"<ComputerName>pc</ComputerName>"}).GetDhcpName(), "pc");
    EXPECT_EQ(WithMetadata({"<ComputerName>pc</ComputerName>", "<DHCPName>d</DHCPName>"}).GetDhcpName(), "d");
    EXPECT_EQ(WithMetadata({"<DiscoveryVersion>2.1</DiscoveryVersion>"}).GetDiscoveryVersion(), "2.1");
}

TEST(DeviceRecordAccessors, ShowTheTextTheDeviceSent)
{
    const DeviceRecord r = WithMetadata(
        {"<Description>Caf\xc3\xa9 Z\xc3\xbcrich</Description>", "<DHCPName>R&amp;D &lt;Lab&gt;</DHCPName>",
         "<MAC>&#x6771;&#x4EAC; Lobby</MAC>", "<DiscoveryVersion>2.\xff</DiscoveryVersion>"});
    EXPECT_EQ(r.GetDescription(), "Caf\xc3\xa9 Z\xc3\xbcrich");
    EXPECT_EQ(r.GetDhcpName(), "R&D <Lab>");
    EXPECT_EQ(r.GetMac(), "\xe6\x9d\xb1\xe4\xba\xac Lobby");
    EXPECT_EQ(r.GetDiscoveryVersion(), "2.\xc3\xbf");
    // The items themselves, and values read from them, stay as received.
    EXPECT_EQ(r.GetMetadataValue("DHCPName"), "R&amp;D &lt;Lab&gt;");
    EXPECT_EQ(r.metadata[0], "<Description>Caf\xc3\xa9 Z\xc3\xbcrich</Description>");
    // Without a MAC item the Latin-1 transport address is shown.
    EXPECT_EQ(MakeRecord("urn:a", "http://h\xe9/").GetMac(), "http://h\xc3\xa9/");
}

TEST(DeviceRecordKinds, AreReadFromScopeSubstrings)
{
    const DeviceRecord vp = MakeRecord("", "", "a " + kVideoProcessorScope + "/sub b");
    EXPECT_TRUE(vp.IsVideoProcessor());
    EXPECT_FALSE(vp.IsMediaPlayer() || vp.IsBridge() || vp.IsPreviousGenerationController() || vp.HasHomeScope());
    EXPECT_TRUE(MakeRecord("", "", kMediaPlayerScope).IsMediaPlayer());
    EXPECT_TRUE(MakeRecord("", "", kBridgeScope).IsBridge());
    EXPECT_TRUE(MakeRecord("", "", kX7Scope).IsPreviousGenerationController());
    EXPECT_TRUE(MakeRecord("", "", std::string(VENDOR_HOME_URI) + "/en").HasHomeScope());
    EXPECT_FALSE(MakeRecord("", "", "http://schemas.marvane.com/2011/player/").IsMediaPlayer());
}

}  // namespace signseek
