// The simulator on loopback: probes sent the way a search sends them, answers
// taken by an HTTP listener and by a UDP listener on the bridge probe's port.

#include "sim/Simulator.h"
#include "../wire/WireTestSupport.h"
#include "common/VendorConstants.h"
#include "discovery/DeviceCollector.h"
#include "sim/DemoSet.h"
#include "sim/LoadSet.h"
#include "wire/Envelope.h"
#include "wire/MessageHeader.h"
#include "wire/NamespaceTable.h"
#include "wire/ProbeBody.h"
#include "wire/ProbeSender.h"
#include "wire/Transport.h"

#include <arpa/inet.h>
#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <unistd.h>
#include <uuid/uuid.h>

namespace signseek {

namespace {

using namespace std::chrono_literals;

std::string Root(const char* path = "") { return std::string(VENDOR_URI_ROOT) + path; }

// A recording listener that counts what it has handled, so a test can wait
// for its answers before stopping it and reading them.
class CountingService : public wiretest::RecordingService {
public:
    using RecordingService::RecordingService;
    int ProbeMatches(disc__ProbeMatchesType* m) override
    {
        int rc = RecordingService::ProbeMatches(m);
        ++handled;
        return rc;
    }
    int Hello(disc__HelloType* h) override
    {
        int rc = RecordingService::Hello(h);
        ++handled;
        return rc;
    }
    bool WaitFor(int count, std::chrono::milliseconds limit) const
    {
        auto end = std::chrono::steady_clock::now() + limit;
        while (handled < count && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(10ms);
        return handled >= count;
    }
    std::atomic<int> handled{0};
};

// Fills the proxy's header and the probe body as a search does; returns the MessageID.
std::string PrepareProbe(wire::ProbeProxy& proxy, const std::string& replyTo)
{
    uuid_t id;
    uuid_generate(id);
    char text[37];
    uuid_unparse_lower(id, text);
    wire::SetProbeHeader(&proxy, text);
    if (!replyTo.empty()) wire::AddReplyTo(&proxy, replyTo.c_str());
    return text;
}

struct ProbeBody {
    ProbeBody(std::string types, std::string scopes) : types(std::move(types)), scopes(std::move(scopes))
    {
        scopesRecord.__item = this->scopes.data();
        scopesRecord.MatchBy = rule.data();
        probe.Types = this->types.data();
        probe.Scopes = &scopesRecord;
    }
    std::string types, scopes, rule = wire::kRfc2396MatchBy;
    disc__ScopesType scopesRecord;
    disc__ProbeType probe;
};

// Sends one probe the way a search does; returns the MessageID.
std::string SendProbe(wire::ProbeProxy& proxy, int port, const std::string& types, const std::string& scopes,
                      const std::string& replyTo)
{
    std::string id = PrepareProbe(proxy, replyTo);
    ProbeBody body(types, scopes);
    std::string endpoint = "soap.udp://239.255.255.250:" + std::to_string(port);
    EXPECT_EQ(0, wire::SendProbeMessage(&proxy, endpoint.c_str(), body.probe, "127.0.0.1", 1));
    return id;
}

// The same probe's bytes, multicast from a socket of the caller's: the bridge
// run's listener sends it itself, so no answer can arrive before it listens.
void MulticastProbeFrom(int fd, wire::ProbeProxy& proxy, int port, const std::string& types, const std::string& scopes)
{
    PrepareProbe(proxy, "");
    ProbeBody body(types, scopes);
    wire::StringOutput out;
    ASSERT_EQ(0, wire::WriteEnvelope(&proxy, out, [&](wire::XmlWriter& w) { wire::WriteProbeBody(w, body.probe); }));
    in_addr iface{};
    inet_pton(AF_INET, "127.0.0.1", &iface);
    ASSERT_EQ(0, setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &iface, sizeof iface));
    wiretest::SendDatagramTo(fd, out.text, port, wire::kDiscoveryGroup);
}

DeviceRecord Record(const wiretest::SeenMatch& m, const std::string& source)
{
    DeviceRecord r;
    r.address = m.address;
    r.types = m.types;
    r.matchBy = m.matchBy;
    r.scopes = m.scopes;
    r.xAddrs = m.xAddrs;
    r.metadataVersion = m.metadataVersion;
    r.metadata = m.extensions;
    r.sourceAddress = source;
    return r;
}

// Addresses of the devices whose first ProbeMatch came in.
std::multiset<std::string> Answered(const CountingService& service)
{
    std::multiset<std::string> addresses;
    for (const auto& message : service.probeMatches)
        for (const auto& m : message) addresses.insert(m.address);
    return addresses;
}

struct SimulatorRun : ::testing::Test {
    SimulatorRun()
    {
        close(wiretest::LoopbackUdp(discoveryPort));
        httpPort = wiretest::FreeTcpPort();
        http.accept_timeout = 1;
        http.recv_timeout = 1;
        EXPECT_TRUE(soap_valid_socket(wire::Bind(&http, "127.0.0.1", httpPort, 100)));
        httpThread = std::make_unique<wiretest::ListenerThread>(http);
    }

    void Start(std::vector<sim::Device> devices, int maxDelayMs = 50, bool announce = true)
    {
        sim::SimOptions options;
        options.port = discoveryPort;
        options.maxDelayMs = maxDelayMs;
        options.workers = 4;
        options.announce = announce;
        simulator = std::make_unique<sim::Simulator>(std::move(devices), options, log);
        ASSERT_EQ("", simulator->Start());
    }

    std::string ReplyTo() const { return "http://127.0.0.1:" + std::to_string(httpPort) + "/Discovery"; }

    // The bridge run: a probe without ReplyTo, answered to its source port.
    void BridgeProbe()
    {
        udp.recv_timeout = 1;
        ASSERT_TRUE(soap_valid_socket(wire::Bind(&udp, "127.0.0.1", 0, 1)));
        bridgePort = wire::LocalPort(&udp);
        MulticastProbeFrom(udp.master, bridgeProxy, discoveryPort, "Halden", Root("scopes/marvane/Halden/Bridge"));
        udpThread = std::make_unique<wiretest::ListenerThread>(udp);
    }

    int discoveryPort = 0;
    int httpPort = 0;
    int bridgePort = 0;
    sim::SimLog log;
    CountingService http{wire::TransportMode::Tcp};
    CountingService udp{wire::TransportMode::Udp};
    wire::ProbeProxy controllerProxy, bridgeProxy;
    std::unique_ptr<wiretest::ListenerThread> httpThread, udpThread;
    std::unique_ptr<sim::Simulator> simulator;
};

TEST_F(SimulatorRun, DemoSetAnswersLikeTheFieldAndASearchListsFourDevices)
{
    Start(sim::DemoDevices());
    std::string controllerId =
        SendProbe(controllerProxy, discoveryPort, "x8", Root("scopes/marvane/Ferro/X8"), ReplyTo());
    std::string rootId = SendProbe(controllerProxy, discoveryPort, "", Root(), ReplyTo());
    BridgeProbe();

    // Controller probe: the X8. Root probe: every HTTP device under the root.
    ASSERT_TRUE(http.WaitFor(8, 5s)) << http.handled;
    ASSERT_TRUE(udp.WaitFor(1, 5s));
    ASSERT_TRUE(simulator->WaitIdle(5s));
    simulator->Stop();
    httpThread.reset();
    udpThread.reset();

    const std::vector<sim::Device> demo = sim::DemoDevices();
    auto address = [&](const std::string& types) {
        for (const sim::Device& d : demo)
            if (d.types == types) return d.address;
        return std::string("?");
    };
    std::multiset<std::string> expectedHttp = {address("x8"),        address("x8"),      address("player"),
                                               address("scheduler"), address("monitor"), address("lyrax"),
                                               address("x7"),        address("")};
    EXPECT_EQ(expectedHttp, Answered(http));
    EXPECT_EQ(std::multiset<std::string>{address("Halden telnet")}, Answered(udp));
    EXPECT_TRUE(http.hellos.empty());

    // What the simulator recorded: the three probes, each answer with the
    // probe it relates to, and the listener's 202 for every POST.
    std::vector<sim::ProbeSeen> probes = log.Probes();
    ASSERT_EQ(3u, probes.size());
    EXPECT_EQ(controllerId, probes[0].messageId);
    EXPECT_EQ("x8", probes[0].types);
    EXPECT_EQ(Root("scopes/marvane/Ferro/X8"), probes[0].scopes);
    EXPECT_EQ(ReplyTo(), probes[0].replyTo);
    EXPECT_EQ("", probes[1].types);
    EXPECT_EQ("Halden", probes[2].types);
    EXPECT_EQ(1u, probes[0].matched);
    EXPECT_EQ(7u, probes[1].matched);
    EXPECT_EQ("", probes[2].replyTo);
    EXPECT_EQ("127.0.0.1:" + std::to_string(bridgePort), probes[2].source);
    int relatedToController = 0;
    for (const sim::AnswerSent& a : log.Answers()) {
        EXPECT_EQ(0, a.result) << sim::SimLog::Format(a);
        if (a.destination == ReplyTo()) {
            EXPECT_EQ("HTTP/1.1 202 Accepted", a.status);
            EXPECT_TRUE(a.relatesTo == controllerId || a.relatesTo == rootId);
            relatedToController += a.relatesTo == controllerId;
        } else {
            EXPECT_EQ("soap.udp://127.0.0.1:" + std::to_string(bridgePort), a.destination);
            EXPECT_EQ("", a.status);
        }
    }
    EXPECT_EQ(1, relatedToController);

    // Through the program's own match rules: the player's three endpoints make
    // one device, the X7 and the home-page device are left out.
    DeviceCollector httpRun, bridgeRun;
    for (const auto& message : http.probeMatches) httpRun.HandleMatch(Record(message.at(0), "127.0.0.1"));
    for (const auto& message : udp.probeMatches) bridgeRun.HandleMatch(Record(message.at(0), "127.0.0.1"));
    std::set<std::string> listed;
    for (const DeviceRecord& r : httpRun.Devices()) listed.insert(r.GetDescription());
    for (const DeviceRecord& r : bridgeRun.Devices()) listed.insert(r.GetDescription());
    EXPECT_EQ((std::set<std::string>{"Lobby Player", "Unknown Lyrax-80", "Atrium Wall", "Stage Bridge"}), listed);
    for (const DeviceRecord& r : httpRun.Devices()) {
        if (r.IsMediaPlayer()) {
            EXPECT_EQ("127.0.0.21", r.xAddrs);  // merged
        } else if (r.IsVideoProcessor()) {
            EXPECT_EQ("4", r.GetMetadataValue("Rows"));
        } else {
            EXPECT_EQ(2160, r.GetHeight());
            EXPECT_EQ("http:8080 ssh:22", r.GetMetadataValue("Services"));
        }
    }
    ASSERT_EQ(1u, bridgeRun.Devices().size());
    EXPECT_EQ("Halden::80 telnet::80 ", bridgeRun.Devices()[0].GetMetadataValue("Services"));
}

TEST_F(SimulatorRun, ProbesThatMatchNothingDrawNoAnswer)
{
    Start(sim::DemoDevices(), 0);
    SendProbe(controllerProxy, discoveryPort, "x9", Root("scopes/marvane/Ferro/X8"), ReplyTo());
    SendProbe(controllerProxy, discoveryPort, "x8", Root("scopes/marvane/Ferro/X7"), ReplyTo());
    SendProbe(controllerProxy, discoveryPort, "", "http://schemas.other.com/", ReplyTo());
    // The bridge answers datagram probes only.
    SendProbe(controllerProxy, discoveryPort, "Halden", Root("scopes/marvane/Halden/Bridge"), ReplyTo());
    for (int i = 0; i < 100 && log.Probes().size() < 4; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(4u, log.Probes().size());
    ASSERT_TRUE(simulator->WaitIdle(2s));
    for (const sim::ProbeSeen& p : log.Probes()) EXPECT_EQ(0u, p.matched) << sim::SimLog::Format(p);
    EXPECT_EQ(0u, log.AnswerCount());
    EXPECT_EQ(0, http.handled);
}

TEST_F(SimulatorRun, BadDatagramsAreSurvivedAndHelloPrecedesTheAnswer)
{
    sim::Device device;
    device.address = "urn:uuid:hello-device";
    device.types = "x8";
    device.scopes = Root("scopes/marvane/Ferro/X8");
    device.xAddrs = "http://127.0.0.30/";
    device.extensions = {{"Description", "A & B"}};
    device.hello = true;
    Start({device}, 0);

    int senderPort = 0;
    int sender = wiretest::LoopbackUdp(senderPort);
    for (const std::string& junk : {std::string("not xml"), std::string("<?xml version=\"1.0\"?><a>"),
                                    wiretest::Envelope("", "<d:Probe><d:Types>x8</d:Types>")}) {
        wiretest::SendDatagramTo(sender, junk, discoveryPort, "239.255.255.250");
    }
    close(sender);
    SendProbe(controllerProxy, discoveryPort, "x8", Root("scopes/marvane/Ferro/X8"), ReplyTo());
    ASSERT_TRUE(http.WaitFor(2, 5s));
    ASSERT_TRUE(simulator->WaitIdle(2s));
    httpThread.reset();

    ASSERT_EQ(1u, http.hellos.size());
    EXPECT_EQ("urn:uuid:hello-device", http.hellos[0].address);
    ASSERT_EQ(1u, http.probeMatches.size());
    const wiretest::SeenMatch& m = http.probeMatches[0].at(0);
    EXPECT_EQ("x8", m.types);
    EXPECT_EQ("http://127.0.0.30/", m.xAddrs);
    EXPECT_EQ(1u, m.metadataVersion);
    EXPECT_EQ(std::vector<std::string>{"<Description>A &amp; B</Description>"}, m.extensions);
    std::vector<sim::AnswerSent> answers = log.Answers();
    ASSERT_EQ(2u, answers.size());
    EXPECT_EQ("Hello", answers[0].kind);
    EXPECT_EQ("ProbeMatches", answers[1].kind);
    EXPECT_EQ(1u, log.Probes().size());
}

// The benchmark's shape on a smaller scale: many devices answering within the
// delay on a few workers, both by HTTP and by datagram.
TEST_F(SimulatorRun, LoadSetAnswersEveryProbeWithinTheDelay)
{
    constexpr int kDevices = 300;
    Start(sim::LoadDevices(kDevices), 500);
    auto start = std::chrono::steady_clock::now();
    SendProbe(controllerProxy, discoveryPort, "x8", Root("scopes/marvane/Ferro/X8"), ReplyTo());
    SendProbe(controllerProxy, discoveryPort, "", Root(), ReplyTo());
    BridgeProbe();
    ASSERT_TRUE(http.WaitFor(2 * kDevices, 10s)) << http.handled;
    ASSERT_TRUE(udp.WaitFor(kDevices, 10s)) << udp.handled;
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, 4s);
    httpThread.reset();
    udpThread.reset();

    std::multiset<std::string> httpAnswers = Answered(http);
    EXPECT_EQ(static_cast<std::size_t>(kDevices), std::set<std::string>(httpAnswers.begin(), httpAnswers.end()).size());
    std::multiset<std::string> udpAnswers = Answered(udp);
    EXPECT_EQ(static_cast<std::size_t>(kDevices), std::set<std::string>(udpAnswers.begin(), udpAnswers.end()).size());
    DeviceCollector bridgeRun;
    for (const auto& message : udp.probeMatches) bridgeRun.HandleMatch(Record(message.at(0), "127.0.0.1"));
    EXPECT_EQ(static_cast<std::size_t>(kDevices), bridgeRun.Devices().size());
}

sim::Device X8(const std::string& address)
{
    sim::Device device;
    device.address = address;
    device.types = "x8";
    device.scopes = Root("scopes/marvane/Ferro/X8");
    device.xAddrs = "http://127.0.0.40/";
    return device;
}

// The announcements heard on the group, in order, as "Hello address" or "Bye address".
std::vector<std::string> Heard(int group, std::size_t count, int millis)
{
    std::vector<std::string> heard;
    std::string datagram;
    while (heard.size() < count && !(datagram = wiretest::ReadDatagram(group, millis)).empty()) {
        const bool hello = datagram.find(wire::kHelloAction) != std::string::npos;
        const bool bye = datagram.find(wire::kByeAction) != std::string::npos;
        const auto start = datagram.find("<g:Address>"), end = datagram.find("</g:Address>");
        if ((hello || bye) && start != std::string::npos && end != std::string::npos)
            heard.push_back((hello ? "Hello " : "Bye ") + datagram.substr(start + 11, end - start - 11));
    }
    return heard;
}

TEST_F(SimulatorRun, DevicesSayHelloOnTheGroupAtStartAndByeAtStop)
{
    int group = wiretest::GroupListener(discoveryPort);
    Start({X8("urn:uuid:announcing")}, 0);
    EXPECT_EQ(std::vector<std::string>{"Hello urn:uuid:announcing"}, Heard(group, 1, 3000));
    ASSERT_TRUE(simulator->WaitIdle(2s));
    simulator->Stop();
    EXPECT_EQ(std::vector<std::string>{"Bye urn:uuid:announcing"}, Heard(group, 1, 3000));
    std::vector<sim::AnswerSent> announced = log.Announcements();
    ASSERT_EQ(2u, announced.size());
    EXPECT_EQ("Hello", announced[0].kind);
    EXPECT_EQ("Bye", announced[1].kind);
    EXPECT_EQ("soap.udp://239.255.255.250:" + std::to_string(discoveryPort), announced[1].destination);
    EXPECT_EQ(0, announced[1].result);
    EXPECT_EQ(0u, log.AnswerCount());
    simulator.reset();
    EXPECT_EQ(std::vector<std::string>{}, Heard(group, 1, 200));  // a stopped simulator says Bye once

    // Quiet: nothing on the group either way.
    Start({X8("urn:uuid:quiet")}, 0, false);
    ASSERT_TRUE(simulator->WaitIdle(2s));
    simulator->Stop();
    EXPECT_EQ(std::vector<std::string>{}, Heard(group, 1, 300));
    close(group);
}

TEST_F(SimulatorRun, ScheduledDevicesComeAndGoAndAnswerOnlyWhilePresent)
{
    int group = wiretest::GroupListener(discoveryPort);
    sim::Device cycling = X8("urn:uuid:cycling");
    cycling.schedule = sim::Schedule{0, 1000, 1000};
    sim::Device later = X8("urn:uuid:later");
    later.xAddrs = "http://127.0.0.41/";
    later.schedule = sim::Schedule{600000, 1000, std::nullopt};
    Start({cycling, later}, 0);

    // A device not yet there answers no probe.
    SendProbe(controllerProxy, discoveryPort, "x8", Root("scopes/marvane/Ferro/X8"), ReplyTo());
    for (int i = 0; i < 300 && log.Probes().empty(); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(1u, log.Probes().size());
    ASSERT_TRUE(simulator->WaitIdle(2s));
    EXPECT_EQ(0u, Answered(http).count("urn:uuid:later"));

    EXPECT_EQ((std::vector<std::string>{"Hello urn:uuid:cycling", "Bye urn:uuid:cycling", "Hello urn:uuid:cycling"}),
              Heard(group, 3, 5000));
    simulator->Stop();
    // Only the device present at the stop says Bye.
    EXPECT_EQ(std::vector<std::string>{"Bye urn:uuid:cycling"}, Heard(group, 2, 500));
    close(group);
}

TEST(SimulatorStart, RefusesAnInterfaceThatIsNotLocal)
{
    sim::SimLog log;
    sim::SimOptions options;
    close(wiretest::LoopbackUdp(options.port));
    options.interfaceAddress = "192.0.2.1";
    sim::Simulator simulator(sim::DemoDevices(), options, log);
    EXPECT_NE(std::string::npos, simulator.Start().find("cannot join the discovery group on 192.0.2.1"));
}

}  // namespace

}  // namespace signseek
