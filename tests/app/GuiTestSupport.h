#pragma once
// A QApplication on the offscreen platform and stand-ins for what the main
// dialog takes from the platform.

#include "app/MainDialog.h"
#include "settings/AdapterSource.h"
#include "settings/AddressChangeMonitor.h"
#include "tests/settings/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Fontconfig keeps a cache for the life of the process, which Qt's font
// database never hands back, and so does libdbus for the connection the X11
// platform opens; not leaks of ours. Weak, as every test source of a binary
// includes it.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}

namespace signseek::test {

inline void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "signseek-test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives until the process ends
}

// Runs the event loop until done() holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// An adapter list the test can change.
class MutableAdapters : public AdapterSource {
public:
    explicit MutableAdapters(std::vector<AdapterRecord> adapters) : m_adapters(std::move(adapters)) {}
    std::optional<std::vector<AdapterRecord>> Enumerate() const override
    {
        std::lock_guard lock(m_mutex);
        return m_adapters;
    }
    void Set(std::vector<AdapterRecord> adapters)
    {
        std::lock_guard lock(m_mutex);
        m_adapters = std::move(adapters);
    }

private:
    mutable std::mutex m_mutex;
    std::vector<AdapterRecord> m_adapters;
};

inline std::shared_ptr<MutableAdapters> Loopback()
{
    return std::make_shared<MutableAdapters>(std::vector<AdapterRecord>{{"lo (Loopback)", {"127.0.0.1"}}});
}

// Services for a dialog on loopback that records each page it opens in
// `launched`, watches no address changes and keeps its targets file below
// settingsFolder.
inline DialogServices RecordingServices(const std::string& settingsFolder, std::vector<QString>& launched)
{
    DialogServices s;
    s.adapters = Loopback();
    s.settingsFolder = settingsFolder;
    s.targetsFolder = settingsFolder + "/config";  // the test's own, not the user's
    s.openUrl = [&launched](const QUrl& url) {
        launched.push_back(url.toString());
        return true;
    };
    s.addressChanges = nullptr;
    // Port 8000 as free, whatever other tests hold.
    s.chooseReplyPort = [](const std::string&) { return ReplyPortChoice{}; };
    return s;
}

// Address changes on demand.
class FakeAddressChanges : public AddressChangeSource {
public:
    struct Control {
        std::mutex mutex;
        std::condition_variable changed;
        int pending = 0;
        bool stopped = false;
        void Trigger()
        {
            std::lock_guard lock(mutex);
            ++pending;
            changed.notify_all();
        }
    };
    explicit FakeAddressChanges(std::shared_ptr<Control> control) : m_control(std::move(control)) {}
    int Error() const override { return 0; }
    bool WaitForChange() override
    {
        std::unique_lock lock(m_control->mutex);
        m_control->changed.wait(lock, [this] { return m_control->pending > 0 || m_control->stopped; });
        if (m_control->stopped) return false;
        --m_control->pending;
        return true;
    }
    void Stop() override
    {
        std::lock_guard lock(m_control->mutex);
        m_control->stopped = true;
        m_control->changed.notify_all();
    }

private:
    std::shared_ptr<Control> m_control;
};

// Holds a discovery run until the test opens it.
class Gate {
public:
    // Waits until the gate opens or, given a run's stop flag, the run is stopped.
    void Enter(const std::atomic<bool>* stop = nullptr)
    {
        std::unique_lock lock(m_mutex);
        ++m_entered;
        m_changed.notify_all();
        while (!m_open && !(stop && *stop)) m_changed.wait_for(lock, std::chrono::milliseconds(10));
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    bool WaitEntered(int n)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_entered >= n; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_entered = 0;
};

// A record a fake run reports while it runs, then the gate it waits at, if any.
struct FakeReport {
    RecordChange change;
    std::size_t index;
    DeviceRecord record;
    std::shared_ptr<Gate> after;
};

// A discovery run that, after an optional start gate, reports its reports
// through the request's onRecord, then returns copies of records (or fails)
// after an optional gate, and keeps the request it got. Set its fields
// before a search starts; it must outlive the search threads.
struct FakeRun {
    std::shared_ptr<Gate> start;
    std::vector<FakeReport> reports;
    std::vector<DeviceRecord> records;
    bool fails = false;
    std::string failure;  // the cause a failing run gives
    std::shared_ptr<Gate> gate;
    std::shared_ptr<std::vector<DiscoveryRequest>> requests = std::make_shared<std::vector<DiscoveryRequest>>();
    std::shared_ptr<std::mutex> mutex = std::make_shared<std::mutex>();

    DiscoveryRunFunction Function() const
    {
        return [this](const DiscoveryRequest& request) {
            {
                std::lock_guard lock(*mutex);
                requests->push_back(request);
            }
            if (start) start->Enter(request.pStop);
            for (const FakeReport& report : reports) {
                if (request.onRecord) request.onRecord(report.change, report.index, report.record);
                if (report.after) report.after->Enter(request.pStop);
            }
            if (gate) gate->Enter(request.pStop);
            RunResult result;
            if (fails) {
                result.failed = true;
                result.failure = failure;
                return result;
            }
            result.records = records;
            return result;
        };
    }
};

}  // namespace signseek::test
