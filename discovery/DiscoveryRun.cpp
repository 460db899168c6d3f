#include "discovery/DiscoveryRun.h"

#include "common/BridgePorts.h"
#include "discovery/DirectedProbes.h"
#include "discovery/Match.h"
#include "discovery/ResultArray.h"

#include <iterator>
#include <new>
#include <system_error>
#include <thread>

namespace signseek {

// A run's sockets live exactly as long as its Match.

namespace {

const std::string kControllerScope = std::string(VENDOR_URI_ROOT) + CONTROLLER_PROBE_SCOPE_PATH;
const std::string kBridgeScope = std::string(VENDOR_URI_ROOT) + BRIDGE_PROBE_SCOPE_PATH;

void Configure(Match& match, const DiscoveryRequest& request, const char* run)
{
    match.m_strRun = run;
    match.m_pObserver = request.pObserver;
    match.m_onRecord = request.onRecord;
    match.m_pStop = request.pStop;
    match.m_strInterface = request.interfaceAddress;
    // A zero time-out would let a listener wait for ever.
    match.accept_timeout = UsableTimeout(request.values.discoveryTimeout);
    match.recv_timeout = UsableTimeout(request.values.receiveTimeout);
    // The settings may hold any integer; the window has always used the low 16 bits.
    match.m_nDiscoveryPort = static_cast<std::uint16_t>(request.values.discoveryPort & 0xFFFF);
    match.m_nListenPort = request.listenPort;
}

RunResult Failed(std::string failure)
{
    RunResult result;
    result.failed = true;
    result.failure = std::move(failure);
    return result;
}

RunResult Failed(const Match& match)
{
    return Failed(match.Failure().empty() ? "the search could not run" : match.Failure());
}

RunResult Collect(Match& match, std::size_t adapter = 0)
{
    RunResult result;
    result.limitReached = match.RecordLimitReached(adapter);
    // One listener serves every adapter: its count goes with the first.
    if (adapter == 0) result.shedConnections = match.ShedConnections();
    result.records = match.TakeDevices(adapter);
    return result;
}

// The device run's two probes through one adapter; false when the second,
// the one every device answers, could not be sent.
bool SendDeviceProbes(Match& match, const DiscoveryRequest& request, const std::string& adapter)
{
    match.m_nListenPort = request.listenPort;
    match.m_strTypes = CONTROLLER_PROBE_TYPES;
    match.m_strScopes = kControllerScope;
    match.SendProbe(request.values.ttl, adapter);  // the root-scope probe covers these too

    // Each send leaves its source port behind; the ReplyTo must name the reply port.
    match.m_nListenPort = request.listenPort;
    match.m_strTypes = request.probeTypes ? request.probeTypes : "";
    match.m_strScopes = request.probeScopes ? request.probeScopes : "";
    return match.SendProbe(request.values.ttl, adapter) >= 0;
}

// With targets: the directed probes, sent while the listener serves, which
// then takes answers on every local address (a target's route may leave
// through another one than the adapter's).
std::unique_ptr<DirectedSweep> PrepareDirected(Match& match, const DiscoveryRequest& request, RunKind kind)
{
    if (request.targets.empty()) return nullptr;
    match.m_strListenHost = "0.0.0.0";
    return std::make_unique<DirectedSweep>(match, request, kind);
}

bool Multicasts(const DiscoveryRequest& request)
{
    return request.targets.empty() || !request.interfaceAddress.empty();
}

RunResult RunDevices(const DiscoveryRequest& request)
{
    Match match;
    Configure(match, request, "devices");
    const auto sweep = PrepareDirected(match, request, RunKind::Devices);
    // Listening before the probes go: a device may answer at once.
    if (match.Bind() < 0) return Failed(match);

    if (Multicasts(request) && !SendDeviceProbes(match, request, request.interfaceAddress) && request.targets.empty())
        return Failed(match);

    match.m_nListenPort = request.listenPort;
    if (match.Listen() < 0) return Failed(match);
    return Collect(match);
}

RunResult RunBridges(const DiscoveryRequest& request)
{
    Match match(wire::TransportMode::Udp);
    Configure(match, request, "bridges");
    // Answers come to the probe's source port: one the firewall exception opens.
    match.m_sourcePorts = BridgeSourcePorts(match.m_nDiscoveryPort);
    match.m_strTypes = BRIDGE_PROBE_TYPES;
    match.m_strScopes = kBridgeScope;
    const auto sweep = PrepareDirected(match, request, RunKind::Bridges);

    // A failed probe still listens: the run then normally finds nothing.
    bool probeSent = true;
    if (Multicasts(request))
        probeSent =
            match.SendProbeNoReplyTo(request.values.ttl, request.interfaceAddress) >= 0 || !request.targets.empty();
    else
        match.m_nListenPort = 0;  // only directed probes, sent from wherever the listener binds
    const std::string probeFailure = match.Failure();
    if (match.Listen() < 0) return Failed(match);
    RunResult result = Collect(match);
    if (!probeSent) result.failure = probeFailure.empty() ? "the search could not run" : probeFailure;
    return result;
}

std::vector<RunResult> RunDevicesOnAdapters(const DiscoveryRequest& request, const std::vector<std::string>& adapters)
{
    Match match;
    Configure(match, request, "devices");
    match.m_strInterface = "0.0.0.0";  // the listener takes the answers to every adapter's ReplyTo
    match.ShareAmong(adapters);
    if (match.Bind() < 0) return std::vector<RunResult>(adapters.size(), Failed(match));
    std::vector<std::string> probeFailures(adapters.size());
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        if (!SendDeviceProbes(match, request, adapters[i]))
            probeFailures[i] = match.Failure().empty() ? "the search could not run" : match.Failure();
    }
    match.m_nListenPort = request.listenPort;
    if (match.Listen() < 0) return std::vector<RunResult>(adapters.size(), Failed(match));
    std::vector<RunResult> results;
    for (std::size_t i = 0; i < adapters.size(); ++i)
        // An adapter whose probe could not go out fails as a run of its own would.
        results.push_back(probeFailures[i].empty() ? Collect(match, i) : Failed(probeFailures[i]));
    return results;
}

std::vector<RunResult> RunBridgesOnAdapters(const DiscoveryRequest& request, const std::vector<std::string>& adapters)
{
    std::vector<RunResult> results(adapters.size());
    std::vector<std::thread> threads;
    auto joinAll = [&threads] {
        for (std::thread& thread : threads) thread.join();
    };
    try {
        threads.reserve(adapters.size());
        for (std::size_t i = 0; i < adapters.size(); ++i) {
            threads.emplace_back([&, i] {
                DiscoveryRequest one = request;
                one.interfaceAddress = adapters[i];
                results[i] = RunDiscovery(RunKind::Bridges, one);
            });
        }
    } catch (...) {
        joinAll();  // the runs already going must end before their results do
        throw;
    }
    joinAll();
    return results;
}

std::unique_ptr<DeviceRecord[]> AsArray(const RunResult& result, const DiscoveryRequest& request)
{
    if (result.failed) return nullptr;
    std::unique_ptr<DeviceRecord[]> records = MakeRecordArray(result.records);
    // The count is written only with an array to go with it.
    if (records && request.pCount) *request.pCount = static_cast<unsigned int>(result.records.size());
    return records;
}

}  // namespace

RunResult RunDiscovery(RunKind kind, const DiscoveryRequest& request)
{
    try {
        return kind == RunKind::Devices ? RunDevices(request) : RunBridges(request);
    } catch (const std::bad_alloc&) {
        return Failed("out of memory");
    }
}

std::vector<RunResult> RunDiscoveryOnAdapters(RunKind kind, const DiscoveryRequest& request,
                                              const std::vector<std::string>& adapters)
{
    try {
        return kind == RunKind::Devices ? RunDevicesOnAdapters(request, adapters)
                                        : RunBridgesOnAdapters(request, adapters);
    } catch (const std::bad_alloc&) {
        return std::vector<RunResult>(adapters.size(), Failed("out of memory"));
    } catch (const std::system_error&) {
        return std::vector<RunResult>(adapters.size(), Failed("cannot start a thread for each adapter"));
    }
}

RunResult JoinAdapterResults(std::vector<RunResult> each, const std::vector<std::string>& adapters)
{
    RunResult all;
    all.failed = !each.empty();
    for (std::size_t i = 0; i < each.size(); ++i) {
        all.failed = all.failed && each[i].failed;
        all.limitReached = all.limitReached || each[i].limitReached;
        all.shedConnections += each[i].shedConnections;
        if (!each[i].failure.empty()) {
            const std::string adapter = i < adapters.size() ? adapters[i] : std::string("?");
            all.failure += (all.failure.empty() ? "" : "; ") + adapter + ": " + each[i].failure;
        }
        all.records.insert(all.records.end(), std::make_move_iterator(each[i].records.begin()),
                           std::make_move_iterator(each[i].records.end()));
    }
    return all;
}

std::unique_ptr<DeviceRecord[]> DiscoverDevices(DiscoveryRequest request)
{
    return AsArray(RunDiscovery(RunKind::Devices, request), request);
}

std::unique_ptr<DeviceRecord[]> DiscoverBridges(DiscoveryRequest request)
{
    return AsArray(RunDiscovery(RunKind::Bridges, request), request);
}

}  // namespace signseek
