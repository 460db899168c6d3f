#pragma once
// The device simulator: a set of devices behind one probe listener, answering
// matching probes after a random delay, and announcing on the discovery group
// as they come and go.

#include "common/DiscoveryValues.h"
#include "sim/Answerer.h"
#include "sim/Device.h"
#include "sim/ProbeListener.h"
#include "sim/SimLog.h"
#include "sim/SimOptions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace signseek::sim {

// Whether the device answers the probe at all (answer mode, Types, Scopes).
bool DeviceAnswers(const Device& device, const ReceivedProbe& probe, const Destination& to);

class Simulator {
public:
    Simulator(std::vector<Device> devices, SimOptions options, SimLog& log);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Empty text, or why it could not start. The devices present say Hello
    // after a random delay, as they would after switching on.
    std::string Start();
    // The devices present say Bye.
    void Stop();
    bool WaitIdle(std::chrono::milliseconds limit) { return m_answerer.WaitIdle(limit); }

    // Handles one probe as if it had arrived: logs it and queues the answers.
    void OnProbe(const ReceivedProbe& probe);

private:
    bool Present(const Device& device) const;
    // Hello and Bye as scheduled devices come and go, until Stop.
    void FollowSchedules();

    std::vector<std::shared_ptr<const Device>> m_devices;
    SimOptions m_options;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
    std::atomic<bool> m_running{false};
    std::mutex m_scheduleMutex;
    std::condition_variable m_scheduleStop;
    bool m_stopSchedules = false;
    std::thread m_scheduleThread;
    SimLog& m_log;
    Answerer m_answerer;
    std::mt19937 m_random;
    std::mutex m_randomMutex;
    ProbeListener m_listener;         // last two: stop before what they feed
    ProbeListener m_unicastListener;  // probes sent straight to the interface address
};

}  // namespace signseek::sim