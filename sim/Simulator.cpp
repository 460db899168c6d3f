#include "sim/Simulator.h"

#include "sim/Presence.h"
#include "sim/ProbeMatching.h"

namespace signseek::sim {

bool DeviceAnswers(const Device& device, const ReceivedProbe& probe, const Destination& to)
{
    if (to.endpoint.empty()) return false;
    if (device.answer == AnswerMode::HttpOnly && !to.http()) return false;
    if (device.answer == AnswerMode::UdpOnly && to.http()) return false;
    return TypesMatch(probe.types, device.types) && ScopesMatch(probe.scopes, probe.matchBy, device.scopes);
}

Simulator::Simulator(std::vector<Device> devices, SimOptions options, SimLog& log)
    : m_options(std::move(options)), m_log(log), m_answerer(log, m_options.workers, m_options.interfaceAddress),
      m_random(std::random_device{}())
{
    m_devices.reserve(devices.size());
    for (Device& d : devices) m_devices.push_back(std::make_shared<const Device>(std::move(d)));
}

Simulator::~Simulator() { Stop(); }

std::string Simulator::Start()
{
    m_started = std::chrono::steady_clock::now();
    std::string error = m_listener.Start(m_options.interfaceAddress, m_options.port,
                                         [this](const ReceivedProbe& probe) { OnProbe(probe); });
    if (!error.empty()) return error;
    error = m_unicastListener.Start(
        m_options.interfaceAddress, m_options.port, [this](const ReceivedProbe& probe) { OnProbe(probe); },
        ProbeListener::Socket::Unicast);
    if (!error.empty()) {
        m_listener.Stop();
        return error;
    }
    m_running = true;
    if (m_options.announce) {
        const Destination group = GroupDestination(m_options.port, m_options.interfaceAddress);
        std::lock_guard lock(m_randomMutex);
        for (const auto& d : m_devices) {
            if (!Present(*d)) continue;
            int delay = std::uniform_int_distribution<int>(
                0, std::max(0, d->maxDelayMs.value_or(m_options.maxDelayMs)))(m_random);
            m_answerer.Schedule({m_started + std::chrono::milliseconds(delay), d, group, {}, MessageKind::Hello});
        }
    }
    for (const auto& d : m_devices) {
        if (d->schedule) {
            m_scheduleThread = std::thread([this] { FollowSchedules(); });
            break;
        }
    }
    return {};
}

void Simulator::Stop()
{
    m_listener.Stop();
    m_unicastListener.Stop();
    {
        std::lock_guard lock(m_scheduleMutex);
        m_stopSchedules = true;
    }
    m_scheduleStop.notify_all();
    if (m_scheduleThread.joinable()) m_scheduleThread.join();
    m_answerer.Stop();
    if (!m_running.exchange(false) || !m_options.announce) return;
    const Destination group = GroupDestination(m_options.port, m_options.interfaceAddress);
    for (const auto& d : m_devices)
        if (Present(*d)) m_answerer.Announce(MessageKind::Bye, *d, group);
}

bool Simulator::Present(const Device& device) const
{
    using namespace std::chrono;
    return PresentAt(device, duration_cast<milliseconds>(steady_clock::now() - m_started));
}

void Simulator::FollowSchedules()
{
    using namespace std::chrono;
    const Destination group = GroupDestination(m_options.port, m_options.interfaceAddress);
    std::vector<bool> present;
    for (const auto& d : m_devices) present.push_back(PresentAt(*d, 0ms));
    auto stopped = [this] { return m_stopSchedules; };
    std::unique_lock lock(m_scheduleMutex);
    for (;;) {
        std::optional<milliseconds> next;
        const auto since = duration_cast<milliseconds>(steady_clock::now() - m_started);
        for (const auto& d : m_devices)
            if (auto change = NextChange(*d, since); change && (!next || *change < *next)) next = change;
        if (!next) {
            m_scheduleStop.wait(lock, stopped);
            return;
        }
        if (m_scheduleStop.wait_until(lock, m_started + *next, stopped)) return;
        lock.unlock();
        const auto now = duration_cast<milliseconds>(steady_clock::now() - m_started);
        for (std::size_t i = 0; i < m_devices.size(); ++i) {
            const bool here = PresentAt(*m_devices[i], now);
            if (here == present[i]) continue;
            present[i] = here;
            if (m_options.announce)
                m_answerer.Announce(here ? MessageKind::Hello : MessageKind::Bye, *m_devices[i], group);
        }
        lock.lock();
    }
}

void Simulator::OnProbe(const ReceivedProbe& probe)
{
    const Destination to = AnswerDestination(probe.replyTo, probe.sourceHost, probe.sourcePort);
    std::vector<std::shared_ptr<const Device>> answering;
    for (const auto& d : m_devices)
        if (DeviceAnswers(*d, probe, to) && Present(*d)) answering.push_back(d);

    ProbeSeen seen{probe.sourceHost + ":" + std::to_string(probe.sourcePort),
                   probe.messageId,
                   probe.types,
                   probe.scopes,
                   probe.matchBy,
                   probe.replyTo,
                   answering.size()};
    m_log.Probe(seen);

    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(m_randomMutex);
    for (auto& d : answering) {
        int limit = std::max(0, d->maxDelayMs.value_or(m_options.maxDelayMs));
        int delay = std::uniform_int_distribution<int>(0, limit)(m_random);
        m_answerer.Schedule({now + std::chrono::milliseconds(delay), d, to, probe.messageId});
    }
}

}  // namespace signseek::sim