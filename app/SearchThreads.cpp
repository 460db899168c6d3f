#include "app/SearchThreads.h"

#include "settings/AdapterList.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace signseek {

namespace {

std::mutex g_threadsMutex;
std::condition_variable g_threadsDone;
int g_threadsRunning = 0;

void ThreadStarted()
{
    std::lock_guard lock(g_threadsMutex);
    ++g_threadsRunning;
}

void ThreadEnded()
{
    std::lock_guard lock(g_threadsMutex);
    if (--g_threadsRunning == 0) g_threadsDone.notify_all();
}

}  // namespace

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
    ThreadStarted();
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
        ThreadEnded();
    };
    if (start(std::move(body))) return true;
    ThreadEnded();
    RunResult notStarted;
    notStarted.failed = true;
    notStarted.failure = "the search could not start a thread";
    route->Post(std::make_unique<DiscoveryResultEvent>(std::move(notStarted)));
    return false;
}

int RunningSearchThreads()
{
    std::lock_guard lock(g_threadsMutex);
    return g_threadsRunning;
}

bool WaitForSearchThreads(std::chrono::milliseconds limit)
{
    std::unique_lock lock(g_threadsMutex);
    return g_threadsDone.wait_for(lock, limit, [] { return g_threadsRunning == 0; });
}

}  // namespace signseek
