#pragma once
// The main dialog's two private messages, as posted Qt events of the same
// numbers, and the route by which other threads post them.

#include "discovery/DeviceRecord.h"
#include "settings/AddressChangeMonitor.h"

#include <QEvent>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class QObject;

namespace signseek {

inline constexpr QEvent::Type WM_DISCOVERY_RESULT = static_cast<QEvent::Type>(1147);
inline constexpr QEvent::Type WM_ADDRESS_CHANGED_EVENT = static_cast<QEvent::Type>(WM_ADDRESS_CHANGED);

// One discovery run's records; the array travels with the event, so it is
// freed with the event even when the dialog never handles it.
class DiscoveryResultEvent : public QEvent {
public:
    DiscoveryResultEvent(std::unique_ptr<DeviceRecord[]> records, unsigned count, std::string failure = {})
        : QEvent(WM_DISCOVERY_RESULT), m_records(std::move(records)), m_count(m_records ? count : 0),
          m_failure(std::move(failure)) {}

    std::unique_ptr<DeviceRecord[]> m_records;  // null when the run failed
    unsigned m_count;
    std::string m_failure;  // why the run could not do its work; empty when it could
};

class AddressChangedEvent : public QEvent {
public:
    AddressChangedEvent() : QEvent(WM_ADDRESS_CHANGED_EVENT) {}
};

// Shared by the dialog and the threads that post to it. Once the dialog has
// detached, events are dropped (and so freed) instead of posted; events
// already queued are freed by Qt when the dialog goes.
class MessageRoute {
public:
    explicit MessageRoute(QObject* target) : m_target(target) {}

    void Post(std::unique_ptr<QEvent> event);
    void Detach();

    int Dropped() const { return m_dropped.load(); }

private:
    std::mutex m_mutex;
    QObject* m_target;
    std::atomic<int> m_dropped{0};
};

// The address-change monitor's poster.
class RoutePoster : public MessagePoster {
public:
    explicit RoutePoster(std::shared_ptr<MessageRoute> route) : m_route(std::move(route)) {}
    void Post(unsigned message) override;

private:
    std::shared_ptr<MessageRoute> m_route;
};

}  // namespace signseek
