#include "present/DeviceDetails.h"

#include "tests/discovery/TestRecords.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {
// "%-20s\t%-40s"
std::wstring Row(const std::wstring& label, const std::wstring& value)
{
    std::wstring row = label + std::wstring(label.size() < 20 ? 20 - label.size() : 0, L' ') + L"\t" + value;
    return row + std::wstring(value.size() < 40 ? 40 - value.size() : 0, L' ');
}
}  // namespace

TEST(DeviceDetails, FullLayoutWithServices)
{
    DeviceRecord r = MakeRecord("urn:uuid:42", "http://10.0.0.5:8080/svc", "", "ignored:1");
    r.metadata = {"<DHCPName>lobby-1</DHCPName>", "<MAC>00-11-22</MAC>", "<DiscoveryVersion>3.2</DiscoveryVersion>",
                  MakeServicesItem("playerd:81 odd:82")};
    const std::wstring expected = Row(L"Address:", L"10.0.0.5:8080/svc") + L"\n" + Row(L"DHCP:", L"lobby-1") + L"\n" +
                                  Row(L"MAC:", L"00-11-22") + L"\n" + L"\n" + Row(L"Services:", L"Player Control:81") +
                                  L"\n" + Row(L"", L"odd:82") + L"\n\n" + Row(L"Discover:", L"Version 3.2");
    EXPECT_EQ(BuildDeviceDetails(r), expected);
}

TEST(DeviceDetails, WithoutServicesTwoEmptyLinesSeparateMacAndDiscover)
{
    const DeviceRecord r = MakeRecord("urn:x", "http://10.0.0.1/ http://10.0.0.2:81/");
    const std::wstring expected = Row(L"Address:", L"10.0.0.1/ 10.0.0.2:81/") + L"\n" + Row(L"DHCP:", L"") + L"\n" +
                                  Row(L"MAC:", L"http://10.0.0.1/ http://10.0.0.2:81/") + L"\n\n\n" +
                                  Row(L"Discover:", L"Version ");
    EXPECT_EQ(BuildDeviceDetails(r), expected);
}

TEST(DeviceDetails, HttpAddressIsShownInsteadOfXAddrs)
{
    DeviceRecord r = MakeRecord("http://10.9.9.9:5000/dev", "http://10.0.0.1/");
    r.types = "vsftpd:21";
    r.metadata = {"<ComputerName>pc</ComputerName>", "<Services></Services>"};
    const std::wstring text = BuildDeviceDetails(r);
    EXPECT_EQ(text.substr(0, 61), Row(L"Address:", L"10.9.9.9:5000/dev"));
    EXPECT_NE(text.find(Row(L"DHCP:", L"pc")), std::wstring::npos);
    EXPECT_NE(text.find(Row(L"Services:", L"File Transfer:21")), std::wstring::npos);
}

TEST(DeviceDetails, LongValuesAreNotCutAndLatin1IsWidened)
{
    const std::string longMac(60, 'm');
    DeviceRecord r = MakeRecord("urn:x", "h");
    r.metadata = {"<MAC>" + longMac + "</MAC>", "<DHCPName>caf\xe9</DHCPName>"};
    const std::wstring text = BuildDeviceDetails(r);
    EXPECT_NE(text.find(L"\t" + std::wstring(60, L'm') + L"\n"), std::wstring::npos);
    EXPECT_NE(text.find(Row(L"DHCP:", L"caf\u00e9")), std::wstring::npos);
}

TEST(DeviceDetails, DecodedTextIsPaddedByCharacters)
{
    DeviceRecord r = MakeRecord("urn:x", "h");
    r.metadata = {"<DHCPName>\xe6\x9d\xb1\xe4\xba\xac &amp; Z\xc3\xbcrich</DHCPName>",
                  "<Services>playerd:81 caf&#xE9;:82</Services>"};
    const std::wstring text = BuildDeviceDetails(r);
    EXPECT_NE(text.find(Row(L"DHCP:", L"\u6771\u4eac & Z\u00fcrich")), std::wstring::npos);
    EXPECT_NE(text.find(Row(L"", L"caf\u00e9:82")), std::wstring::npos);
}

TEST(DeviceDetails, SchemeRemovalIsNotRecursive)
{
    const DeviceRecord r = MakeRecord("http://hthttp://tp://x", "");
    const std::wstring text = BuildDeviceDetails(r);
    EXPECT_EQ(text.substr(0, 61), Row(L"Address:", L"http://x"));
}

}  // namespace signseek
