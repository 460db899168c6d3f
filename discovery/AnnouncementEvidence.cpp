#include "discovery/AnnouncementEvidence.h"

namespace signseek {

bool SpeaksFor(const std::string& own, const std::string& from) { return !own.empty() && own == from; }

void UnconfirmedEventLimit::Roll(std::int64_t nowMillis)
{
    if (!m_started) {
        m_started = true;
        m_windowStart = nowMillis;
        return;
    }
    if (nowMillis - m_windowStart < kWindowMillis) return;
    m_heldBackDone += m_heldBack;
    m_heldBack = 0;
    m_told = 0;
    m_windowStart = nowMillis;
}

bool UnconfirmedEventLimit::Allow(std::int64_t nowMillis)
{
    Roll(nowMillis);
    if (m_told < kPerWindow) {
        ++m_told;
        return true;
    }
    ++m_heldBack;
    return false;
}

std::size_t UnconfirmedEventLimit::TakeHeldBack(std::int64_t nowMillis)
{
    Roll(nowMillis);
    const std::size_t count = m_heldBackDone;
    m_heldBackDone = 0;
    return count;
}

std::string HeldBackText(std::size_t count)
{
    return "+" + std::to_string(count) + " unconfirmed announcement" + (count == 1 ? "" : "s") + " in the last minute";
}

}  // namespace signseek
