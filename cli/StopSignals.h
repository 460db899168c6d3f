#pragma once
// SIGINT and SIGTERM as a request to stop the search: the first one raises
// a flag the discovery runs poll, so they end within a moment and the
// program can list what they found; a second one ends the program at once.

#include <atomic>

namespace signseek {

void InstallStopSignals();

// Raised by the first SIGINT or SIGTERM.
const std::atomic<bool>& StopRequested();

// That signal's number; 0 while none came.
int StopSignal();

}  // namespace signseek
