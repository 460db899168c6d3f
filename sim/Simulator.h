#pragma once
// The device simulator: a set of devices behind one probe listener, answering
// matching probes after a random delay.

#include "common/DiscoveryValues.h"
#include "sim/Answerer.h"
#include "sim/Device.h"
#include "sim/ProbeListener.h"
#include "sim/SimLog.h"
#include "sim/SimOptions.h"

#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace sim {

// Whether the device answers the probe at all (answer mode, Types, Scopes).
bool DeviceAnswers(const Device &device, const ReceivedProbe &probe, const Destination &to);

class Simulator {
public:
    Simulator(std::vector<Device> devices, SimOptions options, SimLog &log);
    ~Simulator();
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Empty text, or why it could not start.
    std::string Start();
    void Stop();
    bool WaitIdle(std::chrono::milliseconds limit) { return m_answerer.WaitIdle(limit); }

    // Handles one probe as if it had arrived: logs it and queues the answers.
    void OnProbe(const ReceivedProbe &probe);

private:
    std::vector<std::shared_ptr<const Device>> m_devices;
    SimOptions m_options;
    SimLog &m_log;
    Answerer m_answerer;
    std::mt19937 m_random;
    std::mutex m_randomMutex;
    ProbeListener m_listener;  // last: stops before what it feeds
};

}  // namespace sim
