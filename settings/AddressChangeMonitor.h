#pragma once

#include <memory>
#include <thread>

namespace signseek {

// Posted to the main dialog, without parameters, when the machine's IP
// address table changed; the dialog then refills its adapter list.
inline constexpr unsigned WM_ADDRESS_CHANGED = 1148;

// Where the monitor posts; the main dialog (or a test) provides it.
class MessagePoster {
public:
    virtual ~MessagePoster() = default;
    // Called from the monitor thread.
    virtual void Post(unsigned message) = 0;
};

// The platform's notification of address table changes.
class AddressChangeSource {
public:
    virtual ~AddressChangeSource() = default;
    // 0 when the notification is armed, else the platform's error number.
    virtual int Error() const = 0;
    // Blocks until the table changed (true; a burst of changes may count as
    // one) or until Stop (false). Without an armed notification only Stop
    // ends the wait.
    virtual bool WaitForChange() = 0;
    // Thread-safe; makes the current and every later wait return false.
    virtual void Stop() = 0;
};

// This machine's address and link changes. The subscription is in place
// when it returns, so no later change is missed.
std::unique_ptr<AddressChangeSource> CreateAddressChangeSource();

// The monitor loop: posts WM_ADDRESS_CHANGED for every change until the
// source is stopped, writing the diagnostic lines to standard output.
void AddressChangeThread(AddressChangeSource& source, MessagePoster& window);

// Runs AddressChangeThread on its own thread; destruction stops and joins it.
class AddressChangeMonitor {
public:
    explicit AddressChangeMonitor(MessagePoster& window,
                                  std::unique_ptr<AddressChangeSource> source = CreateAddressChangeSource());
    ~AddressChangeMonitor();
    AddressChangeMonitor(const AddressChangeMonitor&) = delete;
    AddressChangeMonitor& operator=(const AddressChangeMonitor&) = delete;

    void Stop();

private:
    std::unique_ptr<AddressChangeSource> m_source;
    std::thread m_thread;
};

}  // namespace signseek
