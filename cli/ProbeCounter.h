#pragma once
// Counts the probes a search has sent, for the progress line, and passes
// every event on to the next observer, if any.

#include "discovery/RunObserver.h"

#include <atomic>
#include <cstddef>

namespace signseek {

class ProbeCounter : public RunObserver {
public:
    explicit ProbeCounter(RunObserver* next = nullptr) : m_next(next) {}

    void ProbeSent(const ProbeEvent& probe) override
    {
        if (probe.failure.empty()) ++sent;
        if (m_next) m_next->ProbeSent(probe);
    }
    void AnswerReceived(const AnswerEvent& answer) override
    {
        if (m_next) m_next->AnswerReceived(answer);
    }

    std::atomic<std::size_t> sent{0};

private:
    RunObserver* m_next;
};

}  // namespace signseek
