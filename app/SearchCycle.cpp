#include "app/SearchCycle.h"

#include "settings/DiscoverySettings.h"

#include <algorithm>
#include <limits>

namespace signseek {

std::int64_t UsableDiscoverySeconds(int discoveryTimeout) { return UsableTimeout(discoveryTimeout); }

std::int64_t SweepTicks(std::size_t targets, int rate)
{
    if (targets == 0 || rate <= 0) return 0;
    const auto probes = static_cast<std::int64_t>(targets) * 2;
    return (probes * kTicksPerSecond + rate - 1) / rate;
}

void SearchCycle::Start(int discoveryTimeout, std::int64_t sweepTicks)
{
    m_nResultsReceived = 0;
    m_strFailures.clear();
    m_nSweepTicks = std::max<std::int64_t>(sweepTicks, 0);
    m_nTicksLeft = (UsableDiscoverySeconds(discoveryTimeout) + 1) * kTicksPerSecond + m_nSweepTicks;
    m_bSearching = true;
}

SearchCycle::Progress SearchCycle::Tick(int discoveryTimeout)
{
    --m_nTicksLeft;
    Progress p;
    const std::int64_t range = UsableDiscoverySeconds(discoveryTimeout) * kTicksPerSecond + m_nSweepTicks;
    // A bar cannot count further than int; past that it shows the start only.
    p.rangeMax = static_cast<int>(std::min<std::int64_t>(range, std::numeric_limits<int>::max()));
    p.position = range - m_nTicksLeft;
    p.stopTimer = m_nTicksLeft <= 0;
    return p;
}

bool SearchCycle::Result(const std::string& failure)
{
    if (!failure.empty() && m_strFailures.find(failure + '\n') == std::string::npos) m_strFailures += failure + '\n';
    ++m_nResultsReceived;
    if (m_nResultsReceived == 2) m_bSearching = false;
    return m_nResultsReceived == 2;
}

int ShownPosition(const SearchCycle::Progress& progress)
{
    return static_cast<int>(std::clamp<std::int64_t>(progress.position, 0, std::max(progress.rangeMax, 0)));
}

}  // namespace signseek
