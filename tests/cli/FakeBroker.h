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
        return {};
    }

    std::optional<int> Publish(const std::string& topic, const std::string& payload, int, bool retain) override
    {
        if (m_state != State::Up) return std::nullopt;
        m_waiting.push_back({++m_lastId, topic, payload, retain});
        return m_lastId;
    }

    std::optional<int> Subscribe(const std::string&, int) override { return std::nullopt; }
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
    int m_lastId = 0;
};

}  // namespace signseek
