#include "checks/AdminUserManipulator.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace signseek;

namespace {

class FakeCredentials : public CredentialSource {
public:
    explicit FakeCredentials(std::optional<Credentials> credentials) : m_credentials(credentials) {}
    std::optional<Credentials> Read() const override { return m_credentials; }

private:
    std::optional<Credentials> m_credentials;
};

class RecordingMessageBox : public MessageBoxSink {
public:
    void ShowWarning(const std::wstring& text) override { shown.push_back(text); }
    std::vector<std::wstring> shown;
};

constexpr std::uint64_t CAP_NET_ADMIN_MASK = 1ull << 12;
constexpr std::uint64_t CAP_SYS_ADMIN_MASK = 1ull << 21;

}  // namespace

TEST(AdminCheck, ProcStatusGivesEffectiveUidAndCapabilities)
{
    auto parsed = ParseProcStatus("Name:\tsignseek\nUid:\t1000\t0\t0\t0\nGid:\t1000\t1000\t1000\t1000\n"
                                  "CapInh:\t0000000000000000\nCapPrm:\t0000000000001000\nCapEff:\t0000000000001000\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->effectiveUid, 0u);  // the second number, not the real uid
    EXPECT_EQ(parsed->effectiveCapabilities, CAP_NET_ADMIN_MASK);

    parsed = ParseProcStatus("Uid:\t1000\t1000\t1000\t1000\nCapEff:\t000001ffffffffff\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->effectiveUid, 1000u);
    EXPECT_EQ(parsed->effectiveCapabilities, 0x1ffffffffffull);

    EXPECT_FALSE(ParseProcStatus("Uid:\t1000\t1000\t1000\t1000\n"));                       // no CapEff
    EXPECT_FALSE(ParseProcStatus("CapEff:\t0000000000000000\n"));                          // no Uid
    EXPECT_FALSE(ParseProcStatus("Uid:\t1000\nCapEff:\t0000000000000000\n"));              // one uid only
    EXPECT_FALSE(ParseProcStatus("Uid:\t1000\tx0\t0\t0\nCapEff:\t0000000000000000\n"));    // not a number
    EXPECT_FALSE(ParseProcStatus("Uid:\t1000\t1000\t0\t0\nCapEff:\tzz00000000000000\n"));  // not hex
    EXPECT_FALSE(ParseProcStatus("XUid:\t0\t0\t0\t0\nCapEff:\t0000000000000000\n"));       // other field
}

TEST(AdminCheck, RootOrNetAdminCountsAndNothingElse)
{
    struct Case {
        std::optional<Credentials> credentials;
        bool admin;
    } cases[] = {
        {Credentials{0, 0}, true},                       // root without capabilities
        {Credentials{1000, CAP_NET_ADMIN_MASK}, true},   // a capability-granted service user
        {Credentials{1000, CAP_SYS_ADMIN_MASK}, false},  // other capabilities do not count
        {Credentials{1000, 0}, false},                   // a sudo group member without sudo
        {std::nullopt, false},                           // unreadable context
    };
    for (const Case& c : cases) {
        FakeCredentials source(c.credentials);
        RecordingMessageBox box;
        CAdminUserManipulator check(source, box);
        int ok = -1;
        EXPECT_EQ(check.GetStatus(&ok), c.admin ? ADMIN_STATUS_YES : ADMIN_STATUS_NO);
        EXPECT_EQ(ok, c.admin ? 1 : 0);
        EXPECT_EQ(check.GetTip(), check.GetStatus());
        check.Manipulate();
        EXPECT_EQ(box.shown, c.admin ? std::vector<std::wstring>{} : std::vector<std::wstring>{ADMIN_PLEASE_LOG_IN});
    }
    EXPECT_EQ(std::wstring(ADMIN_STATUS_NO), L"The Current User Is Not An Administrative User On This Computer.");
    EXPECT_EQ(std::wstring(ADMIN_PLEASE_LOG_IN), L"Please have a system administrator log in to resolve any issues.");
}

TEST(AdminCheck, ThisProcessIsReadConsistentlyWithItsEffectiveUid)
{
    LinuxCredentialSource source;
    std::optional<Credentials> credentials = source.Read();
    ASSERT_TRUE(credentials);
    EXPECT_EQ(credentials->effectiveUid, static_cast<unsigned>(::geteuid()));
    if (::geteuid() == 0) {
        EXPECT_TRUE(IsAdminUser(source));
    }
}
