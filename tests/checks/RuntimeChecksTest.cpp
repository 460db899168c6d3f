#include "checks/LinuxRuntimes.h"
#include "checks/RuntimeManipulators.h"

#include <gtest/gtest.h>

#include <climits>

using namespace signseek;

namespace {

class FakeVersion : public VersionReader {
public:
    explicit FakeVersion(std::wstring version) : version(std::move(version)) {}
    std::wstring Read() const override { return version; }
    std::wstring version;
};

class RecordingLauncher : public UrlLauncher {
public:
    void Open(const std::wstring& url) override { opened.push_back(url); }
    std::vector<std::wstring> opened;
};

using Parts = std::array<int, 4>;

}  // namespace

TEST(VersionSplit, CutsAtDotsAndUnderscoresAndReadsLikeAtoi)
{
    EXPECT_EQ(VersionParts(L"1.8.0_151"), (Parts{1, 8, 0, 151}));
    EXPECT_EQ(VersionParts(L"5.1.50918.0"), (Parts{5, 1, 50918, 0}));
    EXPECT_EQ(VersionParts(L"._1..6__0._14"), (Parts{1, 6, 0, 14}));  // runs are one separator
    EXPECT_EQ(VersionParts(L"1.2.3.4.5"), (Parts{1, 2, 3, 4}));       // a fifth part is ignored
    EXPECT_EQ(VersionParts(L"1.6"), (Parts{1, 6, 0, 0}));
    EXPECT_EQ(VersionParts(L"11.0.2+9"), (Parts{11, 0, 2, 0}));  // digits up to the first other
    EXPECT_EQ(VersionParts(L" 7. -2.+3.x9"), (Parts{7, -2, 3, 0}));
    EXPECT_EQ(VersionParts(L"beta"), (Parts{0, 0, 0, 0}));
    EXPECT_EQ(VersionParts(L""), (Parts{0, 0, 0, 0}));
    EXPECT_EQ(VersionParts(L"\u0661.6"), (Parts{0, 6, 0, 0}));  // only ASCII digits count
    // Held to the int range where atoi would overflow.
    EXPECT_EQ(VersionParts(L"99999999999.-99999999999"), (Parts{INT_MAX, INT_MIN, 0, 0}));
}

TEST(JavaCheck, ComparesFromTheLeftAgainst1_6_0_14)
{
    for (const wchar_t* passes :
         {L"1.8.0_151", L"1.6.0_14", L"1.6.0_15", L"1.6.1", L"1.7", L"9.0.4", L"2", L"99999999999"})
        EXPECT_TRUE(IsJavaCurrent(passes)) << passes;
    for (const wchar_t* fails : {L"1.6.0_13", L"1.6.0", L"1.6", L"1.5.9_99", L"0.9", L"-1.8", L"", L"beta"})
        EXPECT_FALSE(IsJavaCurrent(fails)) << fails;
}

TEST(SilverlightCheck, TestsEachPartOnItsOwn)
{
    for (const wchar_t* passes : {L"5.1.50918.0", L"3.0.2710.0", L"3.0.40624"})
        EXPECT_TRUE(IsSilverlightCurrent(passes)) << passes;
    for (const wchar_t* fails : {L"4.0.1234.0", L"2.0.31005.0", L"5.-1.50918.0", L"5.1.50918.-1", L"", L"beta"})
        EXPECT_FALSE(IsSilverlightCurrent(fails)) << fails;
}

TEST(JavaCheck, SentencesFlagsTipAndFix)
{
    struct Case {
        const wchar_t* version;
        const wchar_t* status;
        int ok;
    } cases[] = {
        {L"1.8.0_151", L"Java Version: 1.8.0_151", 1},
        {L"1.6.0_13", L"Java 1.6.0_13 Requires an Update, Please Click Here", 0},
        {L"beta", L"Java beta Requires an Update, Please Click Here", 0},
        {L"", L"Java is not installed, Please Click Here", 0},
    };
    for (const Case& c : cases) {
        FakeVersion reader(c.version);
        RecordingLauncher browser;
        CJavaManipulator check(reader, browser);
        int ok = -1;
        EXPECT_EQ(check.GetStatus(&ok), c.status);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(check.GetTip(), JAVA_DOWNLOAD_PAGE);
        check.Manipulate();  // opens the page whether or not Java is current
        EXPECT_EQ(browser.opened, std::vector<std::wstring>{JAVA_DOWNLOAD_PAGE});
    }
}

TEST(SilverlightCheck, SentencesFlagsTipAndFix)
{
    struct Case {
        const wchar_t* version;
        const wchar_t* status;
        int ok;
    } cases[] = {
        {L"5.1.50918.0", L"Silverlight Version: 5.1.50918.0", 1},
        {L"4.0.1234.0", L"Silverlight Requires an Update, Please Click Here", 0},
        {L"beta", L"Silverlight Requires an Update, Please Click Here", 0},
        {L"", L"Silverlight is not installed, Please Click Here", 0},
    };
    for (const Case& c : cases) {
        FakeVersion reader(c.version);
        RecordingLauncher browser;
        CSilverLightManipulator check(reader, browser);
        int ok = -1;
        EXPECT_EQ(check.GetStatus(&ok), c.status);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(check.GetTip(), SILVERLIGHT_INSTALL_PAGE);
        check.Manipulate();
        EXPECT_EQ(browser.opened, std::vector<std::wstring>{SILVERLIGHT_INSTALL_PAGE});
    }
}

TEST(SilverlightCheck, WithoutARuntimeForThePlatformItDoesNotApply)
{
    // Linux has none: a neutral row that says so, with no page to open.
    CSilverLightManipulator check;
    int ok = -1;
    EXPECT_EQ(check.GetStatus(&ok), L"Silverlight is not available for this platform and is not needed here.");
    EXPECT_EQ(ok, CHECK_NOT_APPLICABLE);
    EXPECT_EQ(check.GetTip(), check.GetStatus());
    NoSilverlightRuntime none;
    RecordingLauncher browser;
    CSilverLightManipulator explicitNone(none, browser);
    explicitNone.Manipulate();
    EXPECT_TRUE(browser.opened.empty());
}
