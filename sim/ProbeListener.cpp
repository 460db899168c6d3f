#include "sim/ProbeListener.h"

#include "wire/DiscoveryGroup.h"
#include "wire/EnvelopeReader.h"
#include "wire/ErrorTable.h"
#include "wire/NamespaceTable.h"
#include "wire/Transport.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>

namespace signseek::sim {
namespace {

std::string Copy(const char* text) { return text ? text : ""; }

// Stop requests are noticed within this time (negative: microseconds).
constexpr int kReceiveWaitMicros = 200000;

// Decodes the predefined entities and character references up to U+00FF.
std::string DecodeText(std::string_view raw)
{
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        if (raw[i] != '&') {
            out += raw[i++];
            continue;
        }
        bool done = false;
        for (const auto& [entity, c] : kEntities) {
            if (raw.substr(i, entity.size()) == entity) {
                out += c;
                i += entity.size();
                done = true;
                break;
            }
        }
        if (done) continue;
        auto semicolon = raw.find(';', i);
        if (raw.substr(i, 2) == "&#" && semicolon != std::string_view::npos) {
            const bool hex = raw.substr(i, 3) == "&#x";
            std::string digits(raw.substr(i + (hex ? 3 : 2), semicolon - i - (hex ? 3 : 2)));
            char* end = nullptr;
            unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (!digits.empty() && end && *end == '\0' && code <= 0xFF) {
                out += static_cast<char>(code);
                i = semicolon + 1;
                continue;
            }
        }
        out += raw[i++];
    }
    return out;
}

// A search writes its probe's Types in no namespace, so the decoder, which
// expects the discovery namespace, keeps it as an extension element.
std::string ProbeTypes(const disc__ProbeType& body)
{
    if (body.Types) return body.Types;
    std::string text;
    for (int i = 0; i < body.__size; ++i)
        if (body.__any[i] && UnprefixedElementText(body.__any[i], "Types", text)) return text;
    return {};
}

}  // namespace

bool UnprefixedElementText(std::string_view literal, std::string_view name, std::string& text)
{
    const std::string open = "<" + std::string(name);
    if (!literal.starts_with(open) || literal.size() == open.size()) return false;
    const char after = literal[open.size()];
    if (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\r' && after != '\n') return false;
    auto startEnd = literal.find('>');
    if (startEnd == std::string_view::npos) return false;
    if (literal[startEnd - 1] == '/') {  // <Types/>
        text.clear();
        return true;
    }
    auto close = literal.rfind("</");
    if (close == std::string_view::npos || close < startEnd) return false;
    text = DecodeText(literal.substr(startEnd + 1, close - startEnd - 1));
    return true;
}

int ProbeService::dispatch()
{
    probe.reset();
    if (soap_peek_element(this)) return error;
    const char* action = header ? header->wsa__Action : nullptr;
    const bool isProbe =
        action ? std::strcmp(action, wire::kProbeAction) == 0 : !soap_match_tag(this, tag, "disc:Probe");
    if (!isProbe) return SOAP_OK;
    disc__ProbeType* body = soap_in_disc__ProbeType(this, "disc:Probe", nullptr, nullptr);
    if (!body) return error;
    if (wire::FinishMessage(this)) return error;

    ReceivedProbe p;
    p.sourceHost = wire::PeerAddress(this);
    if (peerlen >= sizeof(sockaddr_in) && peer.addr.sa_family == AF_INET) p.sourcePort = ntohs(peer.in.sin_port);
    if (header) {
        p.messageId = Copy(header->wsa__MessageID);
        if (header->wsa__ReplyTo) p.replyTo = Copy(header->wsa__ReplyTo->Address);
    }
    p.types = ProbeTypes(*body);
    if (body->Scopes) {
        p.hasScopes = true;
        p.scopes = Copy(body->Scopes->__item);
        p.matchBy = Copy(body->Scopes->MatchBy);
    }
    probe = std::move(p);
    return SOAP_OK;
}

ProbeListener::~ProbeListener() { Stop(); }

std::string ProbeListener::Start(const std::string& interfaceAddress, int port, Handler handler, Socket socket)
{
    if (socket == Socket::Unicast) {
        if (!soap_valid_socket(wire::Bind(&m_service, interfaceAddress.c_str(), port, 1))) {
            const wire::FaultDescription f = wire::DescribeError(&m_service);
            return "cannot bind " + interfaceAddress + ":" + std::to_string(port) + ": " + f.detail + ": " + f.reason;
        }
    } else if (std::string failure = wire::ListenToDiscoveryGroup(&m_service, interfaceAddress, port);
               !failure.empty()) {
        return failure;
    }
    m_service.recv_timeout = -kReceiveWaitMicros;
    m_datagrams = std::make_unique<wire::DatagramReceiver>(&m_service);
    m_handler = std::move(handler);
    m_stop = false;
    m_thread = std::thread([this] {
        while (!m_stop) {
            if (!soap_valid_socket(wire::Accept(&m_service))) continue;
            m_service.ServeOne();
            if (m_service.probe) {
                m_handler(*m_service.probe);
                m_service.probe.reset();
            }
        }
    });
    return {};
}

void ProbeListener::Stop()
{
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    m_datagrams.reset();
}

}  // namespace signseek::sim