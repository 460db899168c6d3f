#include "app/LiveRowGate.h"

#include "present/DisplayRows.h"

#include <algorithm>

namespace signseek {

bool RecordIsComplete(const DeviceRecord& record)
{
    if (!record.IsMediaPlayer()) return true;
    return !record.GetDescription().empty() && AllServicesHavePorts(ServicesOrTypes(record));
}

bool LiveRowGate::Pass(const Key& key, const DeviceRecord& record, Clock::time_point now)
{
    if (m_shown.count(key) != 0) return true;
    auto held = m_held.find(key);
    if (RecordIsComplete(record)) {
        if (held != m_held.end()) m_held.erase(held);
        m_shown.insert(key);
        return true;
    }
    if (held == m_held.end())
        m_held.emplace(key, Held{record, now + kLiveRowHold, m_reports++});
    else
        held->second.record = record;
    return false;
}

std::vector<LiveRowGate::Release> LiveRowGate::Due(Clock::time_point now)
{
    std::vector<std::pair<std::uint64_t, Release>> due;
    for (auto it = m_held.begin(); it != m_held.end();) {
        if (it->second.due > now) {
            ++it;
            continue;
        }
        due.push_back({it->second.order, Release{it->first, std::move(it->second.record)}});
        m_shown.insert(it->first);
        it = m_held.erase(it);
    }
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Release> released;
    for (auto& entry : due) released.push_back(std::move(entry.second));
    return released;
}

std::optional<LiveRowGate::Clock::time_point> LiveRowGate::NextDue() const
{
    std::optional<Clock::time_point> next;
    for (const auto& [key, held] : m_held)
        if (!next || held.due < *next) next = held.due;
    return next;
}

void LiveRowGate::ForgetRun(const std::string& run)
{
    auto sameRun = [&run](const Key& key) { return key.first == run; };
    std::erase_if(m_shown, sameRun);
    std::erase_if(m_held, [&sameRun](const auto& entry) { return sameRun(entry.first); });
}

void LiveRowGate::Clear()
{
    m_shown.clear();
    m_held.clear();
    m_reports = 0;
}

}  // namespace signseek
