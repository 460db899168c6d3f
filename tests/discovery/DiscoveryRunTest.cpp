// Whole discovery runs against a fake device on loopback: the probes they
// send, what they collect over HTTP and UDP, how long they listen, and that
// they leave no socket behind.

#include "FakeDevice.h"
#include "TestRecords.h"
#include "discovery/DiscoveryRun.h"
#include "settings/DiscoverySettings.h"
#include "tests/wire/WireTestSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using fake::FakeDevice;
using fake::MatchItems;

constexpr unsigned kUnwritten = 77;

const std::string kSoap11 = "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                            "<s:Body></s:Body></s:Envelope>";
const std::string kProbeToListener = wiretest::Envelope("", "<d:Probe><d:Types>x8</d:Types></d:Probe>");

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

DiscoveryRequest Request(const FakeDevice& device, unsigned* count, int timeout = 1)
{
    DiscoveryRequest request;
    request.listenPort = static_cast<std::uint16_t>(wiretest::FreeTcpPort());
    request.discoveryPort = static_cast<std::uint16_t>(device.DiscoveryPort());
    request.discoveryTimeout = timeout;
    request.receiveTimeout = 1;
    request.pCount = count;
    request.ttl = 1;
    request.interfaceAddress = "127.0.0.1";
    return request;
}

// Runs one discovery call and, when it runs alone, checks that it gave back
// every descriptor.
struct Outcome {
    std::unique_ptr<DeviceRecord[]> records;
    double seconds = 0;
};

template <typename Run>
Outcome Timed(Run run, const DiscoveryRequest& request, bool alone = true)
{
    const int before = fake::OpenDescriptors();
    const auto start = Clock::now();
    Outcome outcome{run(request), 0};
    outcome.seconds = SecondsSince(start);
    if (alone) {
        EXPECT_EQ(before, fake::OpenDescriptors());
    }
    return outcome;
}

void ExpectMessageId(const std::string& id)
{
    EXPECT_TRUE(std::regex_match(id, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}")))
        << id;
}

const char kRfc2396[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/rfc2396";

TEST(DiscoverDevices, SendsBothProbesAndReturnsAnEmptyArrayWhenNobodyAnswers)
{
    FakeDevice device;
    unsigned count = kUnwritten;
    bool limitReached = true;
    DiscoveryRequest request = Request(device, &count);
    request.pLimitReached = &limitReached;
    Outcome outcome = Timed(DiscoverDevices, request);

    ASSERT_NE(nullptr, outcome.records);
    EXPECT_EQ(0u, count);
    EXPECT_FALSE(limitReached);
    // With nothing arriving the listener ends one discovery timeout after it started.
    EXPECT_GE(outcome.seconds, 0.95);
    EXPECT_LT(outcome.seconds, 1.8);

    std::vector<fake::ReceivedProbe> probes = device.Probes();
    ASSERT_EQ(2u, probes.size());
    const std::string replyTo = "http://127.0.0.1:" + std::to_string(request.listenPort) + "/Discovery";
    EXPECT_EQ("x8", probes[0].types);
    EXPECT_EQ(VendorScope("scopes/marvane/Ferro/X8"), probes[0].scopes);
    EXPECT_FALSE(probes[1].hasTypes);
    EXPECT_EQ(VENDOR_URI_ROOT, probes[1].scopes);
    for (const fake::ReceivedProbe& probe : probes) {
        EXPECT_EQ(replyTo, probe.replyTo);
        EXPECT_EQ(kRfc2396, probe.matchBy);
        ExpectMessageId(probe.messageId);
    }
    EXPECT_NE(probes[0].messageId, probes[1].messageId);
}

TEST(DiscoverBridges, SendsTheBridgeProbeAndListensBetweenTAndTPlusR)
{
    FakeDevice device;
    unsigned count = kUnwritten;
    Outcome outcome = Timed(DiscoverBridges, Request(device, &count));

    ASSERT_NE(nullptr, outcome.records);
    EXPECT_EQ(0u, count);
    EXPECT_GE(outcome.seconds, 0.95);
    EXPECT_LT(outcome.seconds, 2.5);

    std::vector<fake::ReceivedProbe> probes = device.Probes();
    ASSERT_EQ(1u, probes.size());
    EXPECT_EQ("Halden", probes[0].types);
    EXPECT_EQ(VendorScope("scopes/marvane/Halden/Bridge"), probes[0].scopes);
    EXPECT_EQ(kRfc2396, probes[0].matchBy);
    EXPECT_EQ(std::string::npos, probes[0].text.find("ReplyTo"));
    ExpectMessageId(probes[0].messageId);
}

TEST(DiscoverDevices, DeviceAnsweringBothProbesIsListedOnceInFirstAcceptedOrder)
{
    std::atomic<Clock::rep> lastAnswer{0};
    std::vector<std::string> answers;
    FakeDevice device([&](const fake::ReceivedProbe& probe) {
        answers.push_back(fake::PostTo(probe.replyTo, fake::ProbeMatchesEnvelope(
                                                          {MatchItems("urn:ferro", "http://127.0.0.1:80/")})));
        if (!probe.hasTypes)  // a second device answers only the root-scope probe
            answers.push_back(fake::PostTo(probe.replyTo, fake::ProbeMatchesEnvelope({MatchItems(
                                                              "urn:other", "http://127.0.0.9/", "x9")})));
        lastAnswer = Clock::now().time_since_epoch().count();
    });
    unsigned count = kUnwritten;
    Outcome outcome = Timed(DiscoverDevices, Request(device, &count));
    device.Stop();
    const double afterLast = SecondsSince(Clock::time_point(Clock::duration(lastAnswer.load())));

    ASSERT_NE(nullptr, outcome.records);
    ASSERT_EQ(2u, count);
    EXPECT_EQ("urn:ferro", outcome.records[0].address);
    EXPECT_EQ("127.0.0.1", outcome.records[0].sourceAddress);
    EXPECT_EQ(3u, outcome.records[0].metadataVersion);
    EXPECT_EQ("rule", outcome.records[0].matchBy);
    EXPECT_EQ("urn:other", outcome.records[1].address);
    ASSERT_EQ(3u, answers.size());
    for (const std::string& answer : answers)
        EXPECT_EQ(0u, answer.find("HTTP/1.1 202 Accepted")) << answer;
    // The listener ends one discovery timeout after the last answer, not after the start.
    EXPECT_GE(outcome.seconds, 1.15);
    EXPECT_GE(afterLast, 0.9);
    EXPECT_LT(afterLast, 1.6);
}

TEST(DiscoverDevices, HostilePeersNeitherStopTheRunNorLoseDevices)
{
    std::vector<std::string> answers;
    FakeDevice device([&](const fake::ReceivedProbe& probe) {
        if (probe.hasTypes)
            return;
        for (const std::string& bad : {std::string("this is no XML"), kSoap11, kProbeToListener})
            answers.push_back(fake::PostTo(probe.replyTo, bad));
        answers.push_back(fake::PostTo(
            probe.replyTo, fake::ProbeMatchesEnvelope({MatchItems("urn:first", "http://127.0.0.2:80/"),
                                                       MatchItems("urn:second", "http://127.0.0.3:80/")})));
        fake::PostTo(probe.replyTo,
                     fake::HelloEnvelope(MatchItems("urn:hello", "http://127.0.0.4/", "x8", "", "<Rows>4</Rows>")));
        fake::PostTo(probe.replyTo, fake::HelloEnvelope(MatchItems("", "http://127.0.0.5/")));
    });
    unsigned count = kUnwritten;
    Outcome outcome = Timed(DiscoverDevices, Request(device, &count));
    device.Stop();

    ASSERT_EQ(4u, answers.size());
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(std::string::npos, answers[i].find("Fault>")) << answers[i];
    EXPECT_EQ(0u, answers[3].find("HTTP/1.1 202 Accepted"));

    ASSERT_NE(nullptr, outcome.records);
    ASSERT_EQ(3u, count);
    // Only the first entry of a ProbeMatches counts.
    EXPECT_EQ("urn:first", outcome.records[0].address);
    EXPECT_EQ("127.0.0.1", outcome.records[0].sourceAddress);
    const DeviceRecord& hello = outcome.records[1];
    EXPECT_EQ("urn:hello", hello.address);
    EXPECT_EQ("", hello.sourceAddress);
    EXPECT_EQ((std::vector<std::string>{"<Rows>4</Rows>", HELLO_ITEM}), hello.metadata);
    EXPECT_EQ("", outcome.records[2].address);  // no Address text: the empty address
}

TEST(DiscoverBridges, CollectsDatagramAnswersPastHostilePeers)
{
    FakeDevice device([](const fake::ReceivedProbe& probe) {
        for (const std::string& bad : {std::string("this is no XML"), kSoap11, kProbeToListener})
            fake::DatagramTo(probe.sourcePort, bad);
        fake::DatagramTo(probe.sourcePort,
                         wiretest::Envelope("", "<d:ResolveMatches><d:ResolveMatch>" +
                                                    MatchItems("urn:resolved", "http://127.0.0.8/") +
                                                    "</d:ResolveMatch></d:ResolveMatches>"));
        fake::DatagramTo(probe.sourcePort,
                         fake::ProbeMatchesEnvelope({MatchItems("urn:bridge", "http://127.0.0.6/", "Halden Relay",
                                                                kBridgeScope)}));
        fake::DatagramTo(probe.sourcePort, fake::HelloEnvelope(MatchItems("urn:hello", "http://127.0.0.7/")));
    });
    unsigned count = kUnwritten;
    Outcome outcome = Timed(DiscoverBridges, Request(device, &count));

    ASSERT_NE(nullptr, outcome.records);
    ASSERT_EQ(2u, count);
    EXPECT_EQ("urn:bridge", outcome.records[0].address);
    EXPECT_EQ("127.0.0.1", outcome.records[0].sourceAddress);
    // The match rules ran: a bridge without services gets them made up.
    EXPECT_EQ("Halden::80 Relay::80 ", outcome.records[0].GetMetadataValue(META_SERVICES));
    EXPECT_EQ("urn:hello", outcome.records[1].address);
    EXPECT_EQ(HELLO_ITEM, outcome.records[1].metadata.back());
    EXPECT_LT(outcome.seconds, 2.5);
}

TEST(DiscoveryRun, EmptyInterfaceAddress)
{
    FakeDevice device;
    unsigned count = kUnwritten;
    DiscoveryRequest request = Request(device, &count);
    request.interfaceAddress.clear();

    Outcome devices = Timed(DiscoverDevices, request);
    EXPECT_EQ(nullptr, devices.records);
    EXPECT_EQ(kUnwritten, count);
    EXPECT_LT(devices.seconds, 0.5);  // failed without listening

    Outcome bridges = Timed(DiscoverBridges, request);
    ASSERT_NE(nullptr, bridges.records);
    EXPECT_EQ(0u, count);
    EXPECT_GE(bridges.seconds, 0.95);
    EXPECT_TRUE(device.Probes().empty());
}

TEST(DiscoveryRun, BothRunsAtOnceWithTimeoutsBelowOneListenOneSecond)
{
    FakeDevice device;
    unsigned deviceCount = kUnwritten, bridgeCount = kUnwritten;
    DiscoveryRequest devicesRequest = Request(device, &deviceCount, 0);
    devicesRequest.receiveTimeout = 0;
    DiscoveryRequest bridgesRequest = Request(device, &bridgeCount, -3);
    bridgesRequest.receiveTimeout = 0;

    const int before = fake::OpenDescriptors();
    Outcome bridges;
    std::thread other([&] { bridges = Timed(DiscoverBridges, bridgesRequest, false); });
    Outcome devices = Timed(DiscoverDevices, devicesRequest, false);
    other.join();
    EXPECT_EQ(before, fake::OpenDescriptors());

    ASSERT_NE(nullptr, devices.records);
    ASSERT_NE(nullptr, bridges.records);
    EXPECT_EQ(0u, deviceCount);
    EXPECT_EQ(0u, bridgeCount);
    EXPECT_GE(devices.seconds, 0.95);
    EXPECT_LT(devices.seconds, 1.8);
    EXPECT_GE(bridges.seconds, 0.95);
    EXPECT_LT(bridges.seconds, 2.5);
    EXPECT_EQ(3u, device.Probes().size());
}

TEST(DiscoverDevices, ReplyPortHeldByAnotherProgramIsAFailure)
{
    FakeDevice device;
    unsigned count = kUnwritten;
    DiscoveryRequest request = Request(device, &count);
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(request.listenPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(holder, 1));

    Outcome outcome = Timed(DiscoverDevices, request);
    close(holder);
    EXPECT_EQ(nullptr, outcome.records);
    EXPECT_EQ(kUnwritten, count);
    EXPECT_LT(outcome.seconds, 0.5);
}

}  // namespace

namespace {

TEST(RequestFromSettings, TakesTheSettingsValuesAndTheLowBitsOfThePort)
{
    g_nDiscoveryPort = 0x10000 + 3710;
    g_nDiscoveryTimeout = 12;
    g_nReceiveTimeout = 3;
    g_nDiscoveryTTL = 7;
    unsigned count = 0;
    DiscoveryRequest request = RequestFromSettings("10.1.2.3", &count);
    EXPECT_EQ(REPLY_PORT, request.listenPort);
    EXPECT_EQ(3710, request.discoveryPort);
    EXPECT_EQ(12, request.discoveryTimeout);
    EXPECT_EQ(3, request.receiveTimeout);
    EXPECT_EQ(7, request.ttl);
    EXPECT_STREQ(VENDOR_URI_ROOT, request.probeScopes);
    EXPECT_STREQ("", request.probeTypes);
    EXPECT_EQ(&count, request.pCount);
    EXPECT_EQ("10.1.2.3", request.interfaceAddress);
}

}  // namespace
