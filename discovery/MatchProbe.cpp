// The sending side of Match: one Probe per call through the owned proxy.

#include "discovery/Match.h"
#include "discovery/Result.h"
#include "discovery/RunFailure.h"
#include "wire/MessageHeader.h"
#include "wire/NamespaceTable.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <uuid/uuid.h>

namespace signseek {

namespace {

// The Probe's body: the run's types and its scopes, matched by RFC 2396. It
// points into itself and at types, so it stays where it was made.
struct ProbeBody {
    ProbeBody(std::string& types, const std::string& scopeList) : scopesText(scopeList)
    {
        scopes.__item = scopesText.data();
        scopes.MatchBy = const_cast<char*>(wire::kRfc2396MatchBy);
        probe.Types = types.data();
        probe.Scopes = &scopes;
    }
    ProbeBody(const ProbeBody&) = delete;
    ProbeBody& operator=(const ProbeBody&) = delete;

    std::string scopesText;
    disc__ScopesType scopes;
    disc__ProbeType probe;
};

// A fresh message identifier: 36 lower-case characters, no "urn:uuid:" prefix.
// libuuid has no failure status, so unlike other platforms' generators there
// is nothing to refuse here.
std::string NewMessageId()
{
    uuid_t id;
    uuid_generate(id);
    char text[37] = {};
    uuid_unparse_lower(id, text);
    return text;
}

}  // namespace

int Match::SendProbe(int ttl, std::string interfaceAddress) { return Send(ttl, interfaceAddress, true); }

int Match::SendProbeNoReplyTo(int ttl, std::string interfaceAddress) { return Send(ttl, interfaceAddress, false); }

int Match::Send(int ttl, const std::string& interfaceAddress, bool withReplyTo)
{
    if (!m_pProxy) m_pProxy = std::make_unique<wire::ProbeProxy>();
    // Without an adapter address there is no interface to send through and no
    // reply address to name.
    if (interfaceAddress.empty()) {
        m_strFailure = ProbeFailure(interfaceAddress, 0);
        if (m_pObserver) m_pObserver->ProbeSent({m_strRun, m_strTypes, m_strScopes, "", "", m_strFailure});
        return E_FAIL;
    }

    const std::string messageId = NewMessageId();
    wire::SetProbeHeader(m_pProxy.get(), messageId.c_str());
    std::string replyTo;
    if (withReplyTo) {
        replyTo = "http://" + interfaceAddress + ":" + std::to_string(m_nListenPort) + "/Discovery";
        wire::AddReplyTo(m_pProxy.get(), replyTo.c_str());
    }

    ProbeBody body(m_strTypes, m_strScopes);

    const std::string group = std::string(wire::kDiscoveryGroup) + ":" + std::to_string(m_nDiscoveryPort);
    const std::string endpoint = "soap.udp://" + group;
    int result =
        wire::PrepareProbeSocket(m_pProxy.get(), endpoint.c_str(), interfaceAddress.c_str(), ttl, m_sourcePorts);
    std::string failure;
    if (result == SOAP_OK && !withReplyTo) {
        // Devices answer a probe without ReplyTo at its source port: the
        // listener binds there before the probe goes, since an answer can come
        // at once; the probe's socket stays open until the Match ends.
        m_nListenPort = GetLocalPort();
        if (Bind() < 0) failure = m_strFailure;
    }
    if (result == SOAP_OK && failure.empty()) result = wire::SendPreparedProbe(m_pProxy.get(), body.probe);
    m_nListenPort = GetLocalPort();
    if (result != SOAP_OK) failure = ProbeFailure(interfaceAddress, m_pProxy->errnum, ttl, m_nDiscoveryPort);
    if (!failure.empty()) m_strFailure = failure;
    if (m_pObserver) m_pObserver->ProbeSent({m_strRun, m_strTypes, m_strScopes, group, replyTo, failure});
    // A refused multicast option comes back as a positive SOAP code, which
    // callers testing for negative values would take for a probe sent.
    return result > 0 || !failure.empty() ? E_FAIL : result;
}

int Match::SendProbeToTarget(const std::string& target, const std::string& replyTo, int fromSocket)
{
    if (!m_pTargetProxy) m_pTargetProxy = std::make_unique<wire::ProbeProxy>();
    const std::string messageId = NewMessageId();
    wire::SetProbeHeader(m_pTargetProxy.get(), messageId.c_str());
    if (!replyTo.empty()) wire::AddReplyTo(m_pTargetProxy.get(), replyTo.c_str());

    ProbeBody body(m_strTypes, m_strScopes);

    const std::string to = target + ":" + std::to_string(m_nDiscoveryPort);
    const std::string endpoint = "soap.udp://" + to;
    const int result = wire::SendProbeTo(m_pTargetProxy.get(), endpoint.c_str(), body.probe, fromSocket);
    const std::string failure = result == SOAP_OK ? std::string() : ProbeFailure(target, m_pTargetProxy->errnum);
    if (m_pObserver) m_pObserver->ProbeSent({m_strRun, m_strTypes, m_strScopes, to, replyTo, failure});
    return result;
}

std::uint16_t Match::GetLocalPort() const
{
    constexpr std::uint16_t kUnknown = 65535;
    if (!m_pProxy || !soap_valid_socket(m_pProxy->socket)) return kUnknown;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(m_pProxy->socket, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        local.sin_family != AF_INET || length != sizeof local)
        return kUnknown;
    return ntohs(local.sin_port);
}

}  // namespace signseek
