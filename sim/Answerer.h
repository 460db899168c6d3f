#pragma once
// Delayed answers on a small pool of workers: a timer queue ordered by due
// time, so a thousand devices answering within the same half second need a
// handful of threads, and the probe reader only queues.

#include "sim/AnswerMessages.h"
#include "sim/SimLog.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <queue>
#include <string>
#include <thread>
#include <vector>

namespace signseek::sim {

struct AnswerJob {
    std::chrono::steady_clock::time_point due;
    std::shared_ptr<const Device> device;
    Destination to;
    std::string relatesTo;  // the probe's MessageID
    // ProbeMatches answers a probe; Hello and Bye are announcements.
    MessageKind kind = MessageKind::ProbeMatches;
};

class Answerer {
public:
    // Devices answer from AnswerSource of interfaceAddress.
    Answerer(SimLog& log, int workers, std::string interfaceAddress);
    ~Answerer();
    Answerer(const Answerer&) = delete;
    Answerer& operator=(const Answerer&) = delete;

    void Schedule(AnswerJob job);
    // Sends a Hello or Bye now, on the caller's thread, numbered in the same
    // sequence as every other message.
    void Announce(MessageKind kind, const Device& device, const Destination& to);
    // Drops what is still queued and waits for the workers.
    void Stop();
    // Waits until nothing is queued or being sent; false on time-out.
    bool WaitIdle(std::chrono::milliseconds limit);

private:
    void Work();
    void Send(const AnswerJob& job);
    std::uint32_t NextMessageNumber();

    struct Later {
        bool operator()(const AnswerJob& a, const AnswerJob& b) const { return a.due > b.due; }
    };

    // The destination with the device's own source address.
    Destination From(const Device& device, const Destination& to) const;

    SimLog& m_log;
    const std::string m_interfaceAddress;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::priority_queue<AnswerJob, std::vector<AnswerJob>, Later> m_queue;
    int m_busy = 0;
    bool m_stop = false;
    const std::uint32_t m_instanceId;
    std::uint32_t m_messageNumber = 0;
    std::vector<std::thread> m_workers;
};

}  // namespace signseek::sim