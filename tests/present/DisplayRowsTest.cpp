#include "present/DisplayRows.h"

#include "tests/discovery/TestRecords.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {
DeviceRecord Reachable(std::string services = {})
{
    DeviceRecord r = MakeRecord("urn:1", "http://10.0.0.5:80/", "", "");
    r.sourceAddress = "10.0.0.5";
    if (!services.empty()) r.metadata.push_back(MakeServicesItem(services));
    return r;
}
}  // namespace

TEST(DisplayRows, OneRowPerTransportAddress)
{
    DeviceRecord r = Reachable();
    r.xAddrs = "http://10.0.0.5:80/ \thttp://[fe80::1]:80/";
    const std::vector<DisplayRow> rows = MakeDisplayRows(r);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].ipAddress, rows[1].ipAddress);
    EXPECT_EQ(rows[0].name, rows[1].name);
    r.xAddrs = " \r\n";
    EXPECT_TRUE(MakeDisplayRows(r).empty());
    r.xAddrs.clear();
    EXPECT_TRUE(MakeDisplayRows(r).empty());
}

TEST(DisplayRows, NameAndDhcpTexts)
{
    DeviceRecord r = Reachable();
    EXPECT_EQ(MakeDisplayRow(r).name, "<none>");
    r.metadata = {"<Description>Lobby</Description>", "<ComputerName>pc7</ComputerName>"};
    EXPECT_EQ(MakeDisplayRow(r).name, "Lobby");
    EXPECT_EQ(MakeDisplayRow(r).dhcpName, "pc7");
}

TEST(DisplayRows, IpAddressCarriesTheManagementPortUnlessItIs80)
{
    EXPECT_EQ(MakeDisplayRow(Reachable()).ipAddress, "10.0.0.5");
    EXPECT_EQ(MakeDisplayRow(Reachable("cpp:Management:80")).ipAddress, "10.0.0.5");
    EXPECT_EQ(MakeDisplayRow(Reachable("cpp:Management:8080 playerd:81")).ipAddress, "10.0.0.5:8080");
    // A marked row never shows a port.
    const DisplayRow marked = MakeDisplayRow(Reachable("cpp:Management:8080 playerd"));
    EXPECT_EQ(marked.image, DeviceImage::Marked);
    EXPECT_EQ(marked.ipAddress, "10.0.0.5");
}

TEST(DisplayRows, AnnouncedDeviceIsMarkedWithoutAddress)
{
    DeviceRecord r = Reachable("cpp:Management:8080");
    r.sourceAddress.clear();
    r.metadata.push_back(HELLO_ITEM);
    const DisplayRow row = MakeDisplayRow(r);
    EXPECT_EQ(row.image, DeviceImage::Marked);
    EXPECT_EQ(row.ipAddress, "");
}

TEST(DisplayRows, ImageFollowsServicePorts)
{
    EXPECT_EQ(MakeDisplayRow(Reachable("ns3:quellad:8080 playerd:8081")).image, DeviceImage::Normal);
    EXPECT_EQ(MakeDisplayRow(Reachable("ns3:quellad:8080 playerd:8081 vsftpd")).image, DeviceImage::Marked);
    EXPECT_EQ(MakeDisplayRow(Reachable("ns3:quellad:8080 playerd:0")).image, DeviceImage::Marked);
    EXPECT_EQ(MakeDisplayRow(Reachable()).image, DeviceImage::Normal);

    DeviceRecord typesOnly = Reachable();
    typesOnly.types = "dn:Player";
    EXPECT_EQ(MakeDisplayRow(typesOnly).image, DeviceImage::Marked);
}

TEST(AllServicesHavePorts, EveryTokenNeedsANonZeroPort)
{
    EXPECT_TRUE(AllServicesHavePorts(""));
    EXPECT_TRUE(AllServicesHavePorts("a:1 b::80\tc:65535"));
    EXPECT_FALSE(AllServicesHavePorts("a:1 b:"));
    EXPECT_FALSE(AllServicesHavePorts("b:x1"));
    EXPECT_FALSE(AllServicesHavePorts("a:0 b:1"));
    EXPECT_TRUE(AllServicesHavePorts("17"));  // a bare number reads as its own port
}

TEST(DisplayRows, Dimensions)
{
    DeviceRecord vp = Reachable();
    vp.scopes = kVideoProcessorScope;
    vp.metadata = {"<Rows>47</Rows>", "<Columns>63</Columns>", "<Height>5</Height>"};
    EXPECT_EQ(MakeDisplayRow(vp).dimensions, "48X64");
    vp.metadata[0] = "<Rows>0</Rows>";
    EXPECT_EQ(MakeDisplayRow(vp).dimensions, "");
    vp.metadata = {};
    EXPECT_EQ(MakeDisplayRow(vp).dimensions, "");
    vp.metadata = {"<Rows>2147483647</Rows>", "<Columns>1</Columns>"};
    EXPECT_EQ(MakeDisplayRow(vp).dimensions, "2147483648X2");

    DeviceRecord display = Reachable();
    display.metadata = {"<Width>640</Width>", "<Height>480</Height>"};
    EXPECT_EQ(MakeDisplayRow(display).dimensions, "480X640");
    EXPECT_EQ(MakeDisplayRow(Reachable()).dimensions, "0X0");
}

TEST(ManagementPort, LastManagementTokenWins)
{
    std::string port = "keep";
    EXPECT_FALSE(FindManagementPort("playerd:81 Management:9", port));
    EXPECT_EQ(port, "keep");
    EXPECT_TRUE(FindManagementPort("cpp:Management:81 x:1 cpp:Management:82", port));
    EXPECT_EQ(port, "82");
    EXPECT_TRUE(FindManagementPort(kManagementContract, port));
    EXPECT_EQ(port, "Management");
}

TEST(ManagementPort, FallsBackToTypesThen80)
{
    DeviceRecord r = Reachable("playerd:81");
    EXPECT_EQ(GetManagementPort(r), "80");
    r.types = "dn:Player " + kManagementContract + ":8443";
    EXPECT_EQ(GetManagementPort(r), "8443");
    r.metadata = {MakeServicesItem("cpp:Management:9090")};
    EXPECT_EQ(GetManagementPort(r), "9090");
}

}  // namespace signseek
