#include "discovery/Search.h"

#include <chrono>
#include <system_error>

namespace signseek {

const char* RunKindName(RunKind kind) { return kind == RunKind::Devices ? "devices" : "bridges"; }

RunResult EngineSearchRun(RunKind kind, const DiscoveryRequest& request, const std::vector<std::string>& adapters)
{
    if (adapters.empty()) return RunDiscovery(kind, request);
    return JoinAdapterResults(RunDiscoveryOnAdapters(kind, request, adapters), adapters);
}

void SearchSink::Found(RunKind, std::size_t, const DeviceRecord&) {}
void SearchSink::Changed(RunKind, std::size_t, const DeviceRecord&) {}
void SearchSink::Ended(RunKind, RunResult) {}
void SearchSink::Failed(RunKind, const std::string&) {}

Search::Search(SearchRequest request, SearchSink& sink) : m_request(std::move(request)), m_sink(sink)
{
    if (!m_request.run) m_request.run = EngineSearchRun;
    for (RunKind kind : {RunKind::Devices, RunKind::Bridges}) {
        {
            std::lock_guard lock(m_mutex);
            ++m_running;
        }
        try {
            m_threads.emplace_back([this, kind] { Run(kind); });
        } catch (const std::system_error&) {
            Tell([&] { m_sink.Failed(kind, "the search could not start a thread"); });
            RunEnded();
        }
    }
}

Search::~Search()
{
    Stop();
    for (std::thread& thread : m_threads) thread.join();
}

void Search::Stop() { m_stop = true; }

void Search::Wait()
{
    constexpr auto kStopCheck = std::chrono::milliseconds(50);
    std::unique_lock lock(m_mutex);
    while (m_running > 0) {
        if (m_request.stop && *m_request.stop) m_stop = true;
        m_ended.wait_for(lock, kStopCheck);
    }
}

bool Search::Done() const
{
    std::lock_guard lock(m_mutex);
    return m_running == 0;
}

void Search::Tell(const std::function<void()>& call)
{
    try {
        call();
    } catch (...) {
        // A failing sink must not end the run.
    }
}

void Search::RunEnded()
{
    std::lock_guard lock(m_mutex);
    --m_running;
    m_ended.notify_all();
}

void Search::Run(RunKind kind)
{
    DiscoveryRequest request;
    request.listenPort = m_request.replyPort;
    request.values = m_request.values;
    request.interfaceAddress = m_request.interfaceAddress;
    request.pObserver = m_request.observer;
    request.pStop = &m_stop;
    request.targets = m_request.targets;
    request.probeRate = m_request.probeRate;
    request.onRecord = [this, kind](RecordChange change, std::size_t index, const DeviceRecord& record) {
        if (change == RecordChange::Found)
            m_sink.Found(kind, index, record);
        else
            m_sink.Changed(kind, index, record);
    };
    RunResult result;
    try {
        result = m_request.run(kind, request, m_request.adapters);
    } catch (...) {
        result = RunResult{};
        result.failed = true;
    }
    if (result.failed)
        Tell([&] { m_sink.Failed(kind, result.failure.empty() ? "the search could not run" : result.failure); });
    else
        // Handed over, not copied: at the text cap a run's records are tens of megabytes.
        Tell([&] { m_sink.Ended(kind, std::move(result)); });
    RunEnded();
}

}  // namespace signseek
