#pragma once
// What a watch believes of the announcements it hears. WS-Discovery signs
// nothing, so any host can multicast a Bye or a Hello in a device's name:
// only the device's own source address speaks for a listed device, and a
// device heard of only by Hello stays unconfirmed until it answers a probe.
// Events of unconfirmed devices are limited per minute, so a flood of made-up
// Hellos costs a few lines and one summary rather than a line each.

#include <cstddef>
#include <cstdint>
#include <string>

namespace signseek {

// Whether an announcement that arrived from `from` speaks for a device whose
// own source address is `own`. Neither may be empty.
bool SpeaksFor(const std::string& own, const std::string& from);

class UnconfirmedEventLimit {
public:
    static constexpr std::size_t kPerWindow = 20;
    static constexpr std::int64_t kWindowMillis = 60 * 1000;

    // True when one more event of an unconfirmed device may be told at
    // nowMillis; false counts it as held back.
    bool Allow(std::int64_t nowMillis);

    // The events held back in a window that has ended, once; 0 while the
    // window lasts or when none were.
    std::size_t TakeHeldBack(std::int64_t nowMillis);

private:
    void Roll(std::int64_t nowMillis);

    std::int64_t m_windowStart = 0;
    bool m_started = false;
    std::size_t m_told = 0;
    std::size_t m_heldBack = 0;      // in the current window
    std::size_t m_heldBackDone = 0;  // in windows that have ended, not yet taken
};

// "+N unconfirmed announcements in the last minute".
std::string HeldBackText(std::size_t count);

}  // namespace signseek
