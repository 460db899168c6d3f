#include "discovery/DirectedProbes.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

namespace signseek {

namespace {

const std::string kControllerScope = std::string(VENDOR_URI_ROOT) + CONTROLLER_PROBE_SCOPE_PATH;
const std::string kBridgeScope = std::string(VENDOR_URI_ROOT) + BRIDGE_PROBE_SCOPE_PATH;

// Probe n goes out n/rate seconds after the first; a stop cuts the wait short.
class Pacer {
public:
    Pacer(int rate, const std::atomic<bool>* stop, const std::atomic<bool>& cancel)
        : m_interval(std::chrono::nanoseconds(1'000'000'000LL / std::clamp(rate, 1, kMaxProbeRate))), m_stop(stop),
          m_cancel(cancel)
    {}

    // False when the run was stopped.
    bool Next()
    {
        constexpr auto kSlice = std::chrono::milliseconds(50);
        const auto due = m_start + m_interval * m_sent;
        for (auto now = Clock::now(); now < due; now = Clock::now()) {
            if (Stopped()) return false;
            std::this_thread::sleep_for(std::min<Clock::duration>(due - now, kSlice));
        }
        ++m_sent;
        return !Stopped();
    }

private:
    using Clock = std::chrono::steady_clock;
    bool Stopped() const { return (m_stop && m_stop->load()) || m_cancel.load(); }

    const Clock::duration m_interval;
    const std::atomic<bool>* m_stop;
    const std::atomic<bool>& m_cancel;
    const Clock::time_point m_start = Clock::now();
    long long m_sent = 0;
};

// Sends kind's probes to every target of the request at request.probeRate a
// second (the device run's two count as two), telling `inFlight` of each.
// Stops early when the request's stop or `cancel` turns true.
// listenerSocket: the bridge run's listener, which its probes leave from so
// that the answers come back to it.
void SendDirectedProbes(Match& match, const DiscoveryRequest& request, RunKind kind, int listenerSocket,
                        wire::ProbesInFlight& inFlight, const std::atomic<bool>& cancel)
{
    Pacer pacer(request.probeRate, request.pStop, cancel);
    const auto sent = [&inFlight] { inFlight.lastSentMillis = wire::SteadyMillis(); };
    const RouteSourceFunction& routeSource = request.routeSource ? request.routeSource : LocalAddressTowards;
    for (const std::string& target : request.targets) {
        if (kind == RunKind::Bridges) {
            match.m_strTypes = BRIDGE_PROBE_TYPES;
            match.m_strScopes = kBridgeScope;
            if (!pacer.Next()) return;
            match.SendProbeToTarget(target, "", listenerSocket);
            sent();
            continue;
        }
        // The answers come to the address the route to the target leaves from,
        // which need not be the chosen adapter's.
        const std::string local = routeSource(target);
        const std::string replyTo =
            local.empty() ? std::string() : "http://" + local + ":" + std::to_string(request.listenPort) + "/Discovery";
        const std::pair<std::string, std::string> probes[] = {
            {CONTROLLER_PROBE_TYPES, kControllerScope},
            {request.probeTypes ? request.probeTypes : "", request.probeScopes ? request.probeScopes : ""}};
        for (const auto& [types, scopes] : probes) {
            match.m_strTypes = types;
            match.m_strScopes = scopes;
            if (!pacer.Next()) return;
            if (replyTo.empty()) {
                if (match.m_pObserver)
                    match.m_pObserver->ProbeSent({match.m_strRun, types, scopes, target, "", "no route to " + target});
                continue;
            }
            match.SendProbeToTarget(target, replyTo, -1);
            sent();
        }
    }
}

}  // namespace

DirectedSweep::DirectedSweep(Match& match, const DiscoveryRequest& request, RunKind kind)
    : m_match(match), m_request(request), m_kind(kind)
{
    match.m_inFlight = &m_inFlight;
    match.m_onBound = [this](int listener) { Start(listener); };
}

DirectedSweep::~DirectedSweep()
{
    m_cancel = true;
    if (m_thread.joinable()) m_thread.join();
    m_match.m_inFlight = nullptr;
    m_match.m_onBound = nullptr;
}

void DirectedSweep::Start(int listenerSocket)
{
    // Known before the first answer can come.
    m_match.m_directedTargets.insert(m_request.targets.begin(), m_request.targets.end());
    const auto sweep = [this, listenerSocket] {
        SendDirectedProbes(m_match, m_request, m_kind, listenerSocket, m_inFlight, m_cancel);
        m_inFlight.sending = false;
    };
    try {
        m_thread = std::thread(sweep);
    } catch (const std::system_error&) {
        // Without a thread of their own the probes go out before anything is served.
        sweep();
    }
}

}  // namespace signseek
