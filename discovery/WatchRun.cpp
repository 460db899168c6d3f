#include "discovery/WatchRun.h"

#include "discovery/AnnouncementListener.h"
#include "discovery/DeviceCollector.h"
#include "discovery/WatchRoster.h"

#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t NowMillis()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// The roster and the handler behind one lock: the announcement thread and
// the search rounds report side by side.
class WatchState {
public:
    WatchState(std::int64_t lostAfterMillis, const WatchHandler& handler)
        : m_roster(lostAfterMillis), m_handler(handler)
    {
    }

    void Seen(const DeviceRecord& record)
    {
        std::lock_guard lock(m_mutex);
        Report(record);
    }

    // A Hello of a listed device updates it as announced, its metadata only
    // when it carries extensions of its own; one of a new device must pass
    // the search's rules first.
    void Hello(DeviceRecord heard)
    {
        std::lock_guard lock(m_mutex);
        if (m_roster.Lists(heard.address)) {
            std::erase(heard.metadata, std::string(HELLO_ITEM));
            if (!heard.metadata.empty()) {
                AddVideoProcessorServices(heard);
                AddBridgeServices(heard);
            }
            Report(heard);
        } else if (std::optional<DeviceRecord> listed = ListedFromHello(std::move(heard))) {
            Report(*listed);
        }
    }

    void Bye(const std::string& address)
    {
        std::lock_guard lock(m_mutex);
        if (std::optional<DeviceRecord> gone = m_roster.Bye(address))
            m_handler(WatchEvent::Lost, *gone);
    }

    void Expire()
    {
        std::lock_guard lock(m_mutex);
        for (const DeviceRecord& lost : m_roster.Expire(NowMillis()))
            m_handler(WatchEvent::Lost, lost);
    }

private:
    // Under the lock.
    void Report(const DeviceRecord& record)
    {
        DeviceRecord listed;
        switch (m_roster.Seen(record, NowMillis(), &listed)) {
        case WatchRoster::Event::Found: m_handler(WatchEvent::Found, listed); break;
        case WatchRoster::Event::Changed: m_handler(WatchEvent::Changed, listed); break;
        case WatchRoster::Event::None: break;
        }
    }

    std::mutex m_mutex;
    WatchRoster m_roster;
    const WatchHandler& m_handler;
};

void SearchOnce(const DiscoveryRequest& request, WatchState& state)
{
    auto run = [&request](auto discover) {
        unsigned int count = 0;
        DiscoveryRequest own = request;
        own.pCount = &count;
        std::unique_ptr<DeviceRecord[]> records = discover(own);
        return std::vector<DeviceRecord>(records.get(), records.get() + (records ? count : 0));
    };
    auto devices = std::async(std::launch::async, run, DiscoverDevices);
    auto bridges = std::async(std::launch::async, run, DiscoverBridges);
    for (const DeviceRecord& record : devices.get())
        state.Seen(record);
    for (const DeviceRecord& record : bridges.get())
        state.Seen(record);
}

// Sleeps until `until` or the stop, whichever comes first.
void WaitUntil(Clock::time_point until, const std::atomic<bool>& stop)
{
    constexpr auto kSlice = std::chrono::milliseconds(100);
    while (!stop && Clock::now() < until)
        std::this_thread::sleep_for(std::min<Clock::duration>(kSlice, until - Clock::now()));
}

}  // namespace

std::string RunWatch(const WatchRequest& request, const WatchHandler& handler, const std::atomic<bool>& stop)
{
    const int interval = request.intervalSeconds < 1 ? 1 : request.intervalSeconds;
    WatchState state(3 * std::int64_t{interval} * 1000, handler);

    AnnouncementListener ear;
    const std::string failure =
        ear.Start(request.search.interfaceAddress, request.search.discoveryPort, [&state](const Announcement& heard) {
            if (heard.kind == Announcement::Kind::Bye)
                state.Bye(heard.record.address);
            else
                state.Hello(heard.record);
        });
    if (!failure.empty())
        return failure;

    while (!stop) {
        const Clock::time_point next = Clock::now() + std::chrono::seconds(interval);
        SearchOnce(request.search, state);
        state.Expire();
        WaitUntil(next, stop);
    }
    ear.Stop();
    return {};
}
