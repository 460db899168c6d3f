// How soon a run reports a device: N devices answer the device run by HTTP
// POST (several at a time) and the bridge run by datagram, and the bench
// prints, per run, the time from an answer's arrival on loopback to the run
// reporting its record, median and worst. An answer counts as arrived when
// its sender hands it to the kernel; on loopback it is at the listener's
// socket then.
// Run it inside a private network namespace (bench/run-benchmarks.sh does).

#include "common/DiscoveryValues.h"
#include "common/VendorConstants.h"
#include "discovery/DiscoveryRun.h"
#include "tests/common/LoopbackPorts.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace signseek;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDiscoveryTimeout = 2;
constexpr int kListenPort = 8000;
constexpr int kDiscoveryPort = DEFAULT_DISCOVERY_PORT;
constexpr int kSenders = 8;
constexpr char kGroup[] = "239.255.255.250";

std::string Envelope(int index, const char* types, const std::string& scopes)
{
    // Each device on a host of its own, so no two merge.
    const std::string host = "10." + std::to_string(index / 65536) + "." + std::to_string(index / 256 % 256) + "." +
                             std::to_string(index % 256);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><s:Envelope "
           "xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><s:Body><d:ProbeMatches><d:ProbeMatch>"
           "<a:EndpointReference><a:Address>urn:bench:" +
           std::to_string(index) + "</a:Address></a:EndpointReference><d:Types>" + types + "</d:Types><d:Scopes>" +
           scopes + "</d:Scopes><d:XAddrs>http://" + host +
           ":80/</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch></d:ProbeMatches></s:Body>"
           "</s:Envelope>";
}

// When each device's answer went out and when its record was reported.
class Timings {
public:
    explicit Timings(int n) : m_sent(static_cast<std::size_t>(n)), m_reported(static_cast<std::size_t>(n)) {}

    void Sent(int index) { m_sent[static_cast<std::size_t>(index)] = Clock::now(); }

    RecordSink Sink()
    {
        return [this](RecordChange change, std::size_t, const DeviceRecord& record) {
            const auto now = Clock::now();
            if (change != RecordChange::Found || record.address.rfind("urn:bench:", 0) != 0) return;
            const std::size_t index = std::strtoul(record.address.c_str() + 10, nullptr, 10);
            std::lock_guard lock(m_mutex);
            if (index < m_reported.size()) m_reported[index] = now;
        };
    }

    void Print(const char* run, int n, const RunResult& result)
    {
        std::vector<double> millis;
        for (std::size_t i = 0; i < m_sent.size(); ++i)
            if (m_sent[i] != Clock::time_point{} && m_reported[i] != Clock::time_point{})
                millis.push_back(std::chrono::duration<double, std::milli>(m_reported[i] - m_sent[i]).count());
        std::sort(millis.begin(), millis.end());
        if (millis.empty()) {
            std::printf("%-8s N=%-5d nothing reported%s\n", run, n, result.failed ? " (run failed)" : "");
            return;
        }
        std::printf("%-8s N=%-5d reported %zu/%d, answer to report: median %.2f ms, worst %.2f ms\n", run, n,
                    millis.size(), n, millis[millis.size() / 2], millis.back());
    }

private:
    std::vector<Clock::time_point> m_sent;
    std::mutex m_mutex;
    std::vector<Clock::time_point> m_reported;
};

using testports::ConnectTo;

// One POST; waits for the listener to answer and close.
void Post(int index, Timings& timings)
{
    const std::string body = Envelope(index, "x8", std::string(VENDOR_URI_ROOT) + CONTROLLER_PROBE_SCOPE_PATH);
    const std::string request = "POST /Discovery HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                                "application/soap+xml; charset=utf-8\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 100; ++tries) {
        fd = ConnectTo(kListenPort);
        if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (fd < 0) return;
    timings.Sent(index);
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[512];
        while (recv(fd, buffer, sizeof buffer, 0) > 0) {}
    }
    close(fd);
}

void DeviceRun(int n)
{
    Timings timings(n);
    DiscoveryRequest request;
    request.listenPort = kListenPort;
    request.values.discoveryPort = kDiscoveryPort + 1;  // nobody listens there: only the bench answers
    request.values.discoveryTimeout = kDiscoveryTimeout;
    request.interfaceAddress = "127.0.0.1";
    request.values.ttl = 1;
    request.onRecord = timings.Sink();
    RunResult result;
    std::thread run([&] { result = RunDiscovery(RunKind::Devices, request); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the probes go out, the listener binds
    std::atomic<int> next{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([&] {
            for (int i; (i = next++) < n;) Post(i, timings);
        });
    for (std::thread& sender : senders) sender.join();
    run.join();
    timings.Print("devices", n, result);
}

// The bridge run's probe, caught on the discovery group: its source port is
// where the answers go.
int CatchBridgeProbe(int socketFd)
{
    pollfd p{socketFd, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) return -1;
    char buffer[65536];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    if (recvfrom(socketFd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length) < 0) return -1;
    return ntohs(from.sin_port);
}

int GroupListener()
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kDiscoveryPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    ip_mreq join{};
    inet_pton(AF_INET, kGroup, &join.imr_multiaddr);
    join.imr_interface.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0) {
        std::perror("discovery group");
        std::exit(1);
    }
    return fd;
}

void BridgeRun(int n)
{
    Timings timings(n);
    const int group = GroupListener();
    DiscoveryRequest request;
    request.values.discoveryPort = kDiscoveryPort;
    request.values.discoveryTimeout = kDiscoveryTimeout;
    request.interfaceAddress = "127.0.0.1";
    request.values.ttl = 1;
    request.onRecord = timings.Sink();
    RunResult result;
    std::thread run([&] { result = RunDiscovery(RunKind::Bridges, request); });
    const int port = CatchBridgeProbe(group);
    close(group);
    if (port > 0) {
        const std::string scopes = std::string(VENDOR_URI_ROOT) + BRIDGE_PROBE_SCOPE_PATH;
        int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // Spread over half a second, as devices spread their answers; none
        // before the listener has had a moment to bind after the probe.
        const auto start = Clock::now() + std::chrono::milliseconds(20);
        for (int i = 0; i < n; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(500000LL * i / n));
            const std::string body = Envelope(i, "Halden", scopes);
            timings.Sent(i);
            sendto(fd, body.data(), body.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        close(fd);
    }
    run.join();
    timings.Print("bridges", n, result);
}

}  // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (n < 1) {
        std::fprintf(stderr, "usage: signseek-report-bench [N]\n");
        return 2;
    }
    DeviceRun(n);
    BridgeRun(n);
    return 0;
}
