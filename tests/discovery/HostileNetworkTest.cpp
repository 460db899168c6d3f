// Discovery runs next to a hostile neighbour on loopback: slow, idle and
// churning HTTP clients, huge and crowded requests, short datagrams. Each
// run must end within its bound (2 x discovery timeout + receive timeout,
// here 3 s) and still list every honest device.

#include "FakeDevice.h"
#include "TestRecords.h"
#include "discovery/AnnouncementEvidence.h"
#include "discovery/DiscoveryRun.h"
#include "discovery/WatchRun.h"
#include "present/DisplayRows.h"
#include "tests/common/LoopbackPorts.h"
#include "tests/wire/WireTestSupport.h"
#include "wire/MatchServiceBase.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace signseek {

namespace {

using Clock = std::chrono::steady_clock;
using fake::FakeDevice;
using fake::MatchItems;

constexpr double kBoundSeconds = 3.0;  // 2 x 1 s + 1 s
constexpr double kMargin = 1.5;

using testports::ConnectTo;

// True when the listener closed (or reset) the connection.
bool ClosedByPeer(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) return false;
    char byte;
    return recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) <= 0;
}

// Hostile clients on their own threads until destroyed.
class Attack {
public:
    using Step = std::function<void(int port, const std::atomic<bool>& stop)>;
    Attack(int port, int threads, Step step)
    {
        for (int i = 0; i < threads; ++i) m_threads.emplace_back([this, port, step] { step(port, m_stop); });
    }
    ~Attack()
    {
        m_stop = true;
        for (std::thread& t : m_threads) t.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

void Pause(int millis) { std::this_thread::sleep_for(std::chrono::milliseconds(millis)); }

// A header byte every interval, on a new connection whenever the listener drops one.
Attack::Step Trickle(int intervalMillis)
{
    return [intervalMillis](int port, const std::atomic<bool>& stop) {
        const std::string head = "POST /Discovery HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
        while (!stop) {
            int fd = ConnectTo(port);
            if (fd < 0) {
                Pause(20);
                continue;
            }
            for (std::size_t i = 0; !stop && !ClosedByPeer(fd); ++i) {
                send(fd, &head[i % head.size()], 1, MSG_NOSIGNAL);
                Pause(intervalMillis);
            }
            close(fd);
        }
    };
}

// Connections that send nothing, held until the listener drops them.
Attack::Step Idle()
{
    return [](int port, const std::atomic<bool>& stop) {
        while (!stop) {
            int fd = ConnectTo(port);
            while (fd >= 0 && !stop && !ClosedByPeer(fd)) Pause(20);
            if (fd >= 0)
                close(fd);
            else
                Pause(20);
        }
    };
}

Attack::Step Churn(int intervalMillis)
{
    return [intervalMillis](int port, const std::atomic<bool>& stop) {
        while (!stop) {
            int fd = ConnectTo(port);
            if (fd >= 0) close(fd);
            Pause(intervalMillis);
        }
    };
}

// Sends `head` and then filler until the listener drops the connection.
Attack::Step Flood(std::string head, std::atomic<std::size_t>& sentAfterHead)
{
    return [head, &sentAfterHead](int port, const std::atomic<bool>& stop) {
        const std::string filler(65536, 'a');
        while (!stop) {
            int fd = ConnectTo(port);
            if (fd < 0) {
                Pause(20);
                continue;
            }
            send(fd, head.data(), head.size(), MSG_NOSIGNAL);
            std::size_t sent = 0;
            while (!stop) {
                pollfd p{fd, POLLOUT, 0};
                if (poll(&p, 1, 50) <= 0) continue;
                ssize_t n = send(fd, filler.data(), filler.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0 && errno != EAGAIN) break;
                sent += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
            close(fd);
            sentAfterHead = std::max<std::size_t>(sentAfterHead, sent);
        }
    };
}

// Connections opened all at once and left idle, held until destroyed.
class Storm {
public:
    ~Storm()
    {
        for (int fd : m_fds) close(fd);
    }
    // Waits until the listener is up, then opens count connections without
    // waiting for any of them to be accepted.
    void Open(int port, int count)
    {
        for (int tries = 0; tries < 200; ++tries) {
            if (int fd = ConnectTo(port); fd >= 0) {
                m_fds.push_back(fd);
                break;
            }
            Pause(10);
        }
        for (int i = 0; i < count; ++i) {
            const int fd = testports::StartConnect(port);
            if (fd < 0) break;
            m_fds.push_back(fd);
        }
    }

private:
    std::vector<int> m_fds;
};

// A run next to `device` on loopback, with the time-outs of kBoundSeconds.
DiscoveryRequest LoopbackRequest(const FakeDevice& device)
{
    DiscoveryRequest request;
    request.listenPort = static_cast<std::uint16_t>(wiretest::FreeTcpPort());
    request.values.discoveryPort = device.DiscoveryPort();
    request.values.discoveryTimeout = 1;
    request.values.receiveTimeout = 1;
    request.values.ttl = 1;
    request.interfaceAddress = "127.0.0.1";
    return request;
}

// Two honest devices that POST their answers (one answers both probes);
// beforeAnswers, when given, runs with the listen port before the second
// probe's answers go out.
struct HonestDevices {
    explicit HonestDevices(std::function<void(int port)> beforeAnswers = {})
        : device([this, beforeAnswers](const fake::ReceivedProbe& probe) {
              if (!probe.hasTypes && beforeAnswers) beforeAnswers(request.listenPort);
              fake::PostTo(probe.replyTo,
                           fake::ProbeMatchesEnvelope({MatchItems("urn:ferro", "http://127.0.0.1:80/")}));
              if (!probe.hasTypes)
                  fake::PostTo(probe.replyTo,
                               fake::ProbeMatchesEnvelope({MatchItems("urn:other", "http://127.0.0.9/", "x9")}));
          })
    {
        request = LoopbackRequest(device);
    }

    // Runs the device search; checks its length and that both devices are listed.
    RunResult RunAndExpectBoth()
    {
        const auto start = Clock::now();
        RunResult result = RunDiscovery(RunKind::Devices, request);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_LT(seconds, kBoundSeconds + kMargin);
        EXPECT_FALSE(result.failed);
        EXPECT_EQ(2u, result.records.size());
        if (result.records.size() == 2) {
            EXPECT_EQ("urn:ferro", result.records[0].address);
            EXPECT_EQ("urn:other", result.records[1].address);
        }
        return result;
    }

    DiscoveryRequest request;
    FakeDevice device;
    double seconds = 0;
};

TEST(HostileNetwork, SlowHeaderClientsNeitherStretchTheRunNorHideDevices)
{
    HonestDevices honest;
    Attack attack(honest.request.listenPort, 1, Trickle(300));
    honest.RunAndExpectBoth();
}

TEST(HostileNetwork, HundredSlowClientsDoNotPushOutDevices)
{
    HonestDevices honest;
    Attack attack(honest.request.listenPort, 100, Trickle(100));
    honest.RunAndExpectBoth();
}

TEST(HostileNetwork, IdleConnectionsCostNoMoreThanOneReceiveTimeout)
{
    HonestDevices honest;
    Attack attack(honest.request.listenPort, 40, Idle());
    honest.RunAndExpectBoth();
}

class ConnectionStorm : public ::testing::TestWithParam<int> {};

TEST_P(ConnectionStorm, IdleConnectionsAreShedSoDevicesAreServed)
{
    Storm storm;
    HonestDevices honest([&storm](int port) { storm.Open(port, GetParam()); });
    const RunResult result = honest.RunAndExpectBoth();
    // The table holds a few hundred at most; the rest had to be shed.
    EXPECT_GE(result.shedConnections, static_cast<std::size_t>(GetParam()) - 2 * wire::kMaxOpenConnections);
}

INSTANTIATE_TEST_SUITE_P(HostileNetwork, ConnectionStorm, ::testing::Values(1500, 3000));

TEST(HostileNetwork, ConnectAndCloseChurnDoesNotKeepTheRunAlive)
{
    HonestDevices honest;
    Attack attack(honest.request.listenPort, 2, Churn(200));
    honest.RunAndExpectBoth();
}

TEST(HostileNetwork, HugeBodiesAreRefusedBeforeTheyAreRead)
{
    std::atomic<std::size_t> sentLength{0}, sentChunked{0};
    HonestDevices honest;
    {
        Attack length(honest.request.listenPort, 1,
                      Flood("POST /Discovery HTTP/1.1\r\nContent-Length: 10000000000\r\n\r\n", sentLength));
        Attack chunked(honest.request.listenPort, 1,
                       Flood("POST /Discovery HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n8000000\r\n", sentChunked));
        honest.RunAndExpectBoth();
    }
    // What the kernel's buffers take in before the refusal, not the stream.
    EXPECT_LT(sentLength.load(), 16u << 20);
    EXPECT_LT(sentChunked.load(), 16u << 20);
}

TEST(HostileNetwork, CrowdedXmlIsRefusedQuickly)
{
    std::string attributes, declarations;
    for (int i = 0; attributes.size() < 60000; ++i) attributes += " a" + std::to_string(i) + "=\"\"";
    for (int i = 0; declarations.size() < 60000; ++i)
        declarations += " xmlns:n" + std::to_string(i) + "=\"urn:" + std::to_string(i) + "\"";
    HonestDevices honest;
    std::vector<double> answerSeconds;
    std::vector<std::string> answers;
    std::thread attacker([&] {
        Pause(150);
        for (const std::string& crowd : {attributes, declarations}) {
            const std::string body = "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/"
                                     "soap-envelope\"><s:Body><x" +
                                     crowd + "/></s:Body></s:Envelope>";
            const auto start = Clock::now();
            answers.push_back(
                fake::PostTo("http://127.0.0.1:" + std::to_string(honest.request.listenPort) + "/Discovery", body));
            answerSeconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
    });
    honest.RunAndExpectBoth();
    attacker.join();
    ASSERT_EQ(2u, answers.size());
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(0u, answers[i].find("HTTP/1.1 400 Bad Request")) << answers[i].substr(0, 300);
        EXPECT_NE(std::string::npos, answers[i].find("occurrence violation")) << answers[i].substr(0, 600);
        EXPECT_LT(answerSeconds[i], 0.5);
    }
}

// An announcement multicast to the group from `source`, a loopback address
// of its own, as another host on the network would send it.
void AnnounceFrom(const char* source, int port, const std::string& envelope)
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr(source);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    in_addr loopback{};
    loopback.s_addr = htonl(INADDR_LOOPBACK);
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
    wiretest::SendDatagramTo(fd, envelope, port, "239.255.255.250");
    close(fd);
}

std::string ByeEnvelope(const std::string& address)
{
    return wiretest::Envelope("", "<d:Bye><a:EndpointReference><a:Address>" + address +
                                      "</a:Address></a:EndpointReference></d:Bye>");
}

TEST(HostileNetwork, ForgedAnnouncementsNeitherLoseNorRenameWatchedDevices)
{
    FakeDevice device([](const fake::ReceivedProbe& probe) {
        // The device hears the group's announcements too; it answers probes only.
        if (probe.text.find("Probe>") == std::string::npos || probe.replyTo.empty() || probe.hasTypes) return;
        fake::PostTo(probe.replyTo,
                     fake::ProbeMatchesEnvelope({MatchItems("urn:ferro", "http://127.0.0.2:80/", "x8", kBridgeScope,
                                                            "<Description>Lobby</Description>")}));
    });
    WatchRequest request;
    request.shownText = ShownText;
    request.search = LoopbackRequest(device);
    request.intervalSeconds = 1;
    std::mutex mutex;
    std::vector<std::pair<WatchEvent, DeviceRecord>> events;
    auto count = [&](WatchEvent event, const std::string& prefix) {
        std::lock_guard lock(mutex);
        return std::count_if(events.begin(), events.end(),
                             [&](const auto& e) { return e.first == event && e.second.address.rfind(prefix, 0) == 0; });
    };
    std::atomic<bool> stop{false};
    std::thread watch([&] {
        RunWatch(
            request,
            [&](WatchEvent event, const std::string&, const DeviceRecord& record) {
                std::lock_guard lock(mutex);
                events.emplace_back(event, record);
            },
            stop);
    });
    const auto waitFor = [](const std::function<bool()>& done, double seconds) {
        const auto start = Clock::now();
        while (!done() && std::chrono::duration<double>(Clock::now() - start).count() < seconds) Pause(20);
        return done();
    };
    ASSERT_TRUE(waitFor([&] { return count(WatchEvent::Found, "urn:ferro") == 1; }, 10));

    const int port = device.DiscoveryPort();
    AnnounceFrom("127.0.0.9", port, ByeEnvelope("urn:ferro"));
    AnnounceFrom("127.0.0.9", port,
                 fake::HelloEnvelope(MatchItems("urn:ferro", "http://127.0.0.2:80/", "x8", kBridgeScope,
                                                "<Description>HIJACKED-0</Description>")));
    for (int i = 0; i < 300; ++i) {
        const std::string n = std::to_string(i);
        AnnounceFrom("127.0.0.9", port,
                     fake::HelloEnvelope(
                         MatchItems("urn:fake:" + n,
                                    "http://10.9." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ":80/",
                                    "x8", kBridgeScope)));
    }
    Pause(2500);  // two more searches
    EXPECT_EQ(0, count(WatchEvent::Lost, "urn:ferro"));
    EXPECT_EQ(0, count(WatchEvent::Changed, "urn:ferro"));
    EXPECT_GT(count(WatchEvent::Found, "urn:fake:"), 0);
    EXPECT_LE(count(WatchEvent::Found, "urn:fake:"), static_cast<long>(UnconfirmedEventLimit::kPerWindow));
    // The device's own Bye is believed at once.
    AnnounceFrom("127.0.0.1", port, ByeEnvelope("urn:ferro"));
    EXPECT_TRUE(waitFor([&] { return count(WatchEvent::Lost, "urn:ferro") == 1; }, 5));
    stop = true;
    watch.join();
    device.Stop();
}

// Answers as large as a datagram holds, far more than a run keeps text of, in
// one burst: the run keeps its bound and the bridge that answered first.
TEST(HostileNetwork, ABurstOfLargeAnswersKeepsTheBoundAndTheHonestBridge)
{
    const std::string description = "<Description>" + std::string(12 * 1024, 'x') + "</Description>";
    FakeDevice device([&](const fake::ReceivedProbe& probe) {
        fake::DatagramTo(probe.sourcePort, fake::ProbeMatchesEnvelope({MatchItems("urn:bridge", "http://127.0.0.6/",
                                                                                  "Halden", kBridgeScope)}));
        for (int i = 0; i < 3000; ++i) {
            const std::string host = "10.3." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
            fake::DatagramTo(probe.sourcePort, fake::ProbeMatchesEnvelope(
                                                   {MatchItems("urn:big:" + std::to_string(i), "http://" + host + "/",
                                                               "Halden", kBridgeScope, description)}));
        }
    });
    const DiscoveryRequest request = LoopbackRequest(device);
    const auto start = Clock::now();
    const RunResult result = RunDiscovery(RunKind::Bridges, request);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), kBoundSeconds + kMargin);
    device.Stop();
    ASSERT_FALSE(result.failed);
    ASSERT_FALSE(result.records.empty());
    EXPECT_EQ("urn:bridge", result.records[0].address);
    std::size_t text = 0;
    for (const DeviceRecord& record : result.records)
        for (const std::string& item : record.metadata) text += item.size();
    EXPECT_LE(text, std::size_t{32} << 20);
}

TEST(HostileNetwork, ShortDatagramsToTheBridgeRunDrawNoFault)
{
    int attacker = -1, attackerPort = 0;
    attacker = wiretest::LoopbackUdp(attackerPort);
    std::atomic<int> faults{0};
    FakeDevice device([&](const fake::ReceivedProbe& probe) {
        for (int i = 0; i < 50; ++i) wiretest::SendDatagramTo(attacker, "x", probe.sourcePort);
        fake::DatagramTo(probe.sourcePort, fake::ProbeMatchesEnvelope({MatchItems("urn:bridge", "http://127.0.0.6/",
                                                                                  "Halden", kBridgeScope)}));
        while (!wiretest::ReadDatagram(attacker, 500).empty()) ++faults;
    });
    const DiscoveryRequest request = LoopbackRequest(device);
    const RunResult result = RunDiscovery(RunKind::Bridges, request);
    device.Stop();
    close(attacker);
    ASSERT_FALSE(result.failed);
    ASSERT_EQ(1u, result.records.size());
    EXPECT_EQ("urn:bridge", result.records[0].address);
    EXPECT_EQ(0, faults.load());
}

}  // namespace

}  // namespace signseek
