#include "settings/AddressChangeMonitor.h"

#include <cstdio>

namespace signseek {

void AddressChangeThread(AddressChangeSource& source, MessagePoster& window)
{
    if (int error = source.Error()) {
        std::printf("NotifyAddrChange error...%d\n", error);
        std::fflush(stdout);
    }
    while (source.WaitForChange()) {
        window.Post(WM_ADDRESS_CHANGED);
        std::fputs("IP Address table changed..\n", stdout);
        std::fflush(stdout);
    }
}

AddressChangeMonitor::AddressChangeMonitor(MessagePoster& window, std::unique_ptr<AddressChangeSource> source)
    : m_source(std::move(source)), m_thread([this, &window] { AddressChangeThread(*m_source, window); })
{}

AddressChangeMonitor::~AddressChangeMonitor() { Stop(); }

void AddressChangeMonitor::Stop()
{
    if (!m_thread.joinable()) return;
    m_source->Stop();
    m_thread.join();
}

}  // namespace signseek
