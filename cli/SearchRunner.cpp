#include "cli/SearchRunner.h"

#include "discovery/Search.h"

#include <mutex>

namespace signseek {

namespace {

// What signseek-find keeps of a search: each run's end, and every record as
// it comes when the caller asked for that.
class OutcomeSink : public SearchSink {
public:
    explicit OutcomeSink(const SearchSettings& settings) : m_settings(settings) {}

    void Found(RunKind run, std::size_t index, const DeviceRecord& record) override
    {
        if (m_settings.onRecord) m_settings.onRecord(RunKindName(run), RecordChange::Found, index, record);
    }
    void Changed(RunKind run, std::size_t index, const DeviceRecord& record) override
    {
        if (m_settings.onRecord) m_settings.onRecord(RunKindName(run), RecordChange::Changed, index, record);
    }
    void Ended(RunKind run, const RunResult& result) override
    {
        std::lock_guard lock(m_mutex);
        Of(run) = result;
    }
    void Failed(RunKind run, const std::string& cause) override
    {
        std::lock_guard lock(m_mutex);
        RunResult& result = Of(run);
        result.failed = true;
        result.failure = cause;
    }

    RunResult devices;
    RunResult bridges;

private:
    RunResult& Of(RunKind run) { return run == RunKind::Devices ? devices : bridges; }

    const SearchSettings& m_settings;
    std::mutex m_mutex;
};

void Append(std::vector<FoundDevice>& out, const char* name, const RunResult& result)
{
    for (const DeviceRecord& record : result.records) out.push_back({name, record});
}

}  // namespace

SearchOutcome RunSearch(const SearchSettings& settings)
{
    SearchRequest request;
    request.values = settings.values;
    request.interfaceAddress = settings.interfaceAddress;
    request.adapters = settings.adapters;
    request.replyPort = settings.listenPort;
    request.observer = settings.observer;
    request.stop = settings.stop;
    OutcomeSink sink(settings);
    {
        Search search(std::move(request), sink);
        search.Wait();
    }

    SearchOutcome outcome;
    outcome.devicesRunFailed = sink.devices.failed;
    outcome.bridgesRunFailed = sink.bridges.failed;
    outcome.devicesFailure = sink.devices.failure;
    outcome.bridgesFailure = sink.bridges.failure;
    outcome.recordLimitReached = sink.devices.limitReached || sink.bridges.limitReached;
    outcome.shedConnections = sink.devices.shedConnections + sink.bridges.shedConnections;
    Append(outcome.devices, RunKindName(RunKind::Devices), sink.devices);
    Append(outcome.devices, RunKindName(RunKind::Bridges), sink.bridges);
    return outcome;
}

}  // namespace signseek
