#include "cli/mqtt/WatchPublisher.h"

#include "cli/mqtt/DeviceTopic.h"

#include <algorithm>
#include <chrono>

namespace signseek {

namespace {

constexpr int kServeMillis = 50;
constexpr int kQos = 1;
// Retained messages come right after the subscription is confirmed.
constexpr int kListenMillis = 2000;

std::int64_t NowMillis()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

WatchPublisher::WatchPublisher(std::unique_ptr<BrokerLink> link, PublisherSettings settings, Notice notice)
    : m_link(std::move(link)), m_settings(std::move(settings)), m_notice(std::move(notice))
{}

WatchPublisher::~WatchPublisher() { Stop(); }

void WatchPublisher::Start()
{
    m_link->SetHandlers({
        [this](int refusal, const std::string& reason) { Connected(refusal, reason); },
        [this](int messageId) { Delivered(messageId); },
        [this](int messageId) {
            if (messageId == m_listenId) m_listenedAt = NowMillis();
        },
        [this](const BrokerMessage& message) { Retained(message); },
    });
    m_startedAt = NowMillis();
    m_swept = m_settings.staleAfterMillis <= 0;
    m_thread = std::thread(&WatchPublisher::Run, this);
}

void WatchPublisher::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void WatchPublisher::Tell(const std::string& id, std::string deviceJson, std::string eventLine)
{
    bool sayLimit = false;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_devices.find(id);
        if (it == m_devices.end()) {
            if (m_devices.size() < m_settings.maxDevices) {
                it = m_devices.emplace(id, Kept{}).first;
            } else {
                ++m_counters.droppedDevices;
                sayLimit = !m_deviceLimitSaid;
                m_deviceLimitSaid = true;
            }
        }
        if (it != m_devices.end()) {
            it->second.payload = std::move(deviceJson);
            ++it->second.version;
            if (!it->second.queued) {
                it->second.queued = true;
                m_queued.push_back(id);
            }
        }
        if (!eventLine.empty()) {
            if (m_events.size() >= m_settings.maxEvents) {
                m_events.pop_front();
                ++m_counters.droppedEvents;
            }
            m_events.push_back(std::move(eventLine));
        }
    }
    if (sayLimit && m_notice)
        m_notice("more devices than the publisher keeps (" + std::to_string(m_settings.maxDevices) +
                 "); new ones are not published");
}

WatchPublisher::Counters WatchPublisher::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_counters;
}

bool WatchPublisher::Idle() const
{
    std::lock_guard lock(m_mutex);
    return m_events.empty() && m_queued.empty() && m_inFlight.empty();
}

std::string WatchPublisher::DeviceTopic(const std::string& id) const
{
    return m_settings.root + '/' + kDevicesLevel + '/' + id;
}

void WatchPublisher::Run()
{
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (m_stop) break;
            if (m_state == State::Down) {
                const std::int64_t wait = m_nextAttempt - NowMillis();
                if (wait > 0) {
                    m_wake.wait_for(lock, std::chrono::milliseconds(std::min<std::int64_t>(wait, kServeMillis)));
                    continue;
                }
            }
        }
        if (m_state == State::Down) {
            const std::string why = m_link->Connect();
            if (!why.empty()) {
                Failed(why);
                continue;
            }
            m_state = State::Connecting;
            m_connectStarted = NowMillis();
        }
        if (m_state == State::Up) SendWaiting();
        const std::string why = m_link->Serve(kServeMillis);
        if (m_state == State::Up && m_listening && m_listenedAt && NowMillis() - m_listenedAt > kListenMillis) {
            // Our own messages would come back for as long as we listen.
            m_link->Unsubscribe(DeviceTopic("+"));
            m_listening = false;
        }
        if (m_state == State::Up && !m_swept && !m_listening && m_listenedAt &&
            NowMillis() - m_startedAt >= m_settings.staleAfterMillis)
            Sweep();
        if (!why.empty()) {
            Failed(why);
        } else if (m_state == State::Connecting && NowMillis() - m_connectStarted > m_settings.connectMillis) {
            Failed("no answer from the broker");
        }
    }

    // Stopping: hand over what waits, then say goodbye in person rather
    // than by the will.
    const std::int64_t deadline = NowMillis() + m_settings.stopMillis;
    while (m_state == State::Up && !Idle() && NowMillis() < deadline) {
        SendWaiting();
        if (!m_link->Serve(kServeMillis).empty()) m_state = State::Down;
    }
    if (m_state == State::Up && PublishStatus(kOffline)) {
        while (m_state == State::Up && !Idle() && NowMillis() < deadline + 500)
            if (!m_link->Serve(kServeMillis).empty()) m_state = State::Down;
    }
    m_link->Disconnect();
}

bool WatchPublisher::PublishStatus(const char* status)
{
    std::optional<int> id = m_link->Publish(m_settings.root + '/' + kStatusLevel, status, kQos, true);
    if (!id) return false;
    std::lock_guard lock(m_mutex);
    m_inFlight[*id] = InFlight{};
    return true;
}

void WatchPublisher::Connected(int refusal, const std::string& reason)
{
    if (refusal != 0) {
        m_lastRefusal = "the broker refused the connection: " + reason;
        return;
    }
    m_listening = false;
    m_state = State::Up;
    m_retryMillis = 0;
    std::uint64_t dropped = 0;
    {
        std::lock_guard lock(m_mutex);
        m_inFlight.clear();
        m_queued.clear();
        for (auto& [id, kept] : m_devices) {
            kept.queued = true;
            m_queued.push_back(id);
        }
        dropped = m_counters.droppedEvents - m_droppedSaid;
        m_droppedSaid = m_counters.droppedEvents;
    }
    if (m_notice) {
        if (m_everUp)
            m_notice("the broker " + m_settings.brokerName + " is back; publishing every device's latest state");
        else
            m_notice("publishing to the broker " + m_settings.brokerName + " under " + m_settings.root);
        if (dropped)
            m_notice(std::to_string(dropped) + " events were left out while the broker was away (the devices' " +
                     "latest state is published)");
    }
    m_everUp = true;
    m_lastFailure.clear();
    PublishStatus(kOnline);
    if (!m_swept && !m_listenedAt) {
        std::optional<int> id = m_link->Subscribe(DeviceTopic("+"), kQos);
        m_listenId = id.value_or(-1);
        m_listening = id.has_value();
    }
}

void WatchPublisher::Retained(const BrokerMessage& message)
{
    const std::string under = DeviceTopic("");
    if (!message.retained || message.payload.empty() || !message.topic.starts_with(under)) return;
    const std::string id = message.topic.substr(under.size());
    std::lock_guard lock(m_mutex);
    if (m_earlier.size() < m_settings.maxDevices) m_earlier.insert(id);
}

void WatchPublisher::Sweep()
{
    std::size_t cleared = 0;
    {
        std::lock_guard lock(m_mutex);
        for (const std::string& id : m_earlier) {
            if (m_devices.count(id) || m_devices.size() >= m_settings.maxDevices) continue;
            m_devices.emplace(id, Kept{"", 1, true});
            m_queued.push_back(id);
            ++cleared;
        }
        m_earlier.clear();
    }
    m_swept = true;
    if (cleared && m_notice)
        m_notice("cleared " + std::to_string(cleared) + " devices an earlier run left on the broker and the watch " +
                 "no longer lists");
}

void WatchPublisher::Delivered(int messageId)
{
    std::lock_guard lock(m_mutex);
    auto it = m_inFlight.find(messageId);
    if (it == m_inFlight.end()) return;
    ++m_counters.published;
    if (!it->second.id.empty()) {
        // A lost device, once cleared on the broker, need not be kept.
        auto device = m_devices.find(it->second.id);
        if (device != m_devices.end() && device->second.payload.empty() && !device->second.queued &&
            device->second.version == it->second.version)
            m_devices.erase(device);
    }
    m_inFlight.erase(it);
}

void WatchPublisher::Failed(const std::string& failure)
{
    const std::string why = m_lastRefusal.empty() ? failure : m_lastRefusal;
    m_lastRefusal.clear();
    if (m_notice) {
        if (m_state == State::Up)
            m_notice("lost the broker " + m_settings.brokerName + " (" + why + "); the watch goes on and reconnects");
        else if (why != m_lastFailure)
            m_notice("cannot publish to the broker " + m_settings.brokerName + ": " + why +
                     "; the watch goes on and tries again");
    }
    m_lastFailure = why;
    m_state = State::Down;
    m_link->Disconnect();
    m_retryMillis =
        m_retryMillis ? std::min(2 * m_retryMillis, m_settings.lastRetryMillis) : m_settings.firstRetryMillis;
    m_nextAttempt = NowMillis() + m_retryMillis;
    std::lock_guard lock(m_mutex);
    m_inFlight.clear();
}

void WatchPublisher::SendWaiting()
{
    std::lock_guard lock(m_mutex);
    while (m_inFlight.size() < m_settings.window) {
        if (!m_events.empty()) {
            std::optional<int> id =
                m_link->Publish(m_settings.root + '/' + kEventsLevel, m_events.front(), kQos, false);
            if (!id) return;
            m_inFlight[*id] = InFlight{};
            m_events.pop_front();
            continue;
        }
        if (m_queued.empty()) return;
        const std::string device = m_queued.front();
        m_queued.pop_front();
        auto it = m_devices.find(device);
        if (it == m_devices.end() || !it->second.queued) continue;
        std::optional<int> id = m_link->Publish(DeviceTopic(device), it->second.payload, kQos, true);
        if (!id) {
            m_queued.push_front(device);
            return;
        }
        it->second.queued = false;
        m_inFlight[*id] = InFlight{device, it->second.version};
    }
}

}  // namespace signseek
