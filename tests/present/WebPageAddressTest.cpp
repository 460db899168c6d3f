#include "present/WebPageAddress.h"

#include "tests/discovery/TestRecords.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {
DeviceRecord Answered(const std::string& source, const std::string& services = {})
{
    DeviceRecord r = MakeRecord("urn:uuid:1", "http://" + source + ":80/");
    r.sourceAddress = source;
    if (!services.empty()) r.metadata.push_back(MakeServicesItem(services));
    return r;
}

DeviceRecord HomeScoped(const std::string& address)
{
    DeviceRecord r = MakeRecord(address, "", std::string(VENDOR_HOME_URI) + " x", "t");
    r.sourceAddress = "10.0.0.99";
    return r;
}
}  // namespace

TEST(WebPageAddress, SourceAddressAndManagementPort)
{
    EXPECT_EQ(BuildWebPageAddress(Answered("10.0.0.5", "cpp:Management:8080")), "http://10.0.0.5:8080/");
    EXPECT_EQ(BuildWebPageAddress(Answered("10.0.0.5")), "http://10.0.0.5:80/");
}

TEST(WebPageAddress, HomeScopedDeviceUsesItsEndpointHost)
{
    EXPECT_EQ(BuildWebPageAddress(HomeScoped("http://player7.example:8081/some/path")), "http://player7.example:80/");
    EXPECT_EQ(BuildWebPageAddress(HomeScoped("http://10.1.1.1")), "http://10.1.1.1:80/");
    EXPECT_EQ(BuildWebPageAddress(HomeScoped("10.1.1.2:9")), "http://10.1.1.2:80/");
}

TEST(WebPageAddress, UnusableAddressesOpenNothing)
{
    // Known only from an announcement: "address:port" has no scheme.
    DeviceRecord hello = Answered("");
    hello.sourceAddress.clear();
    EXPECT_EQ(BuildWebPageAddress(hello), std::nullopt);
    // A management contract token without a port gives a port that is no number.
    EXPECT_EQ(BuildWebPageAddress(Answered("10.0.0.5", kManagementContract)), std::nullopt);
    EXPECT_EQ(BuildWebPageAddress(Answered("10.0.0.5", "cpp:Management:99999")), std::nullopt);
    EXPECT_EQ(BuildWebPageAddress(HomeScoped("urn:uuid:5")), std::nullopt);
}

TEST(WebPageAddress, HostileEndpointAddressesOpenNothing)
{
    const char* hostile[] = {
        "http://a b:80/",
        "http://\"x\":80/",
        "http://x;rm -rf ~:80/",
        "http://$(reboot):1/",
        "http://x`id`:1/",
        "http://x|y:1/",
        "http://-oProxyCommand=x:1/",
        "-oProxyCommand=evil",
        "http://evil.example/x:y",
        "http://user@host:1/",
        "http://host\n:1/",
        "http://0x7f.1:1/",
        "http://1.2.3:1/",
        "http://256.1.1.1:1/",
        "http://01.2.3.4:1/",
        "http:///:1/",
        "",
    };
    for (const char* address : hostile) EXPECT_EQ(BuildWebPageAddress(HomeScoped(address)), std::nullopt) << address;
}

TEST(WebPageAddress, ForeignSchemesCanOnlyBecomeAPlainHttpHost)
{
    // Everything from the last ':' on is dropped as a port, and the rest is
    // taken as a host name, so no foreign scheme survives.
    EXPECT_EQ(BuildWebPageAddress(HomeScoped("file:///etc/passwd")), "http://file:80/");
    EXPECT_EQ(BuildWebPageAddress(HomeScoped("javascript:alert(1)")), "http://javascript:80/");
    EXPECT_EQ(BuildWebPageAddress(HomeScoped("file://server/share:1")), std::nullopt);
}

TEST(WebPageAddress, HostilePortsAndSourcesOpenNothing)
{
    for (const char* port : {"80&&calc", "80;calc", "8080\"", "-1", "0", "080", "80/x", "", "8o"})
        EXPECT_EQ(BuildWebPageAddress(Answered("10.0.0.5", std::string("cpp:Management:") + port)), std::nullopt)
            << port;
    EXPECT_EQ(BuildWebPageAddress(Answered("10.0.0.5 --kiosk")), std::nullopt);
}

TEST(IsSafeWebPageAddress, AcceptsOnlyPlainHttpHostAndPort)
{
    EXPECT_TRUE(IsSafeWebPageAddress("http://10.0.0.5:80/"));
    EXPECT_TRUE(IsSafeWebPageAddress("http://255.255.255.255:65535"));
    EXPECT_TRUE(IsSafeWebPageAddress("http://my-player.lan:8080/"));
    EXPECT_FALSE(IsSafeWebPageAddress("https://10.0.0.5:80/"));
    EXPECT_FALSE(IsSafeWebPageAddress("HTTP://10.0.0.5:80/"));
    EXPECT_FALSE(IsSafeWebPageAddress("http://10.0.0.5/"));
    EXPECT_FALSE(IsSafeWebPageAddress("http://10.0.0.5:80//"));
    EXPECT_FALSE(IsSafeWebPageAddress("http://10.0.0.5:65536/"));
    EXPECT_FALSE(IsSafeWebPageAddress("http://a..b:1/"));
    EXPECT_FALSE(IsSafeWebPageAddress("http://" + std::string(64, 'a') + ".lan:1/"));
    EXPECT_FALSE(IsSafeWebPageAddress("http://x-.lan:1/"));
    EXPECT_FALSE(IsSafeWebPageAddress(std::string("http://10.0.0.5\0:80/", 20)));
    EXPECT_FALSE(IsSafeWebPageAddress("http://caf\xe9.lan:1/"));
}

}  // namespace signseek
