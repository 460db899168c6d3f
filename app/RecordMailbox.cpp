#include "app/RecordMailbox.h"

namespace signseek {

RecordSink MailboxSink(std::shared_ptr<RecordMailbox> mailbox, std::string run)
{
    return [mailbox = std::move(mailbox), run = std::move(run)](
               RecordChange, std::size_t index, const DeviceRecord& record) { mailbox->Put(run, index, record); };
}

void RecordMailbox::Put(const std::string& run, std::size_t index, const DeviceRecord& record)
{
    DeviceRecord copy = record;  // copied before the lock, so the window waits less
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        // Runs on several adapters number their records per adapter.
        auto [at, added] = m_at.try_emplace({run + ' ' + record.adapter, index}, m_waiting.size());
        if (added)
            m_waiting.push_back({run, std::move(copy)});
        else
            m_waiting[at->second].record = std::move(copy);
        wake = !m_woken;
        m_woken = true;
    }
    if (wake && m_wake) m_wake();
}

std::vector<RecordMailbox::Entry> RecordMailbox::Take()
{
    std::lock_guard lock(m_mutex);
    std::vector<Entry> taken;
    taken.swap(m_waiting);
    m_at.clear();
    m_woken = false;
    return taken;
}

std::size_t RecordMailbox::Waiting() const
{
    std::lock_guard lock(m_mutex);
    return m_waiting.size();
}

}  // namespace signseek
