#include "app/DialogMessages.h"

#include <QCoreApplication>

namespace signseek {

void MessageRoute::Post(std::unique_ptr<QEvent> event)
{
    std::lock_guard lock(m_mutex);
    if (m_target == nullptr) {
        ++m_dropped;
        return;
    }
    QCoreApplication::postEvent(m_target, event.release());
}

void MessageRoute::Detach()
{
    std::lock_guard lock(m_mutex);
    m_target = nullptr;
}

void RoutePoster::Post(unsigned message)
{
    if (message == WM_ADDRESS_CHANGED) m_route->Post(std::make_unique<AddressChangedEvent>());
}

}  // namespace signseek
