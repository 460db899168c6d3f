#include "wire/Endpoint.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {

TEST(Endpoint, SchemeHostPortAndPath)
{
    wire::Endpoint e = wire::ParseEndpoint("soap.udp://239.255.255.250:3702");
    EXPECT_TRUE(e.udp);
    EXPECT_EQ("239.255.255.250", e.host);
    EXPECT_EQ(3702, e.port);
    EXPECT_EQ("/", e.path);

    e = wire::ParseEndpoint("http://10.0.0.5:8000/Discovery");
    EXPECT_FALSE(e.udp);
    EXPECT_EQ("10.0.0.5", e.host);
    EXPECT_EQ(8000, e.port);
    EXPECT_EQ("/Discovery", e.path);
}

TEST(Endpoint, DefaultsArePort80AndRootPath)
{
    wire::Endpoint e = wire::ParseEndpoint("soap.udp://239.255.255.250");
    EXPECT_EQ(80, e.port);
    EXPECT_EQ("/", e.path);
    e = wire::ParseEndpoint("http://host/x/y");
    EXPECT_EQ("host", e.host);
    EXPECT_EQ(80, e.port);
    EXPECT_EQ("/x/y", e.path);
}

TEST(Endpoint, TextWithoutSchemeIsReadFromTheStart)
{
    wire::Endpoint e = wire::ParseEndpoint("host:81/p");
    EXPECT_EQ("host", e.host);
    EXPECT_EQ(81, e.port);
    EXPECT_EQ("/p", e.path);
}

TEST(Endpoint, OverlongPartsAreCut)
{
    std::string host(5000, 'h');
    wire::Endpoint e = wire::ParseEndpoint("http://" + host + ":99999999999/" + std::string(5000, 'p'));
    EXPECT_EQ(1023u, e.host.size());
    EXPECT_EQ(1023u, e.path.size());
    EXPECT_GE(e.port, 65536);  // out of range, never wrapped into a valid port
}

TEST(Endpoint, BlankSeparatedEndpointsAreTriedInTurn)
{
    EXPECT_EQ((std::vector<std::string>{"http://a/", "http://b/"}), wire::SplitEndpoints("  http://a/   http://b/ "));
    EXPECT_TRUE(wire::SplitEndpoints("   ").empty());
}

}  // namespace

}  // namespace signseek
