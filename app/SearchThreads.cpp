#include "app/SearchThreads.h"

#include "settings/AdapterList.h"

#include <system_error>
#include <thread>

namespace signseek {

DiscoveryRunFunction EngineRun(RunKind kind)
{
    return [kind](const DiscoveryRequest& request) { return RunDiscovery(kind, request); };
}

bool StartDetachedThread(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool StartSearchThread(const ThreadStarter& start, std::shared_ptr<MessageRoute> route,
                       std::shared_ptr<const AdapterSource> adapters, DiscoveryRunFunction run,
                       std::string adapterDescription, std::string runLabel, RecordSink onRecord,
                       std::uint16_t replyPort)
{
    auto body = [route, adapters = std::move(adapters), run = std::move(run),
                 description = std::move(adapterDescription), label = runLabel, onRecord = std::move(onRecord),
                 replyPort]() mutable {
        std::string address = GetAdapterAddress(description, *adapters);
        DiscoveryRequest request = RequestFromSettings(address);
        request.listenPort = replyPort;
        request.onRecord = std::move(onRecord);
        RunResult result = run(request);
        if (result.failed && result.failure.empty()) result.failure = "the search could not run";
        route->Post(std::make_unique<DiscoveryResultEvent>(std::move(result), std::move(label)));
        // Let go of everything shared before counting as ended.
        route.reset();
        adapters.reset();
        run = nullptr;
        request.onRecord = nullptr;
    };
    if (start(std::move(body))) return true;
    RunResult notStarted;
    notStarted.failed = true;
    notStarted.failure = "the search could not start a thread";
    route->Post(std::make_unique<DiscoveryResultEvent>(std::move(notStarted), std::move(runLabel)));
    return false;
}

}  // namespace signseek
