#include "cli/SearchRunner.h"

#include <thread>

namespace {

using Run = std::unique_ptr<DeviceRecord[]> (*)(DiscoveryRequest);

struct RunResult {
    std::unique_ptr<DeviceRecord[]> records;
    unsigned int count = 0;
    std::string failure;
    bool limitReached = false;
};

RunResult Execute(Run run, const SearchSettings &settings)
{
    RunResult result;
    DiscoveryRequest request;
    request.listenPort = settings.listenPort;
    request.values = settings.values;
    request.interfaceAddress = settings.interfaceAddress;
    request.pCount = &result.count;
    request.pFailure = &result.failure;
    request.pObserver = settings.observer;
    request.pLimitReached = &result.limitReached;
    result.records = run(request);
    return result;
}

void Append(std::vector<FoundDevice> &out, const char *name, const RunResult &result)
{
    for (unsigned int i = 0; i < result.count; ++i) out.push_back({name, result.records[i]});
}

}  // namespace

SearchOutcome RunSearch(const SearchSettings &settings)
{
    RunResult devices;
    RunResult bridges;
    std::thread devicesThread([&] { devices = Execute(DiscoverDevices, settings); });
    std::thread bridgesThread([&] { bridges = Execute(DiscoverBridges, settings); });
    devicesThread.join();
    bridgesThread.join();

    SearchOutcome outcome;
    outcome.devicesRunFailed = !devices.records;
    outcome.bridgesRunFailed = !bridges.records;
    outcome.devicesFailure = devices.failure;
    outcome.bridgesFailure = bridges.failure;
    // A run that failed says why; one without a word of its own still must not pass for an empty network.
    if (outcome.devicesRunFailed && outcome.devicesFailure.empty()) outcome.devicesFailure = "the device search could not run";
    if (outcome.bridgesRunFailed && outcome.bridgesFailure.empty()) outcome.bridgesFailure = "the bridge search could not run";
    outcome.recordLimitReached = devices.limitReached || bridges.limitReached;
    Append(outcome.devices, "devices", devices);
    Append(outcome.devices, "bridges", bridges);
    return outcome;
}
