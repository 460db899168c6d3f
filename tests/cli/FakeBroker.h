#pragma once
// A broker in memory behind the BrokerLink seam: it can be up or down, or
// refuse every login; it keeps retained messages as a broker does and the
// events published to it.

#include "cli/mqtt/BrokerLink.h"

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace signseek {

struct FakeBroker {
    std::mutex mutex;
    bool up = true;
    bool refuse = false;
    std::map<std::string, std::string> retained;
    std::vector<std::string> events;  // payloads of topics ending in /events
    int connects = 0;

    std::map<std::string, std::string> Retained()
    {
        std::lock_guard lock(mutex);
        return retained;
    }
};

class FakeLink final : public BrokerLink {
public:
    explicit FakeLink(std::shared_ptr<FakeBroker> broker) : m_broker(std::move(broker)) {}

    void SetHandlers(Handlers handlers) override { m_handlers = std::move(handlers); }

    std::string Connect() override
    {
        std::lock_guard lock(m_broker->mutex);
        ++m_broker->connects;
        if (!m_broker->up) return "Connection refused";
        m_state = State::Connecting;
        return {};
    }

    std::string Serve(int timeoutMillis) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMillis, 2)));
        std::unique_lock lock(m_broker->mutex);
        if (m_state == State::None) return "no connection";
        if (!m_broker->up) {
            m_state = State::None;
            m_waiting.clear();
            return "connection lost";
        }
        if (m_state == State::Connecting) {
            const bool refuse = m_broker->refuse;
            m_state = refuse ? State::None : State::Up;
            lock.unlock();
            m_handlers.connected(refuse ? 5 : 0, refuse ? "not authorised." : "");
            return refuse ? "the broker refused the connection" : "";
        }
        std::deque<Waiting> arrived;
        arrived.swap(m_waiting);
        for (const Waiting& w : arrived) {
            if (w.retain) {
                if (w.payload.empty())
                    m_broker->retained.erase(w.topic);
                else
                    m_broker->retained[w.topic] = w.payload;
            }
            if (w.topic.ends_with("/events")) m_broker->events.push_back(w.payload);
        }
        lock.unlock();
        for (const Waiting& w : arrived) m_handlers.delivered(w.id);
        std::vector<int> subscribed;
        subscribed.swap(m_subscribed);
        for (int id : subscribed)
            if (m_handlers.subscribed) m_handlers.subscribed(id);
        std::vector<BrokerMessage> arriving;
        arriving.swap(m_arriving);
        for (const BrokerMessage& m : arriving)
            if (m_handlers.message) m_handlers.message(m);
        return {};
    }

    std::optional<int> Publish(const std::string& topic, const std::string& payload, int, bool retain) override
    {
        if (m_state != State::Up) return std::nullopt;
        m_waiting.push_back({++m_lastId, topic, payload, retain});
        return m_lastId;
    }

    // Patterns of the form "a/b/+": the retained messages one level below a/b.
    std::optional<int> Subscribe(const std::string& pattern, int) override
    {
        if (m_state != State::Up || !pattern.ends_with("/+")) return std::nullopt;
        std::lock_guard lock(m_broker->mutex);
        const std::string under = pattern.substr(0, pattern.size() - 1);
        for (const auto& [topic, payload] : m_broker->retained)
            if (topic.starts_with(under) && topic.find('/', under.size()) == std::string::npos)
                m_arriving.push_back({topic, payload, true});
        m_subscribed.push_back(++m_lastId);
        return m_lastId;
    }
    void Unsubscribe(const std::string&) override {}
    void Disconnect() override
    {
        m_state = State::None;
        m_waiting.clear();
    }

private:
    enum class State { None, Connecting, Up };
    struct Waiting {
        int id;
        std::string topic;
        std::string payload;
        bool retain;
    };
    std::shared_ptr<FakeBroker> m_broker;
    Handlers m_handlers;
    State m_state = State::None;
    std::deque<Waiting> m_waiting;
    std::vector<int> m_subscribed;
    std::vector<BrokerMessage> m_arriving;
    int m_lastId = 0;
};

}  // namespace signseek
