#include "cli/SearchRunner.h"

#include "discovery/Search.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace signseek {

namespace {

// What signseek-find keeps of a search: each run's end, and every record as
// it comes when the caller asked for that.
class OutcomeSink : public SearchSink {
public:
    explicit OutcomeSink(const SearchSettings& settings)
        : m_settings(settings), m_waiting(settings.targets.begin(), settings.targets.end())
    {}

    void Found(RunKind run, std::size_t index, const DeviceRecord& record) override
    {
        if (!record.sourceAddress.empty()) {
            std::lock_guard lock(m_mutex);
            if (m_waiting.erase(record.sourceAddress) && m_waiting.empty()) allAnswered = true;
        }
        if (m_settings.onRecord) m_settings.onRecord(RunKindName(run), RecordChange::Found, index, record);
    }
    void Changed(RunKind run, std::size_t index, const DeviceRecord& record) override
    {
        if (m_settings.onRecord) m_settings.onRecord(RunKindName(run), RecordChange::Changed, index, record);
    }
    void Ended(RunKind run, RunResult result) override
    {
        std::lock_guard lock(m_mutex);
        Of(run) = std::move(result);
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
    std::atomic<bool> allAnswered{false};

private:
    RunResult& Of(RunKind run) { return run == RunKind::Devices ? devices : bridges; }

    const SearchSettings& m_settings;
    std::mutex m_mutex;
    std::unordered_set<std::string> m_waiting;  // targets not heard from yet
};

void Append(std::vector<FoundDevice>& out, const char* name, RunResult& result)
{
    for (DeviceRecord& record : result.records) out.push_back({name, std::move(record)});
    result.records.clear();
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
    request.targets = settings.targets;
    request.probeRate = settings.probeRate;
    OutcomeSink sink(settings);
    {
        Search search(std::move(request), sink);
        if (settings.endWhenTargetsAnswered && !settings.targets.empty()) {
            constexpr auto kCheck = std::chrono::milliseconds(20);
            while (!search.Done()) {
                if ((settings.stop && *settings.stop) || sink.allAnswered) search.Stop();
                std::this_thread::sleep_for(kCheck);
            }
        }
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
    std::unordered_set<std::string> answered;
    for (const FoundDevice& device : outcome.devices) answered.insert(device.record.sourceAddress);
    for (const std::string& target : settings.targets)
        if (!answered.count(target)) outcome.silentTargets.push_back(target);
    return outcome;
}

}  // namespace signseek
