#include "cli/StopSignals.h"

#include <csignal>

namespace signseek {

namespace {

std::atomic<bool> g_stop{false};
std::atomic<int> g_signal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "set from a signal handler");

void OnStopSignal(int signal)
{
    g_signal.store(signal);
    g_stop.store(true);
}

}  // namespace

void InstallStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // The handler goes after its first call: a second Ctrl-C ends the program.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const std::atomic<bool>& StopRequested() { return g_stop; }

int StopSignal() { return g_signal.load(); }

}  // namespace signseek
