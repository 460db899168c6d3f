#pragma once
// signseek-find --watch: the watch on one adapter, its events as NDJSON lines.

#include "cli/FindOptions.h"
#include "discovery/RunObserver.h"

#include <atomic>
#include <ostream>
#include <string>

namespace signseek {

class WatchPublisher;

// Watches from interfaceAddress until stop is raised, printing each event to
// out as one flushed line and each new cause of a failed run to err. Returns
// the exit status: kExitSuccess after a stop, kExitRunFailed when the watch
// could not start. A publisher, when given, is told every event as well.
int RunWatchMode(const FindOptions& options, const std::string& interfaceAddress, RunObserver* observer,
                 const std::atomic<bool>& stop, std::ostream& out, std::ostream& err,
                 WatchPublisher* publisher = nullptr);

}  // namespace signseek
