#pragma once

#include "settings/AddressChangeMonitor.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace signseek::test {

// Collects posted messages and lets a test wait for them.
class RecordingPoster : public MessagePoster {
public:
    void Post(unsigned message) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(message);
        m_posted.notify_all();
    }
    // Waits until more than `count` messages arrived; true when they did.
    bool WaitForMoreThan(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        std::unique_lock lock(m_mutex);
        return m_posted.wait_for(lock, limit, [&] { return m_messages.size() > count; });
    }
    std::vector<unsigned> Messages()
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::vector<unsigned> m_messages;
};

}  // namespace signseek::test
