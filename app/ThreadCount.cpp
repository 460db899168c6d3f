#include "app/ThreadCount.h"

namespace signseek {

int ThreadCount::Running() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

bool ThreadCount::WaitForNone(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_none.wait_for(lock, limit, [this] { return m_running == 0; });
}

void ThreadCount::Started()
{
    std::lock_guard lock(m_mutex);
    ++m_running;
}

void ThreadCount::Ended()
{
    std::lock_guard lock(m_mutex);
    if (--m_running == 0) m_none.notify_all();
}

ThreadStarter CountingStarter(std::shared_ptr<ThreadCount> count, ThreadStarter start)
{
    return [count = std::move(count), start = std::move(start)](std::function<void()> body) {
        count->Started();
        const bool started = start([count, body = std::move(body)]() mutable {
            {
                std::function<void()> run = std::move(body);
                run();
            }  // what the body held goes before the thread counts as ended
            count->Ended();
        });
        if (!started) count->Ended();
        return started;
    };
}

}  // namespace signseek
