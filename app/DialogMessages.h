#pragma once
// The main dialog's private messages, as posted Qt events of the same
// numbers, and the route by which other threads post them.

#include "app/TargetsForm.h"
#include "discovery/RunResult.h"
#include "settings/AddressChangeMonitor.h"

#include <QEvent>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class QObject;

namespace signseek {

inline constexpr QEvent::Type WM_DISCOVERY_RESULT = static_cast<QEvent::Type>(1147);
inline constexpr QEvent::Type WM_DEVICE_RECORDS = static_cast<QEvent::Type>(1149);
inline constexpr QEvent::Type WM_ADDRESS_CHANGED_EVENT = static_cast<QEvent::Type>(WM_ADDRESS_CHANGED);
inline constexpr QEvent::Type WM_TARGETS_CHECKED = static_cast<QEvent::Type>(1151);
static_assert(WM_DEVICE_RECORDS != WM_ADDRESS_CHANGED_EVENT && WM_DEVICE_RECORDS != WM_DISCOVERY_RESULT);
static_assert(WM_TARGETS_CHECKED != WM_ADDRESS_CHANGED_EVENT);

// One discovery run's result; the records travel with the event, so they
// are freed with the event even when the dialog never handles it.
class DiscoveryResultEvent : public QEvent {
public:
    explicit DiscoveryResultEvent(RunResult result, std::string run = {})
        : QEvent(WM_DISCOVERY_RESULT), m_result(std::move(result)), m_run(std::move(run))
    {}

    RunResult m_result;
    std::string m_run;  // the label its records were reported under while it ran; may be empty
};

// Records of the search numbered search wait in its mailbox. One note stands
// for however many records came before the window takes them.
class DeviceRecordsEvent : public QEvent {
public:
    explicit DeviceRecordsEvent(std::uint64_t search) : QEvent(WM_DEVICE_RECORDS), m_search(search) {}

    std::uint64_t m_search;
};

// The user's targets, their host names looked up on a thread of their own.
class TargetsCheckedEvent : public QEvent {
public:
    explicit TargetsCheckedEvent(CheckedTargets targets) : QEvent(WM_TARGETS_CHECKED), m_targets(std::move(targets)) {}

    CheckedTargets m_targets;
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
