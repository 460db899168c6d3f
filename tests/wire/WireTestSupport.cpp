#include "WireTestSupport.h"

#include "tests/common/LoopbackPorts.h"

#include "wire/HttpExchange.h"

#include <arpa/inet.h>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace signseek {

namespace wiretest {
namespace {

struct StringSource {
    std::string text;
    std::size_t offset = 0;
};

size_t ReadFromString(soap* ctx, char* buffer, size_t length)
{
    auto* source = static_cast<StringSource*>(ctx->user);
    std::size_t n = std::min(length, source->text.size() - source->offset);
    std::memcpy(buffer, source->text.data() + source->offset, n);
    source->offset += n;
    return n;
}

void Copy(SeenMatch& seen, const wsa__EndpointReferenceType& epr, const char* types, const disc__ScopesType* scopes,
          const char* xAddrs, unsigned version, int size, char** any)
{
    seen.address = epr.Address ? epr.Address : "";
    seen.types = types ? types : "";
    if (scopes) {
        seen.scopes = scopes->__item ? scopes->__item : "";
        seen.matchBy = scopes->MatchBy ? scopes->MatchBy : "";
    }
    seen.xAddrs = xAddrs ? xAddrs : "";
    seen.metadataVersion = version;
    for (int i = 0; i < size; ++i) seen.extensions.emplace_back(any[i] ? any[i] : "");
}

}  // namespace

std::string Envelope(const std::string& headerBlocks, const std::string& body, const std::string& declarations)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><s:Envelope " + declarations + ">";
    if (!headerBlocks.empty()) text += "<s:Header>" + headerBlocks + "</s:Header>";
    return text + "<s:Body>" + body + "</s:Body></s:Envelope>";
}

std::string ProbeMatch(const std::string& address, const std::string& extra, const std::string& metadataVersion)
{
    return "<d:ProbeMatch><a:EndpointReference><a:Address>" + address +
           "</a:Address></a:EndpointReference><d:Types>x8</d:Types>"
           "<d:Scopes MatchBy=\"rule\">scope:a scope:b</d:Scopes><d:XAddrs>http://127.0.0.1:80/</d:XAddrs>" +
           extra + "<d:MetadataVersion>" + metadataVersion + "</d:MetadataVersion></d:ProbeMatch>";
}

int ServeText(wire::MatchServiceBase& service, const std::string& text)
{
    StringSource source{text};
    service.user = &source;
    service.frecv = ReadFromString;
    int rc = service.ServeOne();
    service.user = nullptr;
    return rc;
}

int RecordingService::ProbeMatches(disc__ProbeMatchesType* m)
{
    wire::SendEmptyResponse(this, 202);  // as the discovery engine's handler does
    peer = wire::PeerAddress(this);
    std::vector<SeenMatch> entries;
    for (auto* pm : m->ProbeMatch) {
        SeenMatch seen;
        Copy(seen, pm->wsa__EndpointReference, pm->Types, pm->Scopes, pm->XAddrs, pm->MetadataVersion, pm->__size,
             pm->__any);
        entries.push_back(seen);
    }
    probeMatches.push_back(entries);
    return handlerResult;
}

int RecordingService::Hello(disc__HelloType* h)
{
    SeenMatch seen;
    Copy(seen, h->wsa__EndpointReference, h->Types, h->Scopes, h->XAddrs, h->MetadataVersion, h->__size, h->__any);
    hellos.push_back(seen);
    return handlerResult;
}

int RecordingService::Bye(disc__ByeType* b)
{
    if (!acceptByes) return MatchServiceBase::Bye(b);
    byes.push_back(b->wsa__EndpointReference.Address ? b->wsa__EndpointReference.Address : "");
    return handlerResult;
}

int LoopbackUdp(int& port)
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

int GroupListener(int port)
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ip_mreq group{};
    group.imr_multiaddr.s_addr = inet_addr("239.255.255.250");
    group.imr_interface.s_addr = inet_addr("127.0.0.1");
    setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group);
    return fd;
}

std::string ReadDatagram(int fd, int millis, sockaddr_in* from)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, millis) <= 0) return {};
    std::string buffer(70000, '\0');
    sockaddr_in sender{};
    socklen_t len = sizeof sender;
    ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&sender), &len);
    if (from) *from = sender;
    buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buffer;
}

void SendDatagramTo(int fd, const std::string& bytes, int port, const char* host)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = inet_addr(host);
    sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

std::string HttpExchange(int port, const std::string& request, int waitMillis)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        pollfd p{fd, POLLIN, 0};
        while (poll(&p, 1, waitMillis) > 0) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            answer.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fd);
    return answer;
}

int FreeTcpPort() { return testports::FreeTcpPort(); }

}  // namespace wiretest

namespace wiretest {

ListenerThread::ListenerThread(wire::MatchServiceBase& service) : m_service(service)
{
    m_thread = std::thread([this] {
        while (!m_stop) {
            if (!wire::IsUdp(&m_service)) {
                // The HTTP loop ends in slices, to notice the stop.
                m_service.ServeConnections(100, 1000, wire::SteadyMillis() + 60000);
                continue;
            }
            if (!soap_valid_socket(wire::Accept(&m_service))) continue;
            int rc = m_service.ServeOne();
            std::lock_guard lock(m_mutex);
            results.push_back(rc);
        }
    });
}

ListenerThread::~ListenerThread()
{
    m_stop = true;
    m_thread.join();
}

std::vector<int> ListenerThread::Results()
{
    std::lock_guard lock(m_mutex);
    return results;
}

}  // namespace wiretest

}  // namespace signseek
