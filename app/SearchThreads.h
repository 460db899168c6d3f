#pragma once
// The window's search: the engine's Search, its two runs told to the window
// through the message route and the record mailbox. The dialog owns it;
// letting it go stops the runs and waits the moment they take to end.

#include "app/DialogMessages.h"
#include "app/RecordMailbox.h"
#include "discovery/DiscoveryRun.h"
#include "discovery/Search.h"
#include "settings/AdapterSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace signseek {

using DiscoveryRunFunction = std::function<RunResult(const DiscoveryRequest&)>;

// The engine's run of that kind.
DiscoveryRunFunction EngineRun(RunKind kind);

// What a window search runs: each run's function, the adapter chosen by its
// description (looked up on the run's thread), and the values to search with.
struct WindowSearchRuns {
    DiscoveryRunFunction devices;
    DiscoveryRunFunction bridges;
    std::string adapterDescription;
    DiscoveryValues values;
    std::uint16_t replyPort = REPLY_PORT;  // the port the device run's ReplyTo names
    std::vector<std::string> targets;      // dotted IPv4 addresses asked directly as well
    int probeRate = kDefaultProbeRate;
};

// Starts both runs at once. Each record a run reports goes to the mailbox
// labelled by its run, and each run ends in one WM_DISCOVERY_RESULT labelled
// runLabel ("devices", "bridges"), one without records when it failed.
class WindowSearch {
public:
    WindowSearch(WindowSearchRuns runs, std::shared_ptr<MessageRoute> route,
                 std::shared_ptr<const AdapterSource> adapters, std::shared_ptr<RecordMailbox> mailbox);

    void Stop() { m_search.Stop(); }

private:
    class Sink : public SearchSink {
    public:
        Sink(std::shared_ptr<MessageRoute> route, std::shared_ptr<RecordMailbox> mailbox);
        void Found(RunKind run, std::size_t index, const DeviceRecord& record) override;
        void Changed(RunKind run, std::size_t index, const DeviceRecord& record) override;
        void Ended(RunKind run, RunResult result) override;
        void Failed(RunKind run, const std::string& cause) override;

    private:
        std::shared_ptr<MessageRoute> m_route;
        RecordSink m_devices;
        RecordSink m_bridges;
    };

    Sink m_sink;
    Search m_search;  // last: its runs end before the sink goes
};

}  // namespace signseek
