#pragma once
// A device on loopback for the discovery-run tests: it joins the discovery
// group on 127.0.0.1 at a port of its own, records every probe that arrives
// and hands it to the test's answer.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace signseek {

namespace fake {

struct ReceivedProbe {
    std::string text;
    int sourcePort = 0;
    std::string messageId, replyTo, types, scopes, matchBy;
    bool hasTypes = false;
};

class FakeDevice {
public:
    using Answer = std::function<void(const ReceivedProbe&)>;

    explicit FakeDevice(Answer answer = {});
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    int DiscoveryPort() const { return m_port; }
    // Ends the device's thread; what its answer captured is then safe to read.
    void Stop();
    std::vector<ReceivedProbe> Probes();

private:
    void Loop();

    Answer m_answer;
    int m_port = 0;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<ReceivedProbe> m_probes;
    std::thread m_thread;
};

// Text of the first element named `name` (prefix included), empty if none.
std::string ElementText(const std::string& xml, const std::string& name);

// One match body: endpoint address, types, scopes, xAddrs, then `extra`.
std::string MatchItems(const std::string& address, const std::string& xAddrs, const std::string& types = "x8",
                       const std::string& scopes = "", const std::string& extra = "");
std::string ProbeMatchesEnvelope(const std::vector<std::string>& matchItems);
std::string HelloEnvelope(const std::string& matchItems);

// POSTs a SOAP body to an "http://127.0.0.1:port/path" reply address and
// returns the answer (empty when nothing answered within waitMillis; with 0
// the request is sent and the connection closed at once).
std::string PostTo(const std::string& replyTo, const std::string& body, int waitMillis = 2000);
// One datagram from a fresh loopback socket to 127.0.0.1:port.
void DatagramTo(int port, const std::string& bytes);

// Open descriptors of this process.
int OpenDescriptors();

}  // namespace fake

}  // namespace signseek
