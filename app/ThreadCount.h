#pragma once
// Counts the threads a dialog starts for its searches. The dialog owns it
// and shares it with those threads, so whoever made the dialog (the program
// or a test) can still ask about them once the dialog has gone.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace signseek {

// Starts body on a new thread; false when no thread could be started.
using ThreadStarter = std::function<bool(std::function<void()> body)>;

class ThreadCount {
public:
    // Threads started and not yet ended.
    int Running() const;
    // Waits until none runs; false when the time ran out.
    bool WaitForNone(std::chrono::milliseconds limit) const;

    void Started();
    void Ended();

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_none;
    int m_running = 0;
};

// A starter that counts each thread of start in count from before it starts
// until its body has returned and let go of everything it held.
ThreadStarter CountingStarter(std::shared_ptr<ThreadCount> count, ThreadStarter start);

}  // namespace signseek
