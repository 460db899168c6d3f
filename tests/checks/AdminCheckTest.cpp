#include "checks/AdminUserManipulator.h"
#include "tests/checks/CheckTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace signseek;

using namespace signseek::test;

namespace {

class RecordingMessageBox : public MessageBoxSink {
public:
    void ShowWarning(const std::wstring& text) override { shown.push_back(text); }
    std::vector<std::wstring> shown;
};

}  // namespace

TEST(AdminCheck, ProcStatusGivesTheUidsAndWhatAToolStartedAsRootGets)
{
    auto parsed = ParseProcStatus("Name:\tsignseek\nUid:\t1000\t0\t0\t0\nGid:\t1000\t1000\t1000\t1000\n"
                                  "CapInh:\t0000000000000001\nCapPrm:\t0000000000000000\nCapEff:\t0000000000000000\n"
                                  "CapBnd:\t0000000000001000\nCapAmb:\t0000000000000000\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->realUid, 1000u);
    EXPECT_EQ(parsed->effectiveUid, 0u);
    EXPECT_EQ(parsed->childCapabilities, CAP_NET_ADMIN_MASK | 1u);  // bounding and inheritable, not effective

    const std::string caps = "CapInh:\t0000000000000000\nCapBnd:\t000001ffffffffff\n";
    parsed = ParseProcStatus("Uid:\t0\t0\t0\t0\n" + caps);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->childCapabilities, 0x1ffffffffffull);

    EXPECT_FALSE(ParseProcStatus("Uid:\t1000\t1000\t1000\t1000\nCapInh:\t0000000000000000\n"));  // no CapBnd
    EXPECT_FALSE(ParseProcStatus("Uid:\t1000\t1000\t1000\t1000\nCapBnd:\t0000000000000000\n"));  // no CapInh
    EXPECT_FALSE(ParseProcStatus(caps));                                                         // no Uid
    EXPECT_FALSE(ParseProcStatus("Uid:\t1000\n" + caps));                                        // one uid only
    EXPECT_FALSE(ParseProcStatus("Uid:\t1000\tx0\t0\t0\n" + caps));                              // not a number
    EXPECT_FALSE(ParseProcStatus("Uid:\t0\t0\t0\t0\nCapInh:\t0\nCapBnd:\tzz00000000000000\n"));  // not hex
    EXPECT_FALSE(ParseProcStatus("XUid:\t0\t0\t0\t0\n" + caps));                                 // other field
}

// Administrator means: may change the firewall with its tools.
TEST(AdminCheck, RootWhoseToolsGetNetAdminCountsAndNothingElse)
{
    struct Case {
        std::optional<Credentials> credentials;
        bool admin;
    } cases[] = {
        {ROOT, true},
        {Credentials{0, CAP_NET_ADMIN_MASK, 0}, true},          // root with only what netfilter asks
        {Credentials{0, 0, 0}, false},                          // root whose capabilities were all taken away
        {Credentials{0, CAP_SYS_ADMIN_MASK, 0}, false},         // ... all but others
        {Credentials{1000, CAP_NET_ADMIN_MASK, 1000}, false},   // CAP_NET_ADMIN without root: ufw refuses
        {Credentials{0, ROOT.childCapabilities, 1000}, false},  // set-user-id root: ufw asks the real uid
        {USER, false},                                          // a sudo group member without sudo
        {std::nullopt, false},                                  // unreadable context
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
        // A non-administrator is told how to get the rights.
        EXPECT_EQ(box.shown, c.admin ? std::vector<std::wstring>{}
                                     : std::vector<std::wstring>{std::wstring(ADMIN_PLEASE_LOG_IN) + L"\n" +
                                                                 ADMIN_RUN_WITH_RIGHTS});
    }
    EXPECT_EQ(std::wstring(ADMIN_STATUS_NO), L"The Current User Is Not An Administrative User On This Computer.");
    EXPECT_EQ(std::wstring(ADMIN_PLEASE_LOG_IN), L"Please have a system administrator log in to resolve any issues.");
    EXPECT_NE(std::wstring(ADMIN_RUN_WITH_RIGHTS).find(L"sudo signseek"), std::wstring::npos);
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
