#pragma once
// Carries the records the runs of one search report while they listen to the
// window's thread. The runs put, the window takes; a device reported again
// before the window took it is kept once, with its latest record, so however
// fast answers come, what waits is at most one record per device of the
// search and the window is woken at most once per take.

#include "discovery/DeviceRecord.h"
#include "discovery/RunResult.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace signseek {

class RecordMailbox {
public:
    struct Entry {
        std::string run;  // the label of the run that reported it
        DeviceRecord record;
    };

    // wake is called on a run's thread when the first record after a take
    // arrives; it must only post a note to the window.
    explicit RecordMailbox(std::function<void()> wake) : m_wake(std::move(wake)) {}

    // Called from a run's thread.
    void Put(const std::string& run, std::size_t index, const DeviceRecord& record);

    // Everything put since the last take, each device once with its latest
    // record, in the order first put.
    std::vector<Entry> Take();

    // Devices waiting to be taken.
    std::size_t Waiting() const;

private:
    std::function<void()> m_wake;
    mutable std::mutex m_mutex;
    std::vector<Entry> m_waiting;
    // (run and adapter, index) -> place in m_waiting
    std::map<std::pair<std::string, std::size_t>, std::size_t> m_at;
    bool m_woken = false;
};

// What a run of the search calls with each record; run labels it. The sink
// shares the mailbox, so it stays whole while a run outlives the window.
RecordSink MailboxSink(std::shared_ptr<RecordMailbox> mailbox, std::string run);

}  // namespace signseek
