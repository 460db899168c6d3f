// Match on its own: what a send leaves behind for the listener, and the
// HTTP listener keeping what it collected.

#include "discovery/Match.h"
#include "FakeDevice.h"
#include "common/VendorConstants.h"
#include "discovery/Result.h"
#include "tests/wire/WireTestSupport.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {

void WaitForProbes(fake::FakeDevice& device, std::size_t n)
{
    for (int i = 0; i < 100 && device.Probes().size() < n; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

TEST(MatchSend, ReplyToNamesTheListenPortOfTheMomentAndTheSendLeavesItsSourcePort)
{
    fake::FakeDevice device;
    Match match;
    EXPECT_EQ(65535, match.GetLocalPort());  // no socket yet
    EXPECT_EQ(REPLY_PORT, match.m_nListenPort);
    match.m_strInterface = "127.0.0.1";
    match.m_nDiscoveryPort = static_cast<std::uint16_t>(device.DiscoveryPort());
    match.m_nListenPort = 4321;
    match.m_strScopes = "scope:one";

    ASSERT_EQ(0, match.SendProbe(1, "127.0.0.1"));
    WaitForProbes(device, 1);
    ASSERT_EQ(1u, device.Probes().size());
    fake::ReceivedProbe first = device.Probes()[0];
    EXPECT_EQ("http://127.0.0.1:4321/Discovery", first.replyTo);
    EXPECT_EQ("scope:one", first.scopes);
    EXPECT_EQ(first.sourcePort, match.m_nListenPort);
    EXPECT_EQ(first.sourcePort, match.GetLocalPort());

    // Without resetting the port the next ReplyTo names the last source port.
    ASSERT_EQ(0, match.SendProbe(1, "127.0.0.1"));
    WaitForProbes(device, 2);
    ASSERT_EQ(2u, device.Probes().size());
    fake::ReceivedProbe second = device.Probes()[1];
    EXPECT_EQ("http://127.0.0.1:" + std::to_string(first.sourcePort) + "/Discovery", second.replyTo);
    EXPECT_NE(first.messageId, second.messageId);
    EXPECT_EQ(36u, second.messageId.size());
}

TEST(MatchSend, EmptyInterfaceSendsNothingAndKeepsTheListenPort)
{
    fake::FakeDevice device;
    Match match(wire::TransportMode::Udp);
    EXPECT_EQ(3702, match.m_nListenPort);
    match.m_nDiscoveryPort = static_cast<std::uint16_t>(device.DiscoveryPort());
    match.m_nListenPort = 4321;
    EXPECT_EQ(E_FAIL, match.SendProbe(1, ""));
    EXPECT_EQ(E_FAIL, match.SendProbeNoReplyTo(1, ""));
    EXPECT_LT(E_FAIL, 0);
    EXPECT_EQ(4321, match.m_nListenPort);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(device.Probes().empty());
}

TEST(MatchListen, HelloOnTheHttpListenerAndAnswersFromBeforeAreKept)
{
    Match match;
    match.m_strInterface = "127.0.0.1";
    match.m_nListenPort = static_cast<std::uint16_t>(wiretest::FreeTcpPort());
    match.accept_timeout = 1;
    match.recv_timeout = 1;
    std::thread listener([&] { EXPECT_EQ(0, match.Listen()); });
    const std::string replyTo = "http://127.0.0.1:" + std::to_string(match.m_nListenPort) + "/Discovery";
    std::string answer;
    for (int i = 0; i < 50 && answer.empty(); ++i) {  // until the listener is bound
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        answer = fake::PostTo(replyTo, fake::ProbeMatchesEnvelope({fake::MatchItems("urn:a", "http://127.0.0.2/")}));
    }
    EXPECT_EQ(0u, answer.find("HTTP/1.1 202 Accepted")) << answer;
    // A later ProbeMatches for the address a Hello announced adds nothing.
    fake::PostTo(replyTo, fake::HelloEnvelope(fake::MatchItems("urn:b", "http://127.0.0.3/")));
    fake::PostTo(replyTo, fake::ProbeMatchesEnvelope({fake::MatchItems("urn:b", "http://127.0.0.4/")}));
    listener.join();

    ASSERT_EQ(2u, match.Devices().size());
    EXPECT_EQ("urn:a", match.Devices()[0].address);
    EXPECT_EQ("urn:b", match.Devices()[1].address);
    EXPECT_EQ("", match.Devices()[1].sourceAddress);
    EXPECT_EQ("http://127.0.0.3/", match.Devices()[1].xAddrs);
}

}  // namespace

}  // namespace signseek
