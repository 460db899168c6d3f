#include "cli/SearchRunner.h"

#include <thread>

namespace signseek {

namespace {

DiscoveryRequest Request(const char* name, const SearchSettings& settings)
{
    DiscoveryRequest request;
    request.listenPort = settings.listenPort;
    request.values = settings.values;
    request.interfaceAddress = settings.interfaceAddress;
    request.pObserver = settings.observer;
    request.pStop = settings.stop;
    if (settings.onRecord)
        request.onRecord = [&settings, name](RecordChange change, std::size_t index, const DeviceRecord& record) {
            settings.onRecord(name, change, index, record);
        };
    return request;
}

// A single adapter's run, or the runs on every adapter as one: their
// records one adapter after the other, a failure naming its adapter.
RunResult Execute(RunKind kind, const char* name, const SearchSettings& settings)
{
    const DiscoveryRequest request = Request(name, settings);
    if (settings.adapters.empty()) return RunDiscovery(kind, request);
    return JoinAdapterResults(RunDiscoveryOnAdapters(kind, request, settings.adapters), settings.adapters);
}

void Append(std::vector<FoundDevice>& out, const char* name, const RunResult& result)
{
    for (const DeviceRecord& record : result.records) out.push_back({name, record});
}

}  // namespace

SearchOutcome RunSearch(const SearchSettings& settings)
{
    RunResult devices;
    RunResult bridges;
    std::thread devicesThread([&] { devices = Execute(RunKind::Devices, "devices", settings); });
    std::thread bridgesThread([&] { bridges = Execute(RunKind::Bridges, "bridges", settings); });
    devicesThread.join();
    bridgesThread.join();

    SearchOutcome outcome;
    outcome.devicesRunFailed = devices.failed;
    outcome.bridgesRunFailed = bridges.failed;
    outcome.devicesFailure = devices.failure;
    outcome.bridgesFailure = bridges.failure;
    // A run that failed says why; one without a word of its own still must not pass for an empty network.
    if (outcome.devicesRunFailed && outcome.devicesFailure.empty())
        outcome.devicesFailure = "the device search could not run";
    if (outcome.bridgesRunFailed && outcome.bridgesFailure.empty())
        outcome.bridgesFailure = "the bridge search could not run";
    outcome.recordLimitReached = devices.limitReached || bridges.limitReached;
    outcome.shedConnections = devices.shedConnections + bridges.shedConnections;
    Append(outcome.devices, "devices", devices);
    Append(outcome.devices, "bridges", bridges);
    return outcome;
}

}  // namespace signseek
