#include "sim/AnswerMessages.h"

#include "wire/Envelope.h"
#include "wire/NamespaceTable.h"
#include "wire/Transport.h"

#include "soapH.h"

#include <poll.h>
#include <sys/socket.h>
#include <uuid/uuid.h>

namespace signseek::sim {
namespace {

// Announcements stay on the link they were made on.
constexpr int kAnnouncementTtl = 1;

std::string NewMessageId()
{
    uuid_t id;
    uuid_generate(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return std::string("urn:uuid:") + text;
}

void WriteMatch(wire::XmlWriter& w, const char* element, const Device& d)
{
    w.StartElement(element);
    w.StartElement("g:EndpointReference");
    w.TextElement("g:Address", d.address);
    w.EndElement("g:EndpointReference");
    if (!d.types.empty()) w.TextElement("h:Types", d.types);
    if (!d.scopes.empty()) w.TextElement("h:Scopes", d.scopes);
    if (!d.xAddrs.empty()) w.TextElement("h:XAddrs", d.xAddrs);
    w.TextElement("h:MetadataVersion", std::to_string(d.metadataVersion));
    // Unprefixed and without attributes: the only form a search reads.
    for (const auto& [name, text] : d.extensions) w.TextElement(name, text);
    w.EndElement(element);
}

void WriteBody(wire::XmlWriter& w, MessageKind kind, const Device& d)
{
    if (kind == MessageKind::Bye) {
        w.StartElement("h:Bye");
        w.StartElement("g:EndpointReference");
        w.TextElement("g:Address", d.address);
        w.EndElement("g:EndpointReference");
        w.EndElement("h:Bye");
        return;
    }
    if (kind == MessageKind::Hello) {
        WriteMatch(w, "h:Hello", d);
        return;
    }
    w.StartElement("h:ProbeMatches");
    WriteMatch(w, "h:ProbeMatch", d);
    w.EndElement("h:ProbeMatches");
}

// A sending context that cleans up after itself.
class OutgoingContext {
public:
    OutgoingContext() : m_ctx(soap_new())
    {
        if (!m_ctx) return;
        wire::PrepareContext(m_ctx, wire::TransportMode::Tcp);
        m_ctx->connect_timeout = 2;
        m_ctx->send_timeout = 2;
    }
    ~OutgoingContext()
    {
        if (!m_ctx) return;
        if (soap_valid_socket(m_ctx->socket)) m_ctx->fclosesocket(m_ctx, m_ctx->socket);
        m_ctx->socket = SOAP_INVALID_SOCKET;
        m_ctx->header = nullptr;
        soap_destroy(m_ctx);
        soap_end(m_ctx);
        soap_free(m_ctx);
    }
    OutgoingContext(const OutgoingContext&) = delete;
    OutgoingContext& operator=(const OutgoingContext&) = delete;
    soap* get() const { return m_ctx; }

private:
    soap* m_ctx;
};

int SetHeader(soap* ctx, MessageKind kind, const std::string& relatesTo, Sequence sequence)
{
    auto* h = soap_new_SOAP_ENV__Header(ctx);
    if (!h) return SOAP_EOM;
    soap_default_SOAP_ENV__Header(ctx, h);
    h->AppSequence.soap_default(ctx);
    h->AppSequence.InstanceId = sequence.instanceId;
    h->AppSequence.MessageNumber = sequence.messageNumber;
    h->wsa__MessageID = soap_strdup(ctx, NewMessageId().c_str());
    if (kind == MessageKind::ProbeMatches) {
        if (!relatesTo.empty()) {
            auto* r = soap_new_wsa__Relationship(ctx);
            if (!r) return SOAP_EOM;
            soap_default_wsa__Relationship(ctx, r);
            r->__item = soap_strdup(ctx, relatesTo.c_str());
            h->wsa__RelatesTo = r;
        }
        h->wsa__To = soap_strdup(ctx, wire::kAnonymousUri);
        h->wsa__Action = soap_strdup(ctx, wire::kProbeMatchesAction);
    } else {
        h->wsa__To = soap_strdup(ctx, wire::kDiscoveryTo);
        h->wsa__Action = soap_strdup(ctx, kind == MessageKind::Bye ? wire::kByeAction : wire::kHelloAction);
    }
    ctx->header = h;
    return SOAP_OK;
}

// The first line of the HTTP answer, without its line end.
std::string ReadStatusLine(int fd, int waitMillis)
{
    std::string received;
    char buffer[512];
    pollfd p{fd, POLLIN, 0};
    while (received.find("\r\n") == std::string::npos && received.size() < 4096) {
        if (poll(&p, 1, waitMillis) <= 0) break;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        received.append(buffer, static_cast<size_t>(n));
    }
    return received.substr(0, received.find("\r\n"));
}

}  // namespace

Destination AnswerDestination(const std::string& replyTo, const std::string& sourceHost, int sourcePort)
{
    if (!replyTo.empty() && replyTo != wire::kAnonymousUri &&
        (replyTo.rfind("http://", 0) == 0 || replyTo.rfind("soap.udp://", 0) == 0))
        return {replyTo, {}, {}};
    if (sourceHost.empty() || sourcePort <= 0) return {};
    return {"soap.udp://" + sourceHost + ":" + std::to_string(sourcePort), {}, {}};
}

Destination GroupDestination(int port, const std::string& interfaceAddress)
{
    return {"soap.udp://" + std::string(wire::kDiscoveryGroup) + ":" + std::to_string(port), interfaceAddress, {}};
}

AnswerSent SendDeviceMessage(MessageKind kind, const Device& device, const Destination& to,
                             const std::string& relatesTo, Sequence sequence, int statusWaitMillis)
{
    AnswerSent sent;
    sent.device = device.address;
    sent.kind = kind == MessageKind::Hello ? "Hello" : kind == MessageKind::Bye ? "Bye" : "ProbeMatches";
    sent.destination = to.endpoint;
    sent.relatesTo = relatesTo;
    OutgoingContext ctx;
    if (!ctx.get()) {
        sent.result = SOAP_EOM;
        return sent;
    }
    const char* action = kind == MessageKind::Hello ? wire::kHelloAction
                         : kind == MessageKind::Bye ? wire::kByeAction
                                                    : wire::kProbeMatchesAction;
    if (!to.source.empty()) ctx.get()->client_addr = to.source.c_str();
    sent.result = SetHeader(ctx.get(), kind, relatesTo, sequence);
    if (!sent.result) sent.result = wire::Connect(ctx.get(), to.endpoint.c_str(), action);
    if (!sent.result && !to.multicastInterface.empty())
        sent.result = wire::SetMulticastOptions(ctx.get(), to.multicastInterface.c_str(), kAnnouncementTtl);
    if (!sent.result)
        sent.result = wire::SendMessage(ctx.get(), [&](wire::XmlWriter& w) { WriteBody(w, kind, device); });
    if (!sent.result && to.http()) sent.status = ReadStatusLine(ctx.get()->socket, statusWaitMillis);
    return sent;
}

}  // namespace signseek::sim