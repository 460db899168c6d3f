// Whole discovery runs against a fake device on loopback: the probes they
// send, what they collect over HTTP and UDP, how long they listen, and that
// they leave no socket behind.

#include "discovery/DiscoveryRun.h"
#include "FakeDevice.h"
#include "TestRecords.h"
#include "common/BridgePorts.h"
#include "discovery/ReplyPort.h"
#include "discovery/RunFailure.h"
#include "discovery/WatchRun.h"
#include "present/DisplayRows.h"
#include "tests/wire/WireTestSupport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace signseek {

namespace {

using Clock = std::chrono::steady_clock;
using fake::FakeDevice;
using fake::MatchItems;

constexpr unsigned kUnwritten = 77;

const std::string kSoap11 = "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                            "<s:Body></s:Body></s:Envelope>";
const std::string kProbeToListener = wiretest::Envelope("", "<d:Probe><d:Types>x8</d:Types></d:Probe>");

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

DiscoveryRequest Request(const FakeDevice& device, int timeout = 1)
{
    DiscoveryRequest request;
    request.listenPort = static_cast<std::uint16_t>(wiretest::FreeTcpPort());
    request.values.discoveryPort = device.DiscoveryPort();
    request.values.discoveryTimeout = timeout;
    request.values.receiveTimeout = 1;
    request.values.ttl = 1;
    request.interfaceAddress = "127.0.0.1";
    return request;
}

// Runs one discovery run and, when it runs alone, checks that it gave back
// every descriptor.
struct Outcome : RunResult {
    double seconds = 0;
};

Outcome Timed(RunKind kind, const DiscoveryRequest& request, bool alone = true)
{
    const int before = fake::OpenDescriptors();
    const auto start = Clock::now();
    Outcome outcome{RunDiscovery(kind, request)};
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
        ok = shape[i] == '-'
                 ? id[i] == '-'
                 : std::isxdigit(static_cast<unsigned char>(id[i])) && !std::isupper(static_cast<unsigned char>(id[i]));
    EXPECT_TRUE(ok) << id;
}

const char kRfc2396[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/rfc2396";

TEST(DiscoverDevices, SendsBothProbesAndReturnsAnEmptyArrayWhenNobodyAnswers)
{
    FakeDevice device;
    DiscoveryRequest request = Request(device);
    Outcome outcome = Timed(RunKind::Devices, request);

    ASSERT_FALSE(outcome.failed);
    EXPECT_TRUE(outcome.records.empty());
    EXPECT_EQ("", outcome.failure);
    EXPECT_FALSE(outcome.limitReached);
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
    Outcome outcome = Timed(RunKind::Bridges, Request(device));

    ASSERT_FALSE(outcome.failed);
    EXPECT_TRUE(outcome.records.empty());
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
        answers.push_back(
            fake::PostTo(probe.replyTo, fake::ProbeMatchesEnvelope({MatchItems("urn:ferro", "http://127.0.0.1:80/")})));
        if (!probe.hasTypes)  // a second device answers only the root-scope probe
            answers.push_back(fake::PostTo(
                probe.replyTo, fake::ProbeMatchesEnvelope({MatchItems("urn:other", "http://127.0.0.9/", "x9")})));
        lastAnswer = Clock::now().time_since_epoch().count();
    });
    RecordingObserver observer;
    DiscoveryRequest request = Request(device);
    request.pObserver = &observer;
    Outcome outcome = Timed(RunKind::Devices, request);
    device.Stop();
    const double afterLast = SecondsSince(Clock::time_point(Clock::duration(lastAnswer.load())));

    ASSERT_FALSE(outcome.failed);
    ASSERT_EQ(2u, outcome.records.size());
    EXPECT_EQ("urn:ferro", outcome.records[0].address);
    EXPECT_EQ("127.0.0.1", outcome.records[0].sourceAddress);
    EXPECT_EQ(3u, outcome.records[0].metadataVersion);
    EXPECT_EQ("rule", outcome.records[0].matchBy);
    EXPECT_EQ("urn:other", outcome.records[1].address);
    ASSERT_EQ(3u, answers.size());
    for (const std::string& answer : answers) EXPECT_EQ(0u, answer.find("HTTP/1.1 202 Accepted")) << answer;
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

// A device may answer the moment a probe reaches it, even before the call
// that sent the probe has returned: each run listens before its probes go, so
// that answer is served, not refused (HTTP) or left unread on the probe's
// own socket (UDP).
TEST(DiscoveryRun, AnAnswerSentBeforeTheProbeCallReturnsIsKept)
{
    class AnswersAtOnce : public RunObserver {
    public:
        AnswersAtOnce(FakeDevice& device, std::string answer) : m_device(device), m_answer(std::move(answer)) {}
        // Called on the run's own thread, which cannot start listening meanwhile.
        void ProbeSent(const ProbeEvent& probe) override
        {
            if (!probe.failure.empty() || m_answered) return;
            m_answered = true;
            if (!probe.replyTo.empty()) {
                fake::PostTo(probe.replyTo, m_answer, 0);
                return;
            }
            for (int i = 0; i < 200 && m_device.Probes().empty(); ++i) usleep(10000);
            if (!m_device.Probes().empty()) fake::DatagramTo(m_device.Probes().front().sourcePort, m_answer);
        }

    private:
        FakeDevice& m_device;
        const std::string m_answer;
        bool m_answered = false;
    };
    for (RunKind kind : {RunKind::Devices, RunKind::Bridges}) {
        SCOPED_TRACE(kind == RunKind::Bridges ? "bridges" : "devices");
        FakeDevice device;
        const std::string items = kind == RunKind::Bridges
                                      ? MatchItems("urn:quick", "http://127.0.0.6/", "Halden Relay", kBridgeScope)
                                      : MatchItems("urn:quick", "http://127.0.0.1:80/");
        AnswersAtOnce observer(device, fake::ProbeMatchesEnvelope({items}));
        DiscoveryRequest request = Request(device);
        request.pObserver = &observer;
        const RunResult result = RunDiscovery(kind, request);
        ASSERT_FALSE(result.failed) << result.failure;
        ASSERT_EQ(1u, result.records.size());
        EXPECT_EQ("urn:quick", result.records[0].address);
    }
}

TEST(DiscoverDevices, HostilePeersNeitherStopTheRunNorLoseDevices)
{
    std::vector<std::string> answers;
    FakeDevice device([&](const fake::ReceivedProbe& probe) {
        if (probe.hasTypes) return;
        for (const std::string& bad : {std::string("this is no XML"), kSoap11, kProbeToListener})
            answers.push_back(fake::PostTo(probe.replyTo, bad));
        answers.push_back(fake::PostTo(probe.replyTo,
                                       fake::ProbeMatchesEnvelope({MatchItems("urn:first", "http://127.0.0.2:80/"),
                                                                   MatchItems("urn:second", "http://127.0.0.3:80/")})));
        fake::PostTo(probe.replyTo,
                     fake::HelloEnvelope(MatchItems("urn:hello", "http://127.0.0.4/", "x8", "", "<Rows>4</Rows>")));
        fake::PostTo(probe.replyTo, fake::HelloEnvelope(MatchItems("", "http://127.0.0.5/")));
    });
    Outcome outcome = Timed(RunKind::Devices, Request(device));
    device.Stop();

    ASSERT_EQ(4u, answers.size());
    for (int i = 0; i < 3; ++i) EXPECT_NE(std::string::npos, answers[i].find("Fault>")) << answers[i];
    EXPECT_EQ(0u, answers[3].find("HTTP/1.1 202 Accepted"));

    ASSERT_FALSE(outcome.failed);
    ASSERT_EQ(3u, outcome.records.size());
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
        fake::DatagramTo(probe.sourcePort, wiretest::Envelope("", "<d:ResolveMatches><d:ResolveMatch>" +
                                                                      MatchItems("urn:resolved", "http://127.0.0.8/") +
                                                                      "</d:ResolveMatch></d:ResolveMatches>"));
        fake::DatagramTo(probe.sourcePort, fake::ProbeMatchesEnvelope({MatchItems("urn:bridge", "http://127.0.0.6/",
                                                                                  "Halden Relay", kBridgeScope)}));
        fake::DatagramTo(probe.sourcePort, fake::HelloEnvelope(MatchItems("urn:hello", "http://127.0.0.7/")));
    });
    Outcome outcome = Timed(RunKind::Bridges, Request(device));

    ASSERT_FALSE(outcome.failed);
    ASSERT_EQ(2u, outcome.records.size());
    EXPECT_EQ("urn:bridge", outcome.records[0].address);
    EXPECT_EQ("127.0.0.1", outcome.records[0].sourceAddress);
    // The match rules ran: a bridge without services gets them made up.
    EXPECT_EQ("Halden::80 Relay::80 ", outcome.records[0].GetMetadataValue(META_SERVICES));
    EXPECT_EQ("urn:hello", outcome.records[1].address);
    EXPECT_EQ(HELLO_ITEM, outcome.records[1].metadata.back());
    EXPECT_LT(outcome.seconds, 2.5);
}

// A bridge answers to the probe's source port, which is what a firewall has
// to let in: it comes from the documented range, and each run side by side
// has its own, or both would split each other's answers.
TEST(DiscoverBridges, ProbesFromAFreePortOfTheBridgeRangeEachRunItsOwn)
{
    auto inRange = [](int port) { return port >= BRIDGE_PORT_FIRST && port <= BRIDGE_PORT_LAST; };
    // The range's first port is held by another program.
    const int held = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in first{};
    first.sin_family = AF_INET;
    first.sin_port = htons(BRIDGE_PORT_FIRST);
    const bool holding = bind(held, reinterpret_cast<sockaddr*>(&first), sizeof first) == 0;

    FakeDevice device([](const fake::ReceivedProbe& probe) {
        fake::DatagramTo(probe.sourcePort,
                         fake::ProbeMatchesEnvelope({MatchItems("urn:bridge-" + std::to_string(probe.sourcePort),
                                                                "http://127.0.0.6/", "Halden Relay", kBridgeScope)}));
    });
    const DiscoveryRequest request = Request(device);
    Outcome one, two;
    std::thread other([&] { two = Timed(RunKind::Bridges, request, false); });
    one = Timed(RunKind::Bridges, request, false);
    other.join();

    std::vector<fake::ReceivedProbe> probes = device.Probes();
    ASSERT_EQ(2u, probes.size());
    EXPECT_NE(probes[0].sourcePort, probes[1].sourcePort);
    for (const fake::ReceivedProbe& probe : probes) {
        EXPECT_TRUE(inRange(probe.sourcePort)) << probe.sourcePort;
        if (holding) {
            EXPECT_NE(BRIDGE_PORT_FIRST, probe.sourcePort);
        }
    }
    for (const Outcome* outcome : {&one, &two}) {
        ASSERT_EQ(1u, outcome->records.size());  // its own bridge's answer, not the other run's
        EXPECT_EQ(0u, outcome->records[0].address.rfind("urn:bridge-", 0));
    }
    EXPECT_NE(one.records[0].address, two.records[0].address);

    // Every port of the range taken: the probe goes out from one the system
    // picks, and the answers still arrive.
    std::vector<int> hold;
    for (std::uint16_t port : BridgeSourcePorts(0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        hold.push_back(socket(AF_INET, SOCK_DGRAM, 0));
        bind(hold.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    Outcome fallback = Timed(RunKind::Bridges, request, false);
    for (int fd : hold) close(fd);
    close(held);
    probes = device.Probes();
    ASSERT_EQ(3u, probes.size());
    EXPECT_FALSE(inRange(probes[2].sourcePort)) << probes[2].sourcePort;
    EXPECT_EQ(1u, fallback.records.size());
}

// What a run's record sink was told, in order.
struct RecordLog {
    struct Event {
        RecordChange change;
        std::size_t index;
        DeviceRecord record;
    };
    RecordSink Sink()
    {
        return [this](RecordChange change, std::size_t index, const DeviceRecord& record) {
            std::lock_guard lock(mutex);
            events.push_back({change, index, record});
        };
    }
    // Each index's record as the last event about it left it.
    std::vector<DeviceRecord> LastState() const
    {
        std::vector<DeviceRecord> state;
        for (const Event& event : events) {
            if (event.index >= state.size()) state.resize(event.index + 1);
            state[event.index] = event.record;
        }
        return state;
    }
    std::mutex mutex;
    std::vector<Event> events;
};

// Probes to many targets go out while the run serves: the first target's
// answer is kept long before the last probe goes, and the run's end counts
// from that last probe.
TEST(DiscoveryRun, DirectedProbesGoOutWhileTheFirstAnswersAreServed)
{
    FakeDevice device([](const fake::ReceivedProbe& probe) {
        if (probe.hasTypes && probe.replyTo.empty())
            fake::DatagramTo(probe.sourcePort, fake::ProbeMatchesEnvelope({MatchItems("urn:bridge", "http://127.0.0.6/",
                                                                                      "Halden", kBridgeScope)}));
        else if (!probe.replyTo.empty())
            fake::PostTo(probe.replyTo, fake::ProbeMatchesEnvelope({MatchItems("urn:ferro", "http://127.0.0.1:80/")}));
    });
    class Times : public RunObserver {
    public:
        void ProbeSent(const ProbeEvent&) override { lastProbe = Clock::now().time_since_epoch().count(); }
        void AnswerReceived(const AnswerEvent&) override
        {
            Clock::rep none = 0;
            firstAnswer.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        }
        std::atomic<Clock::rep> lastProbe{0}, firstAnswer{0};
    };
    for (RunKind kind : {RunKind::Devices, RunKind::Bridges}) {
        SCOPED_TRACE(kind == RunKind::Bridges ? "bridges" : "devices");
        Times times;
        DiscoveryRequest request = Request(device);
        request.interfaceAddress.clear();  // directed probes only
        request.targets = {"127.0.0.1"};
        for (int i = 1; i <= 15; ++i) request.targets.push_back("127.0.2." + std::to_string(i));
        request.probeRate = 10;  // 16 or 32 probes: 1.5 s or 3 s of sending
        request.routeSource = [](const std::string&) { return std::string("127.0.0.1"); };
        request.pObserver = &times;
        const auto start = Clock::now();
        const RunResult result = RunDiscovery(kind, request);
        const double seconds = SecondsSince(start);
        ASSERT_FALSE(result.failed) << result.failure;
        ASSERT_EQ(1u, result.records.size());
        EXPECT_EQ("directed", result.records[0].via);
        const auto at = [](Clock::rep t) { return Clock::time_point(Clock::duration(t)); };
        EXPECT_GT(std::chrono::duration<double>(at(times.lastProbe) - at(times.firstAnswer)).count(), 1.0);
        // Listening goes on one discovery timeout after the last probe, within the run's bound.
        const double afterLast = SecondsSince(at(times.lastProbe));
        EXPECT_GE(afterLast, 0.9);
        EXPECT_LT(afterLast, 3.0 + 1.5);
        EXPECT_LT(seconds, (kind == RunKind::Bridges ? 1.5 : 3.1) + 3.0 + 1.5);
    }
    device.Stop();
}

TEST(DiscoveryRun, ReportsEachRecordWhenFoundAndAgainWhenAnotherEndpointChangesIt)
{
    const std::string player = std::string(VENDOR_URI_ROOT) + "2011/player/tovo";
    FakeDevice device([&](const fake::ReceivedProbe& probe) {
        std::vector<std::string> answers;
        for (int port : {80, 81})
            answers.push_back(fake::ProbeMatchesEnvelope(
                {MatchItems("urn:endpoint:" + std::to_string(port), "http://127.0.0.9:" + std::to_string(port) + "/",
                            "t" + std::to_string(port), player)}));
        answers.push_back(fake::ProbeMatchesEnvelope({MatchItems("urn:other", "http://127.0.0.5/", "x9")}));
        answers.push_back(
            fake::ProbeMatchesEnvelope({MatchItems("urn:endpoint:82", "http://127.0.0.9:82/", "t82", player)}));
        for (const std::string& answer : answers) {
            if (!probe.replyTo.empty() && !probe.hasTypes)
                fake::PostTo(probe.replyTo, answer);
            else if (probe.replyTo.empty())
                fake::DatagramTo(probe.sourcePort, answer);
        }
    });
    for (RunKind kind : {RunKind::Devices, RunKind::Bridges}) {
        SCOPED_TRACE(kind == RunKind::Devices ? "devices" : "bridges");
        RecordLog log;
        DiscoveryRequest request = Request(device);
        request.onRecord = log.Sink();
        const Outcome outcome = Timed(kind, request);

        ASSERT_FALSE(outcome.failed);
        ASSERT_EQ(2u, outcome.records.size());
        ASSERT_EQ(4u, log.events.size());
        const std::vector<std::pair<RecordChange, std::size_t>> expected = {
            {RecordChange::Found, 0}, {RecordChange::Changed, 0}, {RecordChange::Found, 1}, {RecordChange::Changed, 0}};
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(expected[i].first, log.events[i].change) << i;
            EXPECT_EQ(expected[i].second, log.events[i].index) << i;
        }
        // Each event shows the record as it stood then.
        EXPECT_EQ("", log.events[0].record.GetMetadataValue(META_SERVICES));
        EXPECT_EQ("t81:81 t80:80", log.events[1].record.GetMetadataValue(META_SERVICES));
        EXPECT_EQ("t81:81 t80:80 t82:82", log.events[3].record.GetMetadataValue(META_SERVICES));
        EXPECT_EQ(outcome.records, log.LastState());
    }
    EXPECT_EQ("found", std::string(RecordChangeName(RecordChange::Found)));
    EXPECT_EQ("changed", std::string(RecordChangeName(RecordChange::Changed)));
}

TEST(DiscoveryRun, ASinkThatThrowsLosesNoRecord)
{
    FakeDevice device([](const fake::ReceivedProbe& probe) {
        if (!probe.replyTo.empty() && !probe.hasTypes)
            fake::PostTo(probe.replyTo, fake::ProbeMatchesEnvelope({MatchItems("urn:a", "http://127.0.0.2/")}));
    });
    DiscoveryRequest request = Request(device);
    request.onRecord = [](RecordChange, std::size_t, const DeviceRecord&) { throw std::runtime_error("sink"); };
    const Outcome outcome = Timed(RunKind::Devices, request);
    ASSERT_FALSE(outcome.failed);
    ASSERT_EQ(1u, outcome.records.size());
    EXPECT_EQ("urn:a", outcome.records[0].address);
}

TEST(DiscoveryRun, StopEndsBothRunsSoonWithWhatTheyFound)
{
    FakeDevice device([](const fake::ReceivedProbe& probe) {
        const std::string answer =
            fake::ProbeMatchesEnvelope({MatchItems("urn:a", "http://127.0.0.2/", "Halden", kBridgeScope)});
        if (!probe.replyTo.empty() && !probe.hasTypes)
            fake::PostTo(probe.replyTo, answer);
        else if (probe.replyTo.empty())
            fake::DatagramTo(probe.sourcePort, answer);
    });
    for (RunKind kind : {RunKind::Devices, RunKind::Bridges}) {
        SCOPED_TRACE(kind == RunKind::Devices ? "devices" : "bridges");
        const int before = fake::OpenDescriptors();
        std::atomic<bool> stop{false};
        DiscoveryRequest request = Request(device, 10);
        request.values.receiveTimeout = 5;
        request.pStop = &stop;
        Clock::time_point stopped{};
        request.onRecord = [&](RecordChange, std::size_t, const DeviceRecord&) {
            stopped = Clock::now();
            stop = true;
        };
        // The device's sender may still be closing its end when the run returns.
        const Outcome outcome = Timed(kind, request, false);
        ASSERT_FALSE(outcome.failed);
        ASSERT_EQ(1u, outcome.records.size());
        EXPECT_EQ("urn:a", outcome.records[0].address);
        // Without the stop the run would listen ten seconds.
        EXPECT_LT(SecondsSince(stopped), 1.0);
        EXPECT_LT(outcome.seconds, 3.0);
        for (int i = 0; i < 100 && fake::OpenDescriptors() != before; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(before, fake::OpenDescriptors());
    }
}

// The same answers as real stacks lay them out: compact, indented with spaces
// or tabs, with CRLF line ends, or with stray text between the children.
std::string LaidOut(const std::string& compact, const std::string& between)
{
    const std::size_t root = compact.find("?>") + 2;
    std::string out = compact.substr(0, root);
    for (std::size_t i = root; i < compact.size(); ++i) {
        out += compact[i];
        if (compact[i] == '>' && i + 1 < compact.size() && compact[i + 1] == '<') out += between;
    }
    return out;
}

TEST(DiscoveryRun, AnswersLaidOutAnyWayGiveTheSameRecordsOverHttpAndUdp)
{
    const std::string player = std::string(VENDOR_URI_ROOT) + "2011/player/tovo";
    const std::string extras = "<Description>Lobby</Description><DHCPName>lobby-1</DHCPName>";
    std::vector<std::string> answers;
    for (int port : {80, 81, 82})
        answers.push_back(fake::ProbeMatchesEnvelope(
            {MatchItems("urn:endpoint:" + std::to_string(port), "http://127.0.0.9:" + std::to_string(port) + "/",
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
        DiscoveryRequest devicesRequest = Request(device);
        DiscoveryRequest bridgesRequest = Request(device);
        Outcome bridges;
        std::thread other([&] { bridges = Timed(RunKind::Bridges, bridgesRequest, false); });
        Outcome devices = Timed(RunKind::Devices, devicesRequest, false);
        other.join();
        device.Stop();

        const std::vector<DeviceRecord>& found = devices.records;
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
        const std::vector<DeviceRecord>& bridged = bridges.records;
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
    DiscoveryRequest request = Request(device);
    request.interfaceAddress.clear();

    Outcome devices = Timed(RunKind::Devices, request);
    EXPECT_TRUE(devices.failed);
    EXPECT_LT(devices.seconds, 0.5);  // failed without listening
    EXPECT_EQ("no network adapter address to search from", devices.failure);

    // The bridge run still listens, but says its probe never went out.
    Outcome bridges = Timed(RunKind::Bridges, request);
    EXPECT_FALSE(bridges.failed);
    EXPECT_TRUE(bridges.records.empty());
    EXPECT_EQ("no network adapter address to search from", bridges.failure);
    EXPECT_GE(bridges.seconds, 0.95);
    EXPECT_TRUE(device.Probes().empty());
}

// The array form: a count only with an array, nothing written on failure.
TEST(DiscoveryRun, ArrayFormWritesTheCountOnlyWithAnArray)
{
    FakeDevice device([](const fake::ReceivedProbe& probe) {
        if (!probe.replyTo.empty() && !probe.hasTypes)
            fake::PostTo(probe.replyTo, fake::ProbeMatchesEnvelope({MatchItems("urn:a", "http://127.0.0.2/")}));
    });
    unsigned count = kUnwritten;
    DiscoveryRequest request = Request(device);
    request.pCount = &count;
    std::unique_ptr<DeviceRecord[]> records = DiscoverDevices(request);
    ASSERT_NE(nullptr, records);
    ASSERT_EQ(1u, count);
    EXPECT_EQ("urn:a", records[0].address);

    count = kUnwritten;
    request.interfaceAddress.clear();
    EXPECT_EQ(nullptr, DiscoverDevices(request));
    EXPECT_EQ(kUnwritten, count);
    EXPECT_NE(nullptr, DiscoverBridges(request));
    EXPECT_EQ(0u, count);
}

TEST(DiscoveryRun, BothRunsAtOnceWithTimeoutsBelowOneListenOneSecond)
{
    FakeDevice device;
    DiscoveryRequest devicesRequest = Request(device, 0);
    devicesRequest.values.receiveTimeout = 0;
    DiscoveryRequest bridgesRequest = Request(device, -3);
    bridgesRequest.values.receiveTimeout = 0;
    // Only the port's low 16 bits count, as a settings file may hold more.
    bridgesRequest.values.discoveryPort += 0x10000;

    const int before = fake::OpenDescriptors();
    Outcome bridges;
    std::thread other([&] { bridges = Timed(RunKind::Bridges, bridgesRequest, false); });
    Outcome devices = Timed(RunKind::Devices, devicesRequest, false);
    other.join();
    EXPECT_EQ(before, fake::OpenDescriptors());

    ASSERT_FALSE(devices.failed);
    ASSERT_FALSE(bridges.failed);
    EXPECT_TRUE(devices.records.empty());
    EXPECT_TRUE(bridges.records.empty());
    EXPECT_GE(devices.seconds, 0.95);
    EXPECT_LT(devices.seconds, 1.8);
    EXPECT_GE(bridges.seconds, 0.95);
    EXPECT_LT(bridges.seconds, 2.5);
    EXPECT_EQ(3u, device.Probes().size());
}

TEST(DiscoverDevices, ReplyPortHeldByAnotherProgramIsAFailure)
{
    FakeDevice device;
    DiscoveryRequest request = Request(device);
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(request.listenPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(holder, 1));

    Outcome outcome = Timed(RunKind::Devices, request);
    close(holder);
    EXPECT_TRUE(outcome.failed);
    EXPECT_LT(outcome.seconds, 0.5);
    EXPECT_EQ("TCP port " + std::to_string(request.listenPort) +
                  " is held by another Signseek search (a watch or the window) or by another program; end it, or "
                  "choose another reply port",
              outcome.failure);
}

TEST(DiscoveryRun, ValuesTheSystemRefusesAreAFailureNamingThem)
{
    struct Case {
        const char* what;
        int ttl;
        int port;
        std::string failure;
    } cases[] = {
        {"TTL 300", 300, -1,
         "cannot send the probe from 127.0.0.1: the system refuses the TTL 300 (it takes 0 to 255)"},
        {"port 0", 2, 0,
         "cannot send the probe from 127.0.0.1: the system refuses the discovery port 0 (it takes 1 to 65535)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeDevice device;
        DiscoveryRequest request = Request(device);
        request.values.ttl = c.ttl;
        if (c.port >= 0) request.values.discoveryPort = c.port;
        for (RunKind kind : {RunKind::Devices, RunKind::Bridges}) {
            const Outcome outcome = Timed(kind, request);
            // The bridge run listens all the same, but says its probe never went out.
            EXPECT_EQ(kind == RunKind::Devices, outcome.failed);
            EXPECT_EQ(c.failure, outcome.failure);
        }
        EXPECT_EQ(0u, device.Probes().size());
    }
}

TEST(DiscoveryRun, AddressNotOnThisMachineIsNamedAsTheCause)
{
    FakeDevice device;
    DiscoveryRequest request = Request(device);
    request.interfaceAddress = "192.0.2.1";  // not on any interface of the test's namespace
    const Outcome outcome = Timed(RunKind::Devices, request);
    EXPECT_TRUE(outcome.failed);
    // The listener, bound before any probe, is refused first; nothing goes out.
    EXPECT_EQ("cannot listen on 192.0.2.1, TCP port " + std::to_string(request.listenPort) +
                  ": the address is not on this machine",
              outcome.failure);
    device.Stop();
    EXPECT_TRUE(device.Probes().empty());
}

TEST(RunFailure, SaysWhichStepFailedAndWhy)
{
    EXPECT_EQ("TCP port 8000 is held by another Signseek search (a watch or the window) or by another program; end "
              "it, or choose another reply port",
              ListenFailure(false, "10.0.0.5", 8000, EADDRINUSE));
    EXPECT_EQ("cannot join the discovery group on 10.0.0.5: no multicast route",
              ListenFailure(true, "10.0.0.5", 40000, ENODEV));
    EXPECT_EQ("cannot listen on 10.0.0.5, TCP port 8000: the address is not on this machine",
              ListenFailure(false, "10.0.0.5", 8000, EADDRNOTAVAIL));
    EXPECT_EQ("cannot listen on 10.0.0.5, TCP port 80: permission denied (ports below 1024 need administrator rights)",
              ListenFailure(false, "10.0.0.5", 80, EACCES));
    EXPECT_EQ("cannot send the probe from 10.0.0.5: no multicast route", ProbeFailure("10.0.0.5", ENETUNREACH));

    // Each errno a probe can meet has its own cause; EINVAL names the value refused.
    const std::string from = "cannot send the probe from 10.0.0.5: ";
    struct Case {
        int error;
        int ttl;
        int port;
        std::string cause;
    } cases[] = {
        {EADDRNOTAVAIL, 2, 3702, "the address is not on this machine"},
        {EINVAL, 300, 3702, "the system refuses the TTL 300 (it takes 0 to 255)"},
        {EINVAL, 2, 0, "the system refuses the discovery port 0 (it takes 1 to 65535)"},
        {EINVAL, 2, 3702, "the system refuses a value of the probe (invalid argument)"},
        {EPERM, 2, 3702, "a firewall rule or security policy refuses the probe"},
        {EMSGSIZE, 2, 3702, "the probe is larger than the network takes"},
        {ENETDOWN, 2, 3702, "the network is down"},
        {ENOBUFS, 2, 3702, "the system is out of network buffers"},
        {EMFILE, 2, 3702, "too many open files"},
        {0, 2, 3702, "unknown cause"},
    };
    for (const Case& c : cases) EXPECT_EQ(from + c.cause, ProbeFailure("10.0.0.5", c.error, c.ttl, c.port));
}

// Ports as a test says they stand: held ones refuse, the rest are free.
class FakeReplyPorts : public ReplyPortProbe {
public:
    FakeReplyPorts(std::vector<std::uint16_t> held, std::uint16_t freePort, int otherError = 0)
        : m_held(std::move(held)), m_free(freePort), m_otherError(otherError)
    {}
    int TryBind(const std::string&, std::uint16_t port) const override
    {
        if (std::find(m_held.begin(), m_held.end(), port) != m_held.end()) return EADDRINUSE;
        return m_otherError;
    }
    std::uint16_t AnyFreePort(const std::string&) const override { return m_free; }

private:
    std::vector<std::uint16_t> m_held;
    std::uint16_t m_free;
    int m_otherError;
};

TEST(ReplyPort, TheDefaultGivesWayToAnotherSearchAGivenPortDoesNot)
{
    struct Case {
        const char* what;
        std::optional<std::uint16_t> given;
        FakeReplyPorts ports;
        std::uint16_t port;
        const char* note;     // a word of the note, or null
        const char* failure;  // a word of the failure, or null
    } cases[] = {
        {"8000 free", std::nullopt, {{}, 41000}, 8000, nullptr, nullptr},
        {"8000 held", std::nullopt, {{8000}, 41000}, 41000, "takes its answers on TCP port 41000", nullptr},
        {"8000 held, nothing free", std::nullopt, {{8000}, 0}, 8000, nullptr, "held by another Signseek search"},
        {"given port free", 9000, {{8000}, 41000}, 9000, nullptr, nullptr},
        {"given port held", 9000, {{9000}, 41000}, 9000, nullptr, "TCP port 9000 is held"},
        // The run names other causes when its listener cannot start.
        {"address not ours", std::nullopt, {{}, 41000, EADDRNOTAVAIL}, 8000, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ReplyPortChoice choice = ChooseReplyPort(c.given, "127.0.0.1", c.ports);
        EXPECT_EQ(c.port, choice.port);
        EXPECT_EQ(c.note == nullptr, choice.note.empty()) << choice.note;
        if (c.note) {
            EXPECT_NE(std::string::npos, choice.note.find(c.note)) << choice.note;
        }
        EXPECT_EQ(c.failure == nullptr, choice.failure.empty()) << choice.failure;
        if (c.failure) {
            EXPECT_NE(std::string::npos, choice.failure.find(c.failure)) << choice.failure;
        }
    }
}

TEST(ReplyPort, TheSystemsCheckSeesAListenerOnThePort)
{
    const std::uint16_t free = SystemReplyPorts().AnyFreePort("127.0.0.1");
    ASSERT_NE(0, free);
    EXPECT_EQ(0, SystemReplyPorts().TryBind("127.0.0.1", free));
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(free);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int on = 1;
    setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(holder, 1));
    EXPECT_EQ(EADDRINUSE, SystemReplyPorts().TryBind("127.0.0.1", free));
    close(holder);
    EXPECT_EQ(EADDRNOTAVAIL, SystemReplyPorts().TryBind("not an address", free));
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
    while (!done() && SecondsSince(start) < seconds) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

}  // namespace

TEST(Watch, ListsSearchAnswersAndHellosAndLosesDevicesOnByeOrSilence)
{
    const std::string scope = kBridgeScope;
    std::atomic<bool> answering{true};
    FakeDevice device([&](const fake::ReceivedProbe& probe) {
        // The device hears the group's announcements too; it answers probes only.
        if (probe.messageId.empty() || probe.text.find("Probe>") == std::string::npos || !answering) return;
        if (probe.replyTo.empty() || probe.hasTypes) return;
        fake::PostTo(probe.replyTo,
                     fake::ProbeMatchesEnvelope({MatchItems("urn:answers", "http://127.0.0.2:80/", "x8", scope)}));
        fake::PostTo(probe.replyTo,
                     fake::ProbeMatchesEnvelope({MatchItems("urn:quiet", "http://127.0.0.3:80/", "x8", scope)}));
    });
    WatchRequest request;
    request.search = Request(device);
    request.shownText = ShownText;
    request.intervalSeconds = 1;
    WatchLog log;
    std::atomic<bool> stop{false};
    std::string failure = "not returned";
    std::thread watch([&] {
        failure = RunWatch(
            request, [&](WatchEvent e, const std::string&, const DeviceRecord& r) { log.Add(e, r); }, stop);
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
    EXPECT_LT(SecondsSince(stopped), 2.0);  // the search under way stops too
    EXPECT_FALSE(log.Has(WatchEvent::Found, "urn:printer"));
    // Each device was found once, and the first Bye's device came back with the next search.
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(1,
              std::count(log.events.begin(), log.events.end(), std::pair{WatchEvent::Found, std::string("urn:quiet")}));
}

}  // namespace signseek
