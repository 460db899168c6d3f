#include "app/SearchCycle.h"

#include <algorithm>

namespace signseek {

void SearchCycle::Start(int discoveryTimeout)
{
    m_nResultsReceived = 0;
    m_strFailures.clear();
    m_nTicksLeft = discoveryTimeout * 10 + 10;
    m_bSearching = true;
}

SearchCycle::Progress SearchCycle::Tick(int discoveryTimeout)
{
    --m_nTicksLeft;
    Progress p;
    p.rangeMax = discoveryTimeout * 10;
    p.position = discoveryTimeout * 10 - m_nTicksLeft;
    p.stopTimer = m_nTicksLeft <= 0;
    return p;
}

bool SearchCycle::Result(const std::string& failure)
{
    if (!failure.empty() && m_strFailures.find(failure + '\n') == std::string::npos)
        m_strFailures += failure + '\n';
    ++m_nResultsReceived;
    if (m_nResultsReceived == 2) m_bSearching = false;
    return m_nResultsReceived == 2;
}

int ShownPosition(const SearchCycle::Progress& progress)
{
    return std::clamp(progress.position, 0, std::max(progress.rangeMax, 0));
}

}  // namespace signseek
