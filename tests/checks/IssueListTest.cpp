#include "checks/IssueList.h"

#include <gtest/gtest.h>

using namespace signseek;

namespace {

// A check whose state the test sets; its fix makes it pass.
class FakeCheck : public CManipulator {
public:
    FakeCheck(std::wstring name, int ok) : name(std::move(name)), ok(ok) {}
    int Manipulate() override
    {
        ++fixes;
        ok = 1;
        return 0;
    }
    std::wstring GetStatus(int* pnOk) override
    {
        if (pnOk) *pnOk = ok;
        return name + (ok ? L" fine" : L" broken");
    }
    std::wstring GetTip() override { return tip.empty() ? CManipulator::GetTip() : tip; }
    std::wstring name;
    int ok;
    int fixes = 0;
    std::wstring tip;
};

struct Checks {
    FakeCheck admin{L"admin", 1}, firewall{L"firewall", 1}, silverlight{L"silverlight", 1}, java{L"java", 1};
    IssueListModel list{admin, firewall, silverlight, java};

    std::vector<int> Images() const
    {
        std::vector<int> images;
        for (const IssueRow& row : list.Rows()) images.push_back(row.image);
        return images;
    }
};

using Images = std::vector<int>;
constexpr int X = ISSUE_IMAGE_CROSS, V = ISSUE_IMAGE_TICK, N = ISSUE_IMAGE_NEUTRAL;

}  // namespace

TEST(IssueList, RowsInTheirOrderWithTextMarkAndCheck)
{
    Checks c;
    c.firewall.ok = 0;
    c.list.FillIssueList();
    ASSERT_EQ(c.list.Rows().size(), 4u);
    const std::vector<IssueRow>& rows = c.list.Rows();
    EXPECT_EQ(rows[0].text, L"admin fine");
    EXPECT_EQ(rows[1].text, L"firewall broken");
    EXPECT_EQ(rows[2].text, L"silverlight fine");
    EXPECT_EQ(rows[3].text, L"java fine");
    EXPECT_EQ(rows[0].check, &c.admin);
    EXPECT_EQ(rows[1].check, &c.firewall);
    EXPECT_EQ(rows[2].check, &c.silverlight);
    EXPECT_EQ(rows[3].check, &c.java);
    EXPECT_EQ(c.Images(), (Images{V, X, V, V}));
    c.list.FillIssueList();  // a refill replaces the rows
    EXPECT_EQ(c.list.Rows().size(), 4u);
}

TEST(IssueList, MissingAdministratorRightsAreAnIssueOnlyBesideAnother)
{
    struct Case {
        int admin, firewall, silverlight, java;
        Images images;
    } cases[] = {
        {1, 1, 1, 1, {V, V, V, V}},
        {0, 1, 1, 1, {V, V, V, V}},  // green tick beside the "not" sentence
        {0, 0, 1, 1, {X, X, V, V}},
        {0, 1, 0, 1, {X, V, X, V}},
        {0, 1, 1, 0, {X, V, V, X}},
        {1, 0, 0, 0, {V, X, X, X}},
        // A check that does not apply is no issue, and shows the neutral mark.
        {0, 1, CHECK_NOT_APPLICABLE, 1, {V, V, N, V}},
        {0, 0, CHECK_NOT_APPLICABLE, 1, {X, X, N, V}},
    };
    for (const Case& k : cases) {
        Checks c;
        c.admin.ok = k.admin;
        c.firewall.ok = k.firewall;
        c.silverlight.ok = k.silverlight;
        c.java.ok = k.java;
        c.list.FillIssueList();
        EXPECT_EQ(c.Images(), k.images);
        EXPECT_EQ(c.list.Rows()[0].text, k.admin ? L"admin fine" : L"admin broken");
    }
}

TEST(IssueList, AClickFixesTheRowUnderItAndRefills)
{
    Checks c;
    c.admin.ok = 0;
    c.firewall.ok = 0;
    c.list.FillIssueList();
    EXPECT_EQ(c.Images(), (Images{X, X, V, V}));

    EXPECT_TRUE(c.list.Click(1));
    EXPECT_EQ(c.firewall.fixes, 1);
    EXPECT_EQ(c.list.Rows()[1].text, L"firewall fine");
    EXPECT_EQ(c.Images(), (Images{V, V, V, V}));  // the administrator row turns green too

    for (int outside : {-1, 4, 100}) {
        EXPECT_FALSE(c.list.Click(outside));
        EXPECT_EQ(c.list.Rows().size(), 4u);
    }
    EXPECT_EQ(c.admin.fixes + c.firewall.fixes + c.silverlight.fixes + c.java.fixes, 1);
}

TEST(IssueList, TipsComeFromTheCheckAndAreCutToTheCapacity)
{
    Checks c;
    c.java.tip = L"https://www.java.com/download/";
    c.silverlight.tip = std::wstring(5000, L'x');
    c.list.FillIssueList();
    EXPECT_EQ(c.list.Tip(0), L"admin fine");
    EXPECT_EQ(c.list.Tip(3), L"https://www.java.com/download/");
    EXPECT_EQ(c.list.Tip(2), std::wstring(ISSUE_TIP_CAPACITY - 1, L'x'));
    EXPECT_EQ(c.list.Tip(3, 6), L"https");
    EXPECT_EQ(c.list.Tip(0, 11), L"admin fine");  // exactly fits with its terminator
    EXPECT_EQ(c.list.Tip(0, 1), L"");
    EXPECT_EQ(c.list.Tip(0, 0), L"");
    EXPECT_EQ(c.list.Tip(4), L"");
    EXPECT_EQ(c.list.Tip(-1), L"");
}
