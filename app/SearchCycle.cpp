#include "app/SearchCycle.h"

#include "settings/DiscoverySettings.h"

#include <algorithm>
#include <limits>

namespace signseek {

std::int64_t UsableDiscoverySeconds(int discoveryTimeout) { return UsableTimeout(discoveryTimeout); }

void SearchCycle::Start(int discoveryTimeout)
{
    m_nResultsReceived = 0;
    m_strFailures.clear();
    m_nTicksLeft = (UsableDiscoverySeconds(discoveryTimeout) + 1) * kTicksPerSecond;
    m_bSearching = true;
}

SearchCycle::Progress SearchCycle::Tick(int discoveryTimeout)
{
    --m_nTicksLeft;
    Progress p;
    const std::int64_t range = UsableDiscoverySeconds(discoveryTimeout) * kTicksPerSecond;
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
