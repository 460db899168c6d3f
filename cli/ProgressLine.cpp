#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace signseek {

namespace {

constexpr int kWidth = 30;

}  // namespace

ProgressLine::ProgressLine(std::chrono::milliseconds expected, const std::atomic<std::size_t>* probesSent)
    : m_expected(expected), m_probesSent(probesSent)
{
    if (!isatty(STDERR_FILENO)) return;
    m_thread = std::thread([this] {
        const auto start = std::chrono::steady_clock::now();
        while (!m_stop) {
            Draw(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
}

ProgressLine::~ProgressLine()
{
    if (!m_thread.joinable()) return;
    m_stop = true;
    m_thread.join();
    std::fprintf(stderr, "\r%*s\r", kWidth + 40, "");
    std::fflush(stderr);
}

void ProgressLine::Draw(std::chrono::milliseconds elapsed) const
{
    const double fraction = m_expected.count() > 0 ? std::min(1.0, double(elapsed.count()) / m_expected.count()) : 1.0;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    if (m_probesSent)
        std::fprintf(stderr, "\rSearching [%s] %4.1f s, %zu probes sent", bar.c_str(), elapsed.count() / 1000.0,
                     m_probesSent->load());
    else
        std::fprintf(stderr, "\rSearching [%s] %4.1f s", bar.c_str(), elapsed.count() / 1000.0);
    std::fflush(stderr);
}

}  // namespace signseek
