#pragma once
// One search: the device run and the bridge run side by side, on one adapter
// or on several at once, each on a thread the search owns. The command line,
// the watch and the window all search through it; what they do with what it
// finds is theirs.

#include "common/DiscoveryValues.h"
#include "common/VendorConstants.h"
#include "discovery/DeviceRecord.h"
#include "discovery/DiscoveryRun.h"
#include "discovery/RunObserver.h"
#include "discovery/RunResult.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace signseek {

// "devices" or "bridges".
const char* RunKindName(RunKind kind);

// How one run of a search is done on its adapters (adapters empty: the
// request's own interfaceAddress). The engine's own unless a caller (a test)
// gives another.
using SearchRunFunction =
    std::function<RunResult(RunKind kind, const DiscoveryRequest& request, const std::vector<std::string>& adapters)>;

// The engine's run: RunDiscovery on one adapter, RunDiscoveryOnAdapters and
// JoinAdapterResults on several.
RunResult EngineSearchRun(RunKind kind, const DiscoveryRequest& request, const std::vector<std::string>& adapters);

// What one search needs, as one value.
struct SearchRequest {
    DiscoveryValues values;                // time-outs and ports of both runs
    std::string interfaceAddress;          // dotted IPv4 of the adapter; may be empty
    std::vector<std::string> adapters;     // when not empty, both runs go out on each of these
                                           // at once and interfaceAddress is not used
    std::uint16_t replyPort = REPLY_PORT;  // the device run's HTTP reply port (the bridge run's fallback)
    RunObserver* observer = nullptr;       // told of each probe and answer of both runs; may be null
    // Seen while a caller waits in Search::Wait: when it turns true, both runs
    // stop as Search::Stop stops them. May be null.
    const std::atomic<bool>* stop = nullptr;
    SearchRunFunction run = EngineSearchRun;
    // Dotted IPv4 addresses probed by unicast as well, at probeRate a second
    // (see DiscoveryRequest).
    std::vector<std::string> targets;
    int probeRate = kDefaultProbeRate;
};

// What a search tells, from the thread of the run it concerns: the two runs
// may call at the same time, so what an implementation shares between them it
// must lock. Each call must be quick and copy what it keeps (the record is
// only lent); what it throws is ignored.
class SearchSink {
public:
    virtual ~SearchSink() = default;
    // A record as soon as the run accepts it, and again whenever a later answer
    // changes it; index is its place in the run's records (in its adapter's, on
    // several adapters).
    virtual void Found(RunKind run, std::size_t index, const DeviceRecord& record);
    virtual void Changed(RunKind run, std::size_t index, const DeviceRecord& record);
    // Each run ends with exactly one of these, its last call: Ended with what
    // it kept (the sink's to keep: it is not used after the call), or Failed
    // with why it could not do its work (one line, never empty).
    virtual void Ended(RunKind run, RunResult result);
    virtual void Failed(RunKind run, const std::string& cause);
};

// Starts both runs when made; Stop ends them within about 50 ms, each then
// ending as if its time were up. The destructor stops the search and joins
// its threads: no thread it starts outlives it. The sink must outlive it.
class Search {
public:
    Search(SearchRequest request, SearchSink& sink);
    ~Search();
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // Safe from any thread, at any time, more than once.
    void Stop();
    // Returns once both runs have told their end; until then, stops the search
    // when the request's stop turns true.
    void Wait();
    // Both runs have told their end.
    bool Done() const;

private:
    void Run(RunKind kind);
    void Tell(const std::function<void()>& call);
    void RunEnded();

    SearchRequest m_request;
    SearchSink& m_sink;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    int m_running = 0;
    std::vector<std::thread> m_threads;
};

}  // namespace signseek
