// Whole discovery runs against a fake device on loopback: the probes they
// send, what they collect over HTTP and UDP, how long they listen, and that
// they leave no socket behind.

#include "FakeDevice.h"
#include "TestRecords.h"
#include "discovery/DiscoveryRun.h"
#include "discovery/RunFailure.h"
#include "discovery/WatchRun.h"
#include "settings/DiscoverySettings.h"
#include "tests/wire/WireTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <chrono>
#include <mutex>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
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

// A UUID in lower-case hex: 8-4-4-4-12.
void ExpectMessageId(const std::string& id)
{
    const std::string shape = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
    bool ok = id.size() == shape.size();
    for (std::size_t i = 0; ok && i < id.size(); ++i)
        ok = shape[i] == '-' ? id[i] == '-' : std::isxdigit(static_cast<unsigned char>(id[i])) && !std::isupper(static_cast<unsigned char>(id[i]));
    EXPECT_TRUE(ok) << id;
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

// Records what a run reports, one line per event.
class RecordingObserver : public RunObserver {
public:
    void ProbeSent(const ProbeEvent& p) override
    {
        std::lock_guard lock(m_mutex);
        lines.push_back("probe " + p.run + " types=" + p.types + " replyTo=" + p.replyTo + " failure=" + p.failure);
    }
    void AnswerReceived(const AnswerEvent& a) override
    {
        std::lock_guard lock(m_mutex);
        lines.push_back("answer " + a.run + " " + a.message + " from=" + a.from + " endpoint=" + a.endpoint + " " +
                        a.outcome);
    }
    std::vector<std::string> lines;

private:
    std::mutex m_mutex;
};

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
    RecordingObserver observer;
    DiscoveryRequest request = Request(device, &count);
    request.pObserver = &observer;
    Outcome outcome = Timed(DiscoverDevices, request);
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
    // Each probe and each answer is reported with what became of it.
    const std::string replyTo = "http://127.0.0.1:" + std::to_string(request.listenPort) + "/Discovery";
    EXPECT_EQ((std::vector<std::string>{
                  "probe devices types=x8 replyTo=" + replyTo + " failure=",
                  "probe devices types= replyTo=" + replyTo + " failure=",
                  "answer devices ProbeMatches from=127.0.0.1 endpoint=urn:ferro kept",
                  "answer devices ProbeMatches from=127.0.0.1 endpoint=urn:ferro "
                  "dropped: a device with this endpoint address is already listed",
                  "answer devices ProbeMatches from=127.0.0.1 endpoint=urn:other kept",
              }),
              observer.lines);
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

// The same answers as real stacks lay them out: compact, indented with spaces
// or tabs, with CRLF line ends, or with stray text between the children.
std::string LaidOut(const std::string& compact, const std::string& between)
{
    const std::size_t root = compact.find("?>") + 2;
    std::string out = compact.substr(0, root);
    for (std::size_t i = root; i < compact.size(); ++i) {
        out += compact[i];
        if (compact[i] == '>' && i + 1 < compact.size() && compact[i + 1] == '<')
            out += between;
    }
    return out;
}

std::vector<DeviceRecord> Records(const std::unique_ptr<DeviceRecord[]>& records, unsigned count)
{
    return records ? std::vector<DeviceRecord>(records.get(), records.get() + count) : std::vector<DeviceRecord>{};
}

TEST(DiscoveryRun, AnswersLaidOutAnyWayGiveTheSameRecordsOverHttpAndUdp)
{
    const std::string player = std::string(VENDOR_URI_ROOT) + "2011/player/tovo";
    const std::string extras = "<Description>Lobby</Description><DHCPName>lobby-1</DHCPName>";
    std::vector<std::string> answers;
    for (int port : {80, 81, 82})
        answers.push_back(fake::ProbeMatchesEnvelope({MatchItems(
            "urn:endpoint:" + std::to_string(port), "http://127.0.0.9:" + std::to_string(port) + "/",
            "t" + std::to_string(port), player, extras)}));

    const std::pair<const char*, std::string> layouts[] = {
        {"compact", ""},
        {"spaces", "\n    "},
        {"tabs", "\n\t\t"},
        {"crlf", "\r\n  "},
        {"stray text", "\n  stray &amp; text\n  "},
    };
    std::vector<DeviceRecord> expectedDevices, expectedBridges;
    for (const auto& [name, between] : layouts) {
        SCOPED_TRACE(name);
        FakeDevice device([&, between = between](const fake::ReceivedProbe& probe) {
            for (const std::string& answer : answers) {
                if (!probe.replyTo.empty() && !probe.hasTypes)
                    fake::PostTo(probe.replyTo, LaidOut(answer, between));
                else if (probe.replyTo.empty())
                    fake::DatagramTo(probe.sourcePort, LaidOut(answer, between));
            }
        });
        unsigned deviceCount = 0, bridgeCount = 0;
        DiscoveryRequest devicesRequest = Request(device, &deviceCount);
        DiscoveryRequest bridgesRequest = Request(device, &bridgeCount);
        Outcome bridges;
        std::thread other([&] { bridges = Timed(DiscoverBridges, bridgesRequest, false); });
        Outcome devices = Timed(DiscoverDevices, devicesRequest, false);
        other.join();
        device.Stop();

        const std::vector<DeviceRecord> found = Records(devices.records, deviceCount);
        ASSERT_EQ(1u, found.size());
        // The three endpoints merged into the one Services item the first made.
        EXPECT_EQ("t81:81 t80:80 t82:82", found[0].GetMetadataValue("Services"));
        EXPECT_EQ(1, std::count(found[0].metadata.begin(), found[0].metadata.end(),
                                MakeServicesItem("t81:81 t80:80 t82:82")));
        EXPECT_EQ(7u, found[0].metadata.size());
        EXPECT_EQ("<Description>Lobby</Description>", found[0].metadata.front());
        EXPECT_EQ("<DHCPName>lobby-1</DHCPName>", found[0].metadata.back());
        EXPECT_EQ("urn:endpoint:80", found[0].address);
        EXPECT_EQ(3u, found[0].metadataVersion);
        const std::vector<DeviceRecord> bridged = Records(bridges.records, bridgeCount);
        EXPECT_EQ(found, bridged);
        if (expectedDevices.empty()) {
            expectedDevices = found;
            expectedBridges = bridged;
        }
        EXPECT_EQ(expectedDevices, found);
        EXPECT_EQ(expectedBridges, bridged);
    }
}

TEST(DiscoveryRun, EmptyInterfaceAddress)
{
    FakeDevice device;
    unsigned count = kUnwritten;
    DiscoveryRequest request = Request(device, &count);
    request.interfaceAddress.clear();
    std::string failure;
    request.pFailure = &failure;

    Outcome devices = Timed(DiscoverDevices, request);
    EXPECT_EQ(nullptr, devices.records);
    EXPECT_EQ(kUnwritten, count);
    EXPECT_LT(devices.seconds, 0.5);  // failed without listening
    EXPECT_EQ("no network adapter address to search from", failure);

    // The bridge run still listens, but says its probe never went out.
    failure.clear();
    Outcome bridges = Timed(DiscoverBridges, request);
    ASSERT_NE(nullptr, bridges.records);
    EXPECT_EQ(0u, count);
    EXPECT_EQ("no network adapter address to search from", failure);
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

    std::string failure;
    request.pFailure = &failure;
    Outcome outcome = Timed(DiscoverDevices, request);
    close(holder);
    EXPECT_EQ(nullptr, outcome.records);
    EXPECT_EQ(kUnwritten, count);
    EXPECT_LT(outcome.seconds, 0.5);
    EXPECT_EQ("TCP port " + std::to_string(request.listenPort) + " is in use by another program", failure);
}

TEST(DiscoveryRun, AddressNotOnThisMachineIsNamedAsTheCause)
{
    FakeDevice device;
    unsigned count = kUnwritten;
    DiscoveryRequest request = Request(device, &count);
    request.interfaceAddress = "192.0.2.1";  // not on any interface of the test's namespace
    std::string failure;
    request.pFailure = &failure;
    EXPECT_EQ(nullptr, Timed(DiscoverDevices, request).records);
    EXPECT_EQ("cannot listen on 192.0.2.1, TCP port " + std::to_string(request.listenPort) +
                  ": the address is not on this machine",
              failure);
}

TEST(RunFailure, SaysWhichStepFailedAndWhy)
{
    EXPECT_EQ("TCP port 8000 is in use by another program", ListenFailure(false, "10.0.0.5", 8000, EADDRINUSE));
    EXPECT_EQ("cannot join the discovery group on 10.0.0.5: no multicast route",
              ListenFailure(true, "10.0.0.5", 40000, ENODEV));
    EXPECT_EQ("cannot listen on 10.0.0.5, TCP port 8000: the address is not on this machine",
              ListenFailure(false, "10.0.0.5", 8000, EADDRNOTAVAIL));
    EXPECT_EQ("cannot send the probe from 10.0.0.5: no multicast route", ProbeFailure("10.0.0.5", ENETUNREACH));
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

namespace {

// Announcements multicast to the group at port, as devices send them.
void Announce(int port, const std::string& envelope)
{
    int sourcePort = 0;
    const int fd = wiretest::LoopbackUdp(sourcePort);
    wiretest::SendDatagramTo(fd, envelope, port, "239.255.255.250");
    close(fd);
}

struct WatchLog {
    std::mutex mutex;
    std::vector<std::pair<WatchEvent, std::string>> events;  // event, address

    void Add(WatchEvent event, const DeviceRecord& record)
    {
        std::lock_guard lock(mutex);
        events.emplace_back(event, record.address);
    }
    bool Has(WatchEvent event, const std::string& address)
    {
        std::lock_guard lock(mutex);
        return std::find(events.begin(), events.end(), std::pair{event, address}) != events.end();
    }
};

bool WaitFor(const std::function<bool()>& done, double seconds)
{
    const Clock::time_point start = Clock::now();
    while (!done() && SecondsSince(start) < seconds)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

}  // namespace

TEST(Watch, ListsSearchAnswersAndHellosAndLosesDevicesOnByeOrSilence)
{
    const std::string scope = kBridgeScope;
    std::atomic<bool> answering{true};
    FakeDevice device([&](const fake::ReceivedProbe& probe) {
        // The device hears the group's announcements too; it answers probes only.
        if (probe.messageId.empty() || probe.text.find("Probe>") == std::string::npos || !answering)
            return;
        if (probe.replyTo.empty() || probe.hasTypes)
            return;
        fake::PostTo(probe.replyTo,
                     fake::ProbeMatchesEnvelope({MatchItems("urn:answers", "http://127.0.0.2:80/", "x8", scope)}));
        fake::PostTo(probe.replyTo,
                     fake::ProbeMatchesEnvelope({MatchItems("urn:quiet", "http://127.0.0.3:80/", "x8", scope)}));
    });
    WatchRequest request;
    unsigned unused = 0;
    request.search = Request(device, &unused);
    request.search.pCount = nullptr;
    request.intervalSeconds = 1;
    WatchLog log;
    std::atomic<bool> stop{false};
    std::string failure = "not returned";
    std::thread watch([&] {
        failure = RunWatch(request, [&](WatchEvent e, const DeviceRecord& r) { log.Add(e, r); }, stop);
    });

    EXPECT_TRUE(WaitFor([&] { return log.Has(WatchEvent::Found, "urn:answers"); }, 10));
    // A Hello of a new vendor device lists it; one from outside the vendor's scopes is ignored.
    Announce(device.DiscoveryPort(),
             fake::HelloEnvelope(MatchItems("urn:hello", "http://127.0.0.4:80/", "x8", scope, "<Rows>4</Rows>")));
    Announce(device.DiscoveryPort(), fake::HelloEnvelope(MatchItems("urn:printer", "http://127.0.0.5/", "p", "urn:x")));
    EXPECT_TRUE(WaitFor([&] { return log.Has(WatchEvent::Found, "urn:hello"); }, 5));
    // A Bye removes a listed device at once.
    Announce(device.DiscoveryPort(),
             wiretest::Envelope("", "<d:Bye><a:EndpointReference><a:Address>urn:answers</a:Address>"
                                    "</a:EndpointReference></d:Bye>"));
    EXPECT_TRUE(WaitFor([&] { return log.Has(WatchEvent::Lost, "urn:answers"); }, 5));
    // Silence for three intervals loses the rest.
    answering = false;
    EXPECT_TRUE(WaitFor([&] { return log.Has(WatchEvent::Lost, "urn:quiet"); }, 15));
    EXPECT_TRUE(WaitFor([&] { return log.Has(WatchEvent::Lost, "urn:hello"); }, 5));

    const Clock::time_point stopped = Clock::now();
    stop = true;
    watch.join();
    device.Stop();
    EXPECT_EQ("", failure);
    EXPECT_LT(SecondsSince(stopped), 6.0);  // at most the round under way
    EXPECT_FALSE(log.Has(WatchEvent::Found, "urn:printer"));
    // Each device was found once, and the first Bye's device came back with the next search.
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(1, std::count(log.events.begin(), log.events.end(), std::pair{WatchEvent::Found, std::string("urn:quiet")}));
}
