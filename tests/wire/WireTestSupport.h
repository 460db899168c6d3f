#pragma once
// Helpers shared by the wire tests: canned messages, a context that reads from
// a string, loopback sockets.

#include "wire/MatchServiceBase.h"

#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <thread>
#include <vector>

namespace signseek {

namespace wiretest {

// Envelope start with the given extra namespace declarations and header content.
std::string Envelope(const std::string& headerBlocks, const std::string& body,
                     const std::string& declarations = "xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
                                                       "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
                                                       "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"");

std::string ProbeMatch(const std::string& address, const std::string& extra = "",
                       const std::string& metadataVersion = "1");

// Serves one message read from `text` (no socket: no fault is sent).
int ServeText(wire::MatchServiceBase& service, const std::string& text);

// What a listener saw: the decoded items it copied out.
struct SeenMatch {
    std::string address, types, scopes, matchBy, xAddrs;
    unsigned metadataVersion = 0;
    std::vector<std::string> extensions;
};

class RecordingService : public wire::MatchServiceBase {
public:
    explicit RecordingService(wire::TransportMode mode) : MatchServiceBase(mode) {}
    int ProbeMatches(disc__ProbeMatchesType* m) override;
    int Hello(disc__HelloType* h) override;
    int ResolveMatches(disc__ResolveMatchesType*) override
    {
        ++resolveMatches;
        return 0;
    }
    int Bye(disc__ByeType* b) override;

    std::vector<std::vector<SeenMatch>> probeMatches;  // one entry per message
    std::vector<SeenMatch> hellos;
    std::vector<std::string> byes;  // endpoint addresses
    bool acceptByes = true;         // false: the base listener's refusal
    int resolveMatches = 0;
    std::string peer;
    int handlerResult = 0;
};

// A UDP socket bound to 127.0.0.1 on an ephemeral port; returns fd, sets port.
int LoopbackUdp(int& port);
// A UDP socket that joined the discovery group on 127.0.0.1 at `port`.
int GroupListener(int port);
// Reads one datagram (waits at most `millis`); empty on time-out.
std::string ReadDatagram(int fd, int millis, sockaddr_in* from = nullptr);
void SendDatagramTo(int fd, const std::string& bytes, int port, const char* host = "127.0.0.1");

// A TCP exchange with a listener: sends `request`, returns all it answers.
std::string HttpExchange(int port, const std::string& request, int waitMillis = 3000);

// A free TCP port on 127.0.0.1.
int FreeTcpPort();

// Runs a bound listener on a thread of its own: accept, serve one message,
// again, until destroyed. The service needs an accept or receive time-out so
// the thread notices the end.
class ListenerThread {
public:
    explicit ListenerThread(wire::MatchServiceBase& service);
    ~ListenerThread();
    std::vector<int> Results();

private:
    wire::MatchServiceBase& m_service;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<int> results;
    std::thread m_thread;
};

}  // namespace wiretest

}  // namespace signseek
