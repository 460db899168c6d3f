#include "sim/Simulator.h"

#include "sim/ProbeMatching.h"

namespace sim {

bool DeviceAnswers(const Device &device, const ReceivedProbe &probe, const Destination &to)
{
    if (to.endpoint.empty()) return false;
    if (device.answer == AnswerMode::HttpOnly && !to.http()) return false;
    if (device.answer == AnswerMode::UdpOnly && to.http()) return false;
    return TypesMatch(probe.types, device.types) && ScopesMatch(probe.scopes, probe.matchBy, device.scopes);
}

Simulator::Simulator(std::vector<Device> devices, SimOptions options, SimLog &log)
    : m_options(std::move(options)), m_log(log), m_answerer(log, m_options.workers), m_random(std::random_device{}())
{
    m_devices.reserve(devices.size());
    for (Device &d : devices) m_devices.push_back(std::make_shared<const Device>(std::move(d)));
}

Simulator::~Simulator() { Stop(); }

std::string Simulator::Start()
{
    return m_listener.Start(m_options.interfaceAddress, m_options.port,
                            [this](const ReceivedProbe &probe) { OnProbe(probe); });
}

void Simulator::Stop()
{
    m_listener.Stop();
    m_answerer.Stop();
}

void Simulator::OnProbe(const ReceivedProbe &probe)
{
    const Destination to = AnswerDestination(probe.replyTo, probe.sourceHost, probe.sourcePort);
    std::vector<std::shared_ptr<const Device>> answering;
    for (const auto &d : m_devices)
        if (DeviceAnswers(*d, probe, to)) answering.push_back(d);

    ProbeSeen seen{probe.sourceHost + ":" + std::to_string(probe.sourcePort), probe.messageId, probe.types,
                   probe.scopes, probe.matchBy, probe.replyTo, answering.size()};
    m_log.Probe(seen);

    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(m_randomMutex);
    for (auto &d : answering) {
        int limit = std::max(0, d->maxDelayMs.value_or(m_options.maxDelayMs));
        int delay = std::uniform_int_distribution<int>(0, limit)(m_random);
        m_answerer.Schedule({now + std::chrono::milliseconds(delay), d, to, probe.messageId});
    }
}

}  // namespace sim
