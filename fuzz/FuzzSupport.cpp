#include "fuzz/FuzzSupport.h"

#include "discovery/DeviceCollector.h"
#include "discovery/DeviceRecord.h"
#include "present/WebPageAddress.h"
#include "wire/EnvelopeReader.h"
#include "wire/HttpExchange.h"
#include "wire/WireState.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace signseek::fuzz {
namespace {

volatile std::size_t g_sink;

void Text(const char* s)
{
    if (s) Consume(s);
}

void Any(int size, char** any)
{
    if (size < 0 || (size > 0 && !any)) std::abort();  // a count the array cannot back
    for (int i = 0; i < size; ++i) Text(any[i]);
}

void Endpoint(const wsa__EndpointReferenceType* e)
{
    if (!e) return;
    Text(e->Address);
    if (e->ReferenceProperties) Any(e->ReferenceProperties->__size, e->ReferenceProperties->__any);
    if (e->ReferenceParameters) Any(e->ReferenceParameters->__size, e->ReferenceParameters->__any);
    Text(e->PortType);
    if (e->ServiceName) {
        Text(e->ServiceName->__item);
        Text(e->ServiceName->PortName);
    }
    Any(e->__size, e->__any);
}

void Scopes(const disc__ScopesType* s)
{
    if (!s) return;
    Text(s->__mixed);
    Text(s->__item);
    Text(s->MatchBy);
}

void Header(const SOAP_ENV__Header* h)
{
    if (!h) return;
    Text(h->wsa__MessageID);
    if (h->wsa__RelatesTo) {
        Text(h->wsa__RelatesTo->__item);
        Text(h->wsa__RelatesTo->RelationshipType);
    }
    Endpoint(h->wsa__From);
    Endpoint(h->wsa__ReplyTo);
    Endpoint(h->wsa__FaultTo);
    Text(h->wsa__To);
    Text(h->wsa__Action);
    Text(h->AppSequence.SequenceId);
    g_sink = g_sink + h->AppSequence.InstanceId + h->AppSequence.MessageNumber;
}

std::string Str(const char* s) { return s ? s : ""; }

// The decoded match as the discovery core gets it, through the functions that
// read device text, and into a collector shared by the input's messages.
template <typename Match> void Record(DeviceCollector& collector, const Match& m, const std::string& source)
{
    DeviceRecord r;
    r.address = Str(m.wsa__EndpointReference.Address);
    r.types = Str(m.Types);
    if (m.Scopes) {
        r.scopes = Str(m.Scopes->__item);
        r.matchBy = Str(m.Scopes->MatchBy);
    }
    r.xAddrs = Str(m.XAddrs);
    r.metadataVersion = m.MetadataVersion;
    for (int i = 0; i < m.__size; ++i) r.metadata.push_back(Str(m.__any[i]));
    r.sourceAddress = source;
    Consume(r.GetMetadataValue(META_SERVICES));
    Consume(r.GetDescription());
    Consume(r.GetMac());
    Consume(r.GetDhcpName());
    Consume(r.GetDiscoveryVersion());
    g_sink = g_sink + static_cast<std::size_t>(r.GetHeight()) + static_cast<std::size_t>(r.GetWidth()) +
             r.IsVideoProcessor() + r.IsMediaPlayer() + r.IsBridge() + r.IsPreviousGenerationController() +
             r.HasHomeScope();
    if (auto page = BuildWebPageAddress(r)) {
        if (!IsSafeWebPageAddress(*page)) std::abort();  // would reach the browser launcher
        Consume(*page);
    }
    collector.HandleMatch(std::move(r));
}

template <typename Match> void Match(const Match* m)
{
    if (!m) return;
    Text(m->__mixed);
    Endpoint(&m->wsa__EndpointReference);
    Text(m->Types);
    Scopes(m->Scopes);
    Text(m->XAddrs);
    g_sink = g_sink + m->MetadataVersion;
    Any(m->__size, m->__any);
}

// SIGNSEEK_FUZZ_VERBOSE=1 tells what each message of a reproducer did.
bool Verbose()
{
    static const bool verbose = std::getenv("SIGNSEEK_FUZZ_VERBOSE") != nullptr;
    return verbose;
}

void Say(const char* what, std::size_t count)
{
    if (Verbose()) std::fprintf(stderr, "  %s (%zu)\n", what, count);
}

// Collects the devices of one fuzz input; reset by ServeInput.
DeviceCollector* g_collector;

int Discard(soap*, const char* data, size_t length)
{
    if (Verbose()) std::fprintf(stderr, "  sent: %.*s\n", static_cast<int>(std::min<size_t>(length, 300)), data);
    Consume(std::string_view(data, length));
    return SOAP_OK;
}

}  // namespace

void Consume(std::string_view text)
{
    std::size_t h = g_sink;
    for (unsigned char c : text) h = h * 31 + c;
    g_sink = h;
}

FuzzService::FuzzService(wire::TransportMode mode) : MatchServiceBase(mode)
{
    m_sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (m_sink < 0) std::abort();
    user = this;
    frecv = Read;
    fsend = Discard;
    recv_timeout = 0;
    send_timeout = 0;
    connect_timeout = 0;
}

FuzzService::~FuzzService()
{
    if (m_sink >= 0) ::close(m_sink);
}

size_t FuzzService::Read(soap* ctx, char* buffer, size_t length)
{
    auto* self = static_cast<FuzzService*>(ctx->user);
    std::size_t n = std::min(length, self->m_input.size() - self->m_offset);
    std::memcpy(buffer, self->m_input.data() + self->m_offset, n);
    self->m_offset += n;
    return n;
}

int FuzzService::Serve(std::string_view message)
{
    m_input = message;
    m_offset = 0;
    // A writable descriptor stands in for the connection: the fault rules
    // poll it, and every byte sent goes to Discard.
    socket = ::dup(m_sink);
    if (!soap_valid_socket(socket)) std::abort();
    int rc = ServeOne();
    if (soap_valid_socket(socket)) ::close(socket);  // a UDP exchange leaves its socket open
    socket = SOAP_INVALID_SOCKET;
    return rc;
}

int FuzzService::ServeCollectedRequest(const wire::HttpRequestFramer& framer)
{
    m_input = framer.Request();  // what the listener would replay
    m_offset = 0;
    socket = ::dup(m_sink);
    if (!soap_valid_socket(socket)) std::abort();
    int rc = ServeCollected(framer);
    if (soap_valid_socket(socket)) ::close(socket);
    socket = SOAP_INVALID_SOCKET;
    return rc;
}

void FuzzService::ResetForInput()
{
    wire::WireState& state = wire::StateOf(this);
    state = wire::WireState{};
    state.addressing = true;
}

int FuzzService::ProbeMatches(disc__ProbeMatchesType* m)
{
    Say("ProbeMatches", m->ProbeMatch.size());
    wire::SendEmptyResponse(this, 202);  // as the discovery engine's handler answers
    Header(header);
    Text(m->__mixed);
    for (const auto* pm : m->ProbeMatch) {
        Match(pm);
        if (pm && g_collector) Record(*g_collector, *pm, "192.0.2.1");
    }
    Any(m->__size, m->__any);
    return SOAP_OK;
}

int FuzzService::ResolveMatches(disc__ResolveMatchesType* m)
{
    Say("ResolveMatches", m->ResolveMatch ? 1 : 0);
    Header(header);
    Text(m->__mixed);
    Match(m->ResolveMatch);
    Any(m->__size, m->__any);
    return SOAP_OK;
}

int FuzzService::Hello(disc__HelloType* h)
{
    Say("Hello", 1);
    Header(header);
    Match(h);
    if (g_collector) Record(*g_collector, *h, "");
    return SOAP_OK;
}

namespace {

FuzzService& ServiceFor(wire::TransportMode mode)
{
    static FuzzService* services[2];
    FuzzService*& service = services[mode == wire::TransportMode::Udp ? 0 : 1];
    if (!service) {
        service = new FuzzService(mode);  // lives for the whole campaign
        if (wire::EnableAddressing(service)) std::abort();
    }
    service->ResetForInput();
    return *service;
}

}  // namespace

void ServeInput(wire::TransportMode mode, const std::uint8_t* data, std::size_t size)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    DeviceCollector collector;
    g_collector = &collector;
    FuzzService& service = ServiceFor(mode);
    for (int i = 0; i < kMaxMessages; ++i) {
        std::size_t end = i + 1 < kMaxMessages ? rest.find(kMessageSeparator) : std::string_view::npos;
        int rc = service.Serve(rest.substr(0, end));
        if (Verbose()) std::fprintf(stderr, "message %d: result %d\n", i + 1, rc);
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + kMessageSeparator.size());
    }
    for (const DeviceRecord& d : collector.Devices()) Consume(d.xAddrs);
    Say("devices collected", collector.Devices().size());
    g_collector = nullptr;
}

void ServeConnectionInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return;
    const std::size_t piece = 1 + static_cast<std::size_t>(data[0] % 64) * 97;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    wire::HttpRequestFramer framer;
    while (!rest.empty() && !framer.Complete() && !framer.Refused()) {
        const std::string_view part = rest.substr(0, piece);
        if (framer.Feed(part) > part.size()) std::abort();
        rest.remove_prefix(part.size());
        framer.TakeContinue();
    }
    if (rest.empty()) framer.EndOfInput();
    // The limits hold whatever came.
    // A refused body holds at most the one byte past the limit that refused it.
    if (framer.Body().size() > wire::kMaxHttpBody + (framer.Refused() ? 1 : 0)) std::abort();
    if (framer.Request().size() > wire::kMaxHttpRequestBytes + wire::kMaxHttpHeaderLine + 2) std::abort();
    if (framer.Refused() && framer.RefusalCode() == 0) std::abort();
    if (!framer.Complete() && !framer.Refused()) return;  // the deadline would close it quietly

    DeviceCollector collector;
    g_collector = &collector;
    int rc = ServiceFor(wire::TransportMode::Tcp).ServeCollectedRequest(framer);
    if (Verbose()) std::fprintf(stderr, "request: result %d, %zu devices\n", rc, collector.Devices().size());
    g_collector = nullptr;
}

}  // namespace signseek::fuzz
