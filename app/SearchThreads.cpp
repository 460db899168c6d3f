#include "app/SearchThreads.h"

#include "settings/AdapterList.h"

#include <system_error>
#include <thread>

namespace signseek {

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
        unsigned count = 0;
        std::string failure;
        DiscoveryRequest request = RequestFromSettings(address, &count);
        request.pFailure = &failure;
        std::unique_ptr<DeviceRecord[]> records = run(request);
        if (!records && failure.empty()) failure = "the search could not run";
        route->Post(std::make_unique<DiscoveryResultEvent>(std::move(records), count, std::move(failure)));
        // Let go of everything shared before counting as ended.
        route.reset();
        adapters.reset();
        run = nullptr;
    };
    if (start(std::move(body))) return true;
    route->Post(std::make_unique<DiscoveryResultEvent>(nullptr, 0, "the search could not start a thread"));
    return false;
}

}  // namespace signseek
