#include "discovery/DiscoveryRun.h"

#include "discovery/Match.h"
#include "discovery/ResultArray.h"
#include "settings/DiscoverySettings.h"

#include <new>

// A run's sockets live exactly as long as its Match.

namespace {

const std::string kControllerScope = std::string(VENDOR_URI_ROOT) + CONTROLLER_PROBE_SCOPE_PATH;
const std::string kBridgeScope = std::string(VENDOR_URI_ROOT) + BRIDGE_PROBE_SCOPE_PATH;

void Configure(Match& match, const DiscoveryRequest& request, const char* run)
{
    match.m_strRun = run;
    match.m_pObserver = request.pObserver;
    match.m_strInterface = request.interfaceAddress;
    // A zero time-out would let a listener wait for ever.
    match.accept_timeout = UsableTimeout(request.values.discoveryTimeout);
    match.recv_timeout = UsableTimeout(request.values.receiveTimeout);
    // The settings may hold any integer; the window has always used the low 16 bits.
    match.m_nDiscoveryPort = static_cast<std::uint16_t>(request.values.discoveryPort & 0xFFFF);
    match.m_nListenPort = request.listenPort;
}

std::unique_ptr<DeviceRecord[]> Collect(const Match& match, const DiscoveryRequest& request)
{
    ResultArray result = MakeResultArray(match.Devices());
    // The count is written only with an array to go with it.
    if (result.records && request.pCount)
        *request.pCount = static_cast<unsigned int>(result.count);
    if (!result.records && request.pFailure)
        *request.pFailure = "out of memory";
    if (result.records && request.pLimitReached)
        *request.pLimitReached = match.RecordLimitReached();
    return std::move(result.records);
}

void ReportFailure(const Match& match, const DiscoveryRequest& request)
{
    if (request.pFailure)
        *request.pFailure = match.Failure().empty() ? "the search could not run" : match.Failure();
}

}  // namespace

std::unique_ptr<DeviceRecord[]> DiscoverDevices(DiscoveryRequest request)
{
    try {
        Match match;
        Configure(match, request, "devices");

        match.m_strTypes = CONTROLLER_PROBE_TYPES;
        match.m_strScopes = kControllerScope;
        match.SendProbe(request.values.ttl, request.interfaceAddress);  // the root-scope probe covers these too

        // Each send leaves its source port behind; the ReplyTo must name the reply port.
        match.m_nListenPort = request.listenPort;
        match.m_strTypes = request.probeTypes ? request.probeTypes : "";
        match.m_strScopes = request.probeScopes ? request.probeScopes : "";
        if (match.SendProbe(request.values.ttl, request.interfaceAddress) < 0) {
            ReportFailure(match, request);
            return nullptr;
        }

        match.m_nListenPort = request.listenPort;
        if (match.Listen() < 0) {
            ReportFailure(match, request);
            return nullptr;
        }
        return Collect(match, request);
    } catch (const std::bad_alloc&) {
        if (request.pFailure)
            *request.pFailure = "out of memory";
        return nullptr;
    }
}

std::unique_ptr<DeviceRecord[]> DiscoverBridges(DiscoveryRequest request)
{
    try {
        Match match(wire::TransportMode::Udp);
        Configure(match, request, "bridges");
        match.m_strTypes = BRIDGE_PROBE_TYPES;
        match.m_strScopes = kBridgeScope;

        // A failed probe still listens: the run then normally finds nothing.
        const bool probeSent = match.SendProbeNoReplyTo(request.values.ttl, request.interfaceAddress) >= 0;
        if (match.Listen() < 0) {
            ReportFailure(match, request);
            return nullptr;
        }
        if (!probeSent)
            ReportFailure(match, request);
        return Collect(match, request);
    } catch (const std::bad_alloc&) {
        if (request.pFailure)
            *request.pFailure = "out of memory";
        return nullptr;
    }
}

DiscoveryRequest RequestFromSettings(std::string interfaceAddress, unsigned int* pCount)
{
    DiscoveryRequest request;
    request.listenPort = REPLY_PORT;
    request.values = PublishedSettings();
    request.probeScopes = VENDOR_URI_ROOT;
    request.probeTypes = "";
    request.pCount = pCount;
    request.interfaceAddress = std::move(interfaceAddress);
    return request;
}
