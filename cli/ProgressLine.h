#pragma once
// A one-line progress bar on standard error while a search runs, drawn only
// when standard error is a terminal.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>

namespace signseek {

class ProgressLine {
public:
    // The bar fills over `expected` (the discovery time-out plus a second, as
    // the window sizes its progress bar).
    // With probesSent the line also counts the probes sent so far.
    explicit ProgressLine(std::chrono::milliseconds expected, const std::atomic<std::size_t>* probesSent = nullptr);
    ~ProgressLine();  // clears the line

    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void Draw(std::chrono::milliseconds elapsed) const;

    std::chrono::milliseconds m_expected;
    const std::atomic<std::size_t>* m_probesSent;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace signseek
