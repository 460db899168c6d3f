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
                       std::string adapterDescription)
{
    auto body = [route, adapters = std::move(adapters), run = std::move(run),
                 description = std::move(adapterDescription)]() mutable {
        std::string address = GetAdapterAddress(description, *adapters);
        RunResult result = run(RequestFromSettings(address));
        if (result.failed && result.failure.empty()) result.failure = "the search could not run";
        route->Post(std::make_unique<DiscoveryResultEvent>(std::move(result)));
        // Let go of everything shared before counting as ended.
        route.reset();
        adapters.reset();
        run = nullptr;
    };
    if (start(std::move(body))) return true;
    RunResult notStarted;
    notStarted.failed = true;
    notStarted.failure = "the search could not start a thread";
    route->Post(std::make_unique<DiscoveryResultEvent>(std::move(notStarted)));
    return false;
}

}  // namespace signseek
