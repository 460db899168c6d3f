#include "discovery/WatchRun.h"

#include "discovery/AnnouncementEvidence.h"
#include "discovery/AnnouncementListener.h"
#include "discovery/DeviceCollector.h"
#include "discovery/Search.h"
#include "discovery/WatchRoster.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

namespace signseek {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kHelloFinder[] = "hello";

std::int64_t NowMillis()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// The roster and the handler behind one lock: the announcement thread and
// both runs of a search report side by side.
class WatchState {
public:
    WatchState(std::int64_t lostAfterMillis, WatchRoster::ShownText shown, const WatchHandler& handler,
               std::function<void(std::size_t)> onHeldBack)
        : m_roster(lostAfterMillis, std::move(shown)), m_handler(handler), m_onHeldBack(std::move(onHeldBack))
    {}

    // From a search that started at heardSince; complete: its final record
    // rather than one it is still merging.
    void Seen(const DeviceRecord& record, const std::string& foundBy, std::int64_t heardSince, bool complete)
    {
        std::lock_guard lock(m_mutex);
        Report(record, foundBy, heardSince, complete);
    }

    // A Hello of a listed device updates it as announced, its metadata only
    // when it carries extensions of its own; one of a new device must pass
    // the search's rules first.
    void Hello(DeviceRecord heard, const std::string& from)
    {
        std::lock_guard lock(m_mutex);
        const std::int64_t now = NowMillis();
        if (from.empty() || !m_roster.Believes(heard, from)) return;
        if (m_roster.Lists(heard)) {
            std::erase(heard.metadata, std::string(HELLO_ITEM));
            if (!heard.metadata.empty()) {
                AddVideoProcessorServices(heard);
                AddBridgeServices(heard);
            }
            Report(heard, kHelloFinder, now, true, from);
        } else if (std::optional<DeviceRecord> listed = ListedFromHello(std::move(heard))) {
            // Not listed before its event may be told: one held back must not
            // be "lost" later.
            if (m_limit.Allow(now)) Report(*listed, kHelloFinder, now, true, from);
        }
        TellHeldBack(now);
    }

    void Bye(const std::string& address, const std::string& from)
    {
        std::lock_guard lock(m_mutex);
        if (std::optional<WatchRoster::Listed> gone = m_roster.Bye(address, NowMillis(), from))
            Tell(WatchEvent::Lost, *gone);
    }

    void Expire()
    {
        std::lock_guard lock(m_mutex);
        for (const WatchRoster::Listed& lost : m_roster.Expire(NowMillis())) Tell(WatchEvent::Lost, lost);
        TellHeldBack(NowMillis());
    }

private:
    // Under the lock.
    void Report(const DeviceRecord& record, const std::string& foundBy, std::int64_t heardSince, bool complete,
                const std::string& announcedFrom = {})
    {
        WatchRoster::Listed listed;
        switch (m_roster.Seen(record, foundBy, heardSince, NowMillis(), complete, &listed, announcedFrom)) {
        case WatchRoster::Event::Found: Tell(WatchEvent::Found, listed); break;
        case WatchRoster::Event::Changed:
            // A device that only announces itself may change as often as it likes.
            if (listed.confirmed || m_limit.Allow(NowMillis())) Tell(WatchEvent::Changed, listed);
            break;
        case WatchRoster::Event::None: break;
        }
    }

    void TellHeldBack(std::int64_t now)
    {
        const std::size_t heldBack = m_limit.TakeHeldBack(now);
        if (heldBack == 0 || !m_onHeldBack) return;
        try {
            m_onHeldBack(heldBack);
        } catch (...) {
            // As for the handler.
        }
    }

    void Tell(WatchEvent event, const WatchRoster::Listed& device)
    {
        try {
            m_handler(event, device.foundBy, device.record);
        } catch (...) {
            // A failing handler must not end the watch.
        }
    }

    std::mutex m_mutex;
    WatchRoster m_roster;
    const WatchHandler& m_handler;
    std::function<void(std::size_t)> m_onHeldBack;
    UnconfirmedEventLimit m_limit;
};

// One search of the watch: a new device is told as soon as a run accepts
// it, a change once the run has merged all it heard.
class WatchSearchSink : public SearchSink {
public:
    WatchSearchSink(const WatchRequest& watch, WatchState& state, std::int64_t started)
        : m_watch(watch), m_state(state), m_started(started)
    {}

    void Found(RunKind run, std::size_t, const DeviceRecord& record) override
    {
        m_state.Seen(record, RunKindName(run), m_started, false);
    }
    void Changed(RunKind run, std::size_t, const DeviceRecord& record) override
    {
        m_state.Seen(record, RunKindName(run), m_started, false);
    }
    void Ended(RunKind run, RunResult result) override
    {
        for (const DeviceRecord& record : result.records) m_state.Seen(record, RunKindName(run), m_started, true);
    }
    void Failed(RunKind, const std::string& cause) override
    {
        if (m_watch.onRunFailure) m_watch.onRunFailure(cause);
    }

private:
    const WatchRequest& m_watch;
    WatchState& m_state;
    const std::int64_t m_started;
};

void SearchOnce(const WatchRequest& watch, WatchState& state, const std::atomic<bool>& stop)
{
    SearchRequest request;
    request.values = watch.search.values;
    request.interfaceAddress = watch.search.interfaceAddress;
    request.replyPort = watch.search.listenPort;
    request.observer = watch.search.pObserver;
    request.stop = &stop;
    WatchSearchSink sink(watch, state, NowMillis());
    Search search(std::move(request), sink);
    search.Wait();
}

// Sleeps until `until` or the stop, whichever comes first.
void WaitUntil(Clock::time_point until, const std::atomic<bool>& stop)
{
    constexpr auto kSlice = std::chrono::milliseconds(50);
    while (!stop && Clock::now() < until)
        std::this_thread::sleep_for(std::min<Clock::duration>(kSlice, until - Clock::now()));
}

}  // namespace

const char* WatchEventName(WatchEvent event)
{
    switch (event) {
    case WatchEvent::Found: return "found";
    case WatchEvent::Changed: return "changed";
    case WatchEvent::Lost: return "lost";
    }
    return "";
}

std::string RunWatch(const WatchRequest& request, const WatchHandler& handler, const std::atomic<bool>& stop)
{
    const int interval = request.intervalSeconds < 1 ? 1 : request.intervalSeconds;
    WatchState state(3 * std::int64_t{interval} * 1000, request.shownText, handler, request.onHeldBack);

    AnnouncementListener ear;
    const std::string failure = ear.Start(request.search.interfaceAddress, request.search.values.discoveryPort & 0xFFFF,
                                          [&state](const Announcement& heard) {
                                              if (heard.kind == Announcement::Kind::Bye)
                                                  state.Bye(heard.record.address, heard.from);
                                              else
                                                  state.Hello(heard.record, heard.from);
                                          });
    if (!failure.empty()) return failure;

    while (!stop) {
        const Clock::time_point next = Clock::now() + std::chrono::seconds(interval);
        SearchOnce(request, state, stop);
        state.Expire();
        WaitUntil(next, stop);
    }
    ear.Stop();
    return {};
}

}  // namespace signseek
