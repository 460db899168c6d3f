#include "sim/Answerer.h"

#include "sim/AnswerSource.h"

#include <ctime>
#include <utility>

namespace signseek::sim {

Answerer::Answerer(SimLog& log, int workers, std::string interfaceAddress)
    : m_log(log), m_interfaceAddress(std::move(interfaceAddress)),
      m_instanceId(static_cast<std::uint32_t>(std::time(nullptr)))
{
    for (int i = 0; i < std::max(1, workers); ++i) m_workers.emplace_back([this] { Work(); });
}

Answerer::~Answerer() { Stop(); }

void Answerer::Schedule(AnswerJob job)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stop) return;
        m_queue.push(std::move(job));
    }
    // Every worker may be waiting for a later job than this one.
    m_changed.notify_all();
}

void Answerer::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queue = {};
    }
    m_changed.notify_all();
    for (std::thread& t : m_workers)
        if (t.joinable()) t.join();
}

bool Answerer::WaitIdle(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [this] { return m_queue.empty() && m_busy == 0; });
}

void Answerer::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_stop) return;
        if (m_queue.empty()) {
            m_changed.wait(lock);
            continue;
        }
        auto due = m_queue.top().due;
        if (std::chrono::steady_clock::now() < due) {
            m_changed.wait_until(lock, due);
            continue;
        }
        AnswerJob job = m_queue.top();
        m_queue.pop();
        ++m_busy;
        lock.unlock();
        Send(job);
        lock.lock();
        --m_busy;
        m_changed.notify_all();
    }
}

std::uint32_t Answerer::NextMessageNumber()
{
    std::lock_guard lock(m_mutex);
    return ++m_messageNumber;
}

Destination Answerer::From(const Device& device, const Destination& to) const
{
    Destination from = to;
    from.source = AnswerSource(device, m_interfaceAddress);
    return from;
}

void Answerer::Announce(MessageKind kind, const Device& device, const Destination& to)
{
    m_log.Announcement(SendDeviceMessage(kind, device, From(device, to), {}, {m_instanceId, NextMessageNumber()}));
}

void Answerer::Send(const AnswerJob& job)
{
    if (job.kind != MessageKind::ProbeMatches) {
        Announce(job.kind, *job.device, job.to);
        return;
    }
    const Destination to = From(*job.device, job.to);
    if (job.device->hello)
        m_log.Answer(SendDeviceMessage(MessageKind::Hello, *job.device, to, {}, {m_instanceId, NextMessageNumber()}));
    m_log.Answer(SendDeviceMessage(MessageKind::ProbeMatches, *job.device, to, job.relatesTo,
                                   {m_instanceId, NextMessageNumber()}));
}

}  // namespace signseek::sim