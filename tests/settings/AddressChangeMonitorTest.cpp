#include "settings/AddressChangeMonitor.h"
#include "tests/settings/RecordingPoster.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace signseek;
using signseek::test::RecordingPoster;

namespace {

// Reports changes when the test says so.
class FakeAddressChanges : public AddressChangeSource {
public:
    explicit FakeAddressChanges(int error = 0) : m_error(error) {}
    int Error() const override { return m_error; }
    bool WaitForChange() override
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stopped || (m_pending > 0 && m_error == 0); });
        if (m_stopped) return false;
        --m_pending;
        return true;
    }
    void Stop() override
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_wake.notify_all();
    }
    void Change()
    {
        std::lock_guard lock(m_mutex);
        ++m_pending;
        m_wake.notify_all();
    }

private:
    const int m_error;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_pending = 0;
    bool m_stopped = false;
};

}  // namespace

TEST(AddressChangeThread, PostsAndReportsEveryChangeUntilStopped)
{
    RecordingPoster window;
    auto owned = std::make_unique<FakeAddressChanges>();
    FakeAddressChanges& changes = *owned;
    testing::internal::CaptureStdout();
    {
        AddressChangeMonitor monitor(window, std::move(owned));
        for (std::size_t i = 0; i < 3; ++i) {
            changes.Change();
            ASSERT_TRUE(window.WaitForMoreThan(i));
        }
        monitor.Stop();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "IP Address table changed..\nIP Address table changed..\nIP Address table changed..\n");
    EXPECT_EQ(window.Messages(), (std::vector<unsigned>{1148, 1148, 1148}));
}

TEST(AddressChangeThread, FailedArmingIsReportedAndOnlyStopEndsTheWait)
{
    RecordingPoster window;
    auto owned = std::make_unique<FakeAddressChanges>(97);
    FakeAddressChanges& changes = *owned;
    testing::internal::CaptureStdout();
    {
        AddressChangeMonitor monitor(window, std::move(owned));
        changes.Change();
        EXPECT_FALSE(window.WaitForMoreThan(0, std::chrono::milliseconds(50)));
    }  // the destructor stops and joins the thread
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "NotifyAddrChange error...97\n");
    EXPECT_TRUE(window.Messages().empty());
}
