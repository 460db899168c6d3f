// The discovery runs next to a hostile neighbour: the demo simulator answers,
// attackers on loopback connect slowly, idle, churn, flood, and send short
// datagrams. Prints how long each run lasted, how many demo devices it still
// listed, the peak resident memory under huge bodies, and the time to serve
// the worst messages the limits let through.
// Run it inside a private network namespace (bench/run-benchmarks.sh does).

#include "discovery/DiscoveryRun.h"
#include "tests/common/LoopbackPorts.h"
#include "wire/EnvelopeReader.h"
#include "wire/MatchServiceBase.h"
#include "wire/MessageScreen.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace signseek;

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDiscoveryTimeout = 2;
constexpr int kReceiveTimeout = 1;
constexpr int kListenPort = REPLY_PORT;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }
void Pause(int millis) { std::this_thread::sleep_for(std::chrono::milliseconds(millis)); }

long PeakRssKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

using testports::ConnectTo;

bool ClosedByPeer(int fd)
{
    pollfd p{fd, POLLIN, 0};
    char byte;
    return poll(&p, 1, 0) > 0 && recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) <= 0;
}

using Step = std::function<void(const std::atomic<bool>& stop)>;

class Attack {
public:
    Attack(int threads, const Step& step)
    {
        for (int i = 0; i < threads; ++i) m_threads.emplace_back([this, step] { step(m_stop); });
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

// Sends `head`, then a byte of `trickle` every intervalMillis (none when
// empty) or `flood` bytes as fast as they go, on a new connection whenever
// the listener drops one.
Step Client(std::string head, int intervalMillis, bool flood = false)
{
    return [=](const std::atomic<bool>& stop) {
        const std::string filler(65536, 'a');
        while (!stop) {
            int fd = ConnectTo(kListenPort);
            if (fd < 0) {
                Pause(20);
                continue;
            }
            send(fd, head.data(), head.size(), MSG_NOSIGNAL);
            while (!stop && !ClosedByPeer(fd)) {
                if (flood) {
                    if (send(fd, filler.data(), filler.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno != EAGAIN)
                        break;
                    pollfd p{fd, POLLOUT, 0};
                    poll(&p, 1, 20);
                } else {
                    if (intervalMillis > 0) send(fd, "a", 1, MSG_NOSIGNAL);
                    Pause(intervalMillis > 0 ? intervalMillis : 20);
                }
            }
            close(fd);
        }
    };
}

Step Churn(int intervalMillis)
{
    return [=](const std::atomic<bool>& stop) {
        while (!stop) {
            int fd = ConnectTo(kListenPort);
            if (fd >= 0) close(fd);
            Pause(intervalMillis);
        }
    };
}

DiscoveryRequest Request(int discoveryPort, unsigned* count)
{
    DiscoveryRequest request;
    request.listenPort = kListenPort;
    request.values.discoveryPort = discoveryPort;
    request.values.discoveryTimeout = kDiscoveryTimeout;
    request.values.receiveTimeout = kReceiveTimeout;
    request.interfaceAddress = "127.0.0.1";
    request.pCount = count;
    request.values.ttl = 1;
    return request;
}

void DeviceRun(const char* attack, int discoveryPort, unsigned expected)
{
    const long rssBefore = PeakRssKb();
    const auto start = Clock::now();
    const RunResult result = RunDiscovery(RunKind::Devices, Request(discoveryPort, nullptr));
    std::printf("  %-44s %5.2f s, listed %zu/%u, shed %zu, peak RSS %+ld KB\n", attack, Since(start),
                result.records.size(), expected, result.shedConnections, PeakRssKb() - rssBefore);
}

// As soon as the listener is up, count connections opened within a few
// milliseconds and left idle until the run is over.
class Storm {
public:
    explicit Storm(int count)
        : m_thread([this, count] {
              int first = -1;
              while (!m_stop && (first = ConnectTo(kListenPort)) < 0) Pause(2);
              m_fds.push_back(first);
              for (int i = 1; i < count && !m_stop; ++i) {
                  const int fd = testports::StartConnect(kListenPort);
                  if (fd < 0) break;
                  m_fds.push_back(fd);
              }
          })
    {}
    ~Storm()
    {
        m_stop = true;
        m_thread.join();
        for (int fd : m_fds)
            if (fd >= 0) close(fd);
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<int> m_fds;
    std::thread m_thread;
};

// Time to serve one collected request, the best of a few tries (other
// processes only ever add to it).
double ServeMillis(const std::string& body)
{
    static wire::MatchServiceBase service(wire::TransportMode::Tcp);
    static bool ready = wire::EnableAddressing(&service) == 0;
    (void)ready;
    const std::string request =
        "POST / HTTP/1.1\r\nContent-Type: application/soap+xml\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\n\r\n" + body;
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        wire::HttpRequestFramer framer;
        framer.Feed(request);
        service.socket = ::open("/dev/null", O_WRONLY);
        const auto start = Clock::now();
        const int rc = service.ServeCollected(framer);
        if (std::getenv("SIGNSEEK_BENCH_VERBOSE")) std::fprintf(stderr, "rc %d\n", rc);
        best = std::min(best, Since(start) * 1000);
    }
    return best;
}

std::string Envelope(const std::string& inside)
{
    return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><s:Body><d:ProbeMatches><d:ProbeMatch>" +
           inside + "</d:ProbeMatch></d:ProbeMatches></s:Body></s:Envelope>";
}

std::string Attributes(int perElement, int elements = 100000)
{
    std::string all;  // that many attributes on as many elements as fit
    for (int i = 0; i < elements && all.size() < 60000; ++i) {
        std::string e = "<x";
        for (int a = 0; a < perElement; ++a) e += " a" + std::to_string(a) + "=\"\"";
        all += e + "/>";
    }
    return all;
}

std::string NestedDeclarations(int count)
{
    std::string all;  // nested declarations, then prefixed elements in their scope
    for (int i = 0; i < count; ++i) all += "<e xmlns:p" + std::to_string(i) + "=\"urn:" + std::to_string(i) + "\">";
    for (int i = 0; i < 900; ++i)
        all += "<p" + std::to_string(i % count) + ":y p" + std::to_string(i * 7 % count) + ":a=\"\"/>";
    for (int i = 0; i < count; ++i) all += "</e>";
    return all;
}

std::string Elements(int count)
{
    std::string all;
    for (int i = 0; i < count; ++i) all += "<x/>";
    return all;
}

std::string Nested(int depth)
{
    std::string all;
    for (int i = 0; i < depth; ++i) all += "<x>";
    for (int i = 0; i < depth; ++i) all += "</x>";
    return all;
}

void WorstMessages()
{
    std::printf("serving crowded messages (refused ones are marked):\n");
    const std::pair<std::string, std::string> cases[] = {
        {"1000 elements with an attribute each", Envelope(Attributes(1, 1000))},
        {"64 attributes on each of 15 elements", Envelope(Attributes(64, 15))},
        {"65 attributes on every element", Envelope(Attributes(65))},
        {"16 attributes on every element", Envelope(Attributes(16))},
        {"60 nested namespace declarations", Envelope(NestedDeclarations(60))},
        {"65 nested namespace declarations", Envelope(NestedDeclarations(65))},
        {"1000 nested elements", Envelope(Nested(1000))},
        {"1100 empty extension elements", Envelope(Elements(1100))},
        {"12000 empty extension elements", Envelope(Elements(12000))},
        {"1000 empty extension elements", Envelope(Elements(1000))},
        {"60 KB of text", Envelope("<d:Types>" + std::string(60000, 'a') + "</d:Types>")},
    };
    for (const auto& [name, body] : cases)
        std::printf("  %-44s %6.2f ms, %5zu bytes%s\n", name.c_str(), ServeMillis(body), body.size(),
                    wire::ScreenMessage(body) ? " (refused unparsed)" : "");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: signseek-attack-bench SIM_PROGRAM [DISCOVERY_PORT]\n");
        return 2;
    }
    const int port = argc > 2 ? std::atoi(argv[2]) : DEFAULT_DISCOVERY_PORT;
    WorstMessages();
    if (std::getenv("SIGNSEEK_BENCH_MESSAGES_ONLY")) return 0;

    std::string portText = std::to_string(port);
    std::vector<char*> simArgv = {argv[1],         const_cast<char*>("--demo"), const_cast<char*>("--port"),
                                  portText.data(), const_cast<char*>("--log"),  const_cast<char*>("/dev/null"),
                                  nullptr};
    pid_t sim = -1;
    if (posix_spawn(&sim, argv[1], nullptr, nullptr, simArgv.data(), environ) != 0) {
        std::perror("signseek-sim");
        return 1;
    }
    Pause(500);

    std::printf("device run, discovery timeout %d s, receive timeout %d s (bound %d s):\n", kDiscoveryTimeout,
                kReceiveTimeout, 2 * kDiscoveryTimeout + kReceiveTimeout);
    unsigned expected = 0;
    {
        const auto start = Clock::now();
        DiscoverDevices(Request(port, &expected));
        std::printf("  %-44s %5.2f s, listed %u\n", "no attack", Since(start), expected);
    }
    const std::string head = "POST /Discovery HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    {
        Attack a(1, Client(head + "X-Slow: ", 500));
        DeviceRun("1 client, a header byte every 0.5 s", port, expected);
    }
    {
        Attack a(1, Churn(1500));
        DeviceRun("a connect-and-close every 1.5 s", port, expected);
    }
    {
        Attack a(40, Client("", 0));
        DeviceRun("40 idle connections", port, expected);
    }
    {
        Attack a(100, Client(head + "X-Slow: ", 100));
        DeviceRun("100 slow clients", port, expected);
    }
    {
        Attack a(1, Client(head + "Content-Length: 100000000\r\n\r\n", 0, true));
        DeviceRun("a 100 MB body", port, expected);
    }
    {
        Attack a(1, Client(head + "Transfer-Encoding: chunked\r\n\r\n", 0, true));
        DeviceRun("a streamed chunked body", port, expected);
    }
    {
        Attack a(1, Client(head + "Content-Length: 10000000000\r\n\r\n", 0, true));
        DeviceRun("a 10 GB Content-Length", port, expected);
    }
    for (int count : {1000, 1500, 3000, 10000}) {
        Storm storm(count);
        const std::string name = std::to_string(count) + " connections at once, left idle";
        DeviceRun(name.c_str(), port, expected);
    }

    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    return 0;
}
