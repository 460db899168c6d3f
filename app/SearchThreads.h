#pragma once
// The two search threads of a search. They are detached: nothing waits for
// them, so closing the program never waits for a discovery timeout. They
// share nothing with the dialog but the message route.

#include "app/DialogMessages.h"
#include "app/ThreadCount.h"
#include "discovery/DiscoveryRun.h"
#include "settings/AdapterSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace signseek {

using DiscoveryRunFunction = std::function<RunResult(const DiscoveryRequest&)>;

// The engine's run of that kind.
DiscoveryRunFunction EngineRun(RunKind kind);

// A detached std::thread.
bool StartDetachedThread(std::function<void()> body);

// One search thread: looks up the adapter's address by its description, runs
// the discovery run with the process-wide settings values, telling onRecord
// of each record as it comes and naming replyPort in its ReplyTo, and posts one WM_DISCOVERY_RESULT labelled
// runLabel. When the thread cannot be started, a result without records is
// posted at once so the search still ends; returns false then.
bool StartSearchThread(const ThreadStarter& start, std::shared_ptr<MessageRoute> route,
                       std::shared_ptr<const AdapterSource> adapters, DiscoveryRunFunction run,
                       std::string adapterDescription, std::string runLabel = {}, RecordSink onRecord = {},
                       std::uint16_t replyPort = REPLY_PORT);

}  // namespace signseek
