// The issue list in the main dialog on the offscreen platform, with the
// checks' platform stood in for.

#include "GuiTestSupport.h"

#include "app/IssueList.h"
#include "checks/AdminUserManipulator.h"
#include "checks/LinuxRuntimes.h"

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace signseek;

namespace {

class FakeCredentials : public CredentialSource {
public:
    std::optional<Credentials> Read() const override { return Credentials{uid, 0}; }
    unsigned uid = 1000;
};

class FakeFirewall : public FirewallControl {
public:
    int IsFirewallOn() override { return 1; }
    int IsFirewallPortOpen() override { return open; }
    void OpenFirewallPort() override { ++added, open = 1; }
    int open = 0;
    int added = 0;
};

class FakeVersion : public VersionReader {
public:
    explicit FakeVersion(std::wstring v) : version(std::move(v)) {}
    std::wstring Read() const override { return version; }
    std::wstring version;
};

class IssueListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::EnsureApplication();
        DialogServices s = test::RecordingServices(m_folder.Path(), m_launched);
        s.messageBox = [this](QWidget*, const QString& text) { m_messages.push_back(text); };
        s.checks = {m_credentials, m_firewall, m_java, m_silverlight};
        m_dialog = std::make_unique<CVORIrurizezDlg>(std::move(s));
        List().resize(List().width(), 200);  // room below the four rows
        m_dialog->show();
    }

    QTreeWidget& List() { return *m_dialog->m_IssueList; }
    QStringList Texts()
    {
        QStringList texts;
        for (int r = 0; r < List().topLevelItemCount(); ++r) texts << List().topLevelItem(r)->text(0);
        return texts;
    }
    std::vector<int> Marks()
    {
        std::vector<int> marks;
        for (int r = 0; r < List().topLevelItemCount(); ++r)
            marks.push_back(List().topLevelItem(r)->data(0, Qt::UserRole).toInt());
        return marks;
    }
    void ClickAt(QPoint point) { QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, point); }
    QPoint RowCentre(int row) { return List().visualItemRect(List().topLevelItem(row)).center(); }

    test::TempFolder m_folder;
    std::shared_ptr<FakeCredentials> m_credentials = std::make_shared<FakeCredentials>();
    std::shared_ptr<FakeFirewall> m_firewall = std::make_shared<FakeFirewall>();
    std::shared_ptr<FakeVersion> m_java = std::make_shared<FakeVersion>(L"1.8.0_151");
    std::shared_ptr<FakeVersion> m_silverlight = std::make_shared<FakeVersion>(L"5.1.50918.0");
    std::vector<QString> m_launched;
    std::vector<QString> m_messages;
    std::unique_ptr<CVORIrurizezDlg> m_dialog;
};

}  // namespace

TEST_F(IssueListTest, FourRowsWithTheirMarksAndAClickOnTheFirewallRowAddsTheException)
{
    EXPECT_EQ(Texts(), (QStringList{"The Current User Is Not An Administrative User On This Computer.",
                                    "Firewall is Currently Blocking Communication. Click Here to Add a "
                                    "Firewall Exception.",
                                    "Silverlight Version: 5.1.50918.0", "Java Version: 1.8.0_151"}));
    EXPECT_EQ(Marks(), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(List().topLevelItem(0)->icon(0).availableSizes().value(0), QSize(16, 16));
    // The two marks differ: red and green at the disc's rim.
    QImage cross = IssueMark(0).pixmap(16, 16).toImage(), tick = IssueMark(1).pixmap(16, 16).toImage();
    EXPECT_GT(QColor(cross.pixel(8, 2)).red(), 150);
    EXPECT_GT(QColor(tick.pixel(8, 2)).green(), 100);
    EXPECT_EQ(qAlpha(cross.pixel(0, 0)), 0);
    QColor neutral(IssueMark(ISSUE_IMAGE_NEUTRAL).pixmap(16, 16).toImage().pixel(8, 2));
    EXPECT_EQ(neutral.red(), neutral.green());

    ClickAt(RowCentre(1));
    EXPECT_EQ(m_firewall->added, 1);
    EXPECT_EQ(Texts().value(1), "Firewall Exception Is Currently Enabled.");
    // Every other check passes now, so the administrator row turns green too.
    EXPECT_EQ(Marks(), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(Texts().value(0), "The Current User Is Not An Administrative User On This Computer.");
}

TEST_F(IssueListTest, AClickBelowTheRowsRunsNoFixAndOtherRowsRunTheirs)
{
    ASSERT_LT(RowCentre(3).y() + 20, List().viewport()->height());
    ClickAt(QPoint(20, List().viewport()->height() - 5));
    EXPECT_EQ(m_firewall->added, 0);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(m_launched.empty());
    EXPECT_EQ(List().topLevelItemCount(), 4);

    ClickAt(RowCentre(0));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].startsWith("Please have a system administrator log in to resolve any issues.\n"))
        << m_messages[0].toStdString();
    ClickAt(RowCentre(3));
    ClickAt(RowCentre(2));
    EXPECT_EQ(m_launched,
              (std::vector<QString>{"https://www.java.com/download/", "https://www.microsoft.com/silverlight/"}));
    EXPECT_EQ(m_firewall->added, 0);

    // A right click is for the View menu: it runs no fix and leaves no row
    // highlighted behind the menu.
    QTest::mouseClick(List().viewport(), Qt::RightButton, {}, RowCentre(1));
    EXPECT_EQ(m_firewall->added, 0);
    EXPECT_TRUE(List().selectedItems().isEmpty());
}

TEST_F(IssueListTest, SilverlightWithoutARuntimeForThisPlatformIsNeutralAndNoIssue)
{
    DialogServices s = test::RecordingServices(m_folder.Path(), m_launched);
    m_firewall->open = 1;
    s.checks = {m_credentials, m_firewall, m_java, std::make_shared<NoSilverlightRuntime>()};
    m_dialog = std::make_unique<CVORIrurizezDlg>(std::move(s));
    m_dialog->show();
    EXPECT_EQ(Texts().value(2), "Silverlight is not available for this platform and is not needed here.");
    // Not an administrator, but nothing else stands in the way: no red row.
    EXPECT_EQ(Marks(), (std::vector<int>{ISSUE_IMAGE_TICK, ISSUE_IMAGE_TICK, ISSUE_IMAGE_NEUTRAL, ISSUE_IMAGE_TICK}));
    ClickAt(RowCentre(2));
    EXPECT_TRUE(m_launched.empty());
}

TEST_F(IssueListTest, TipsOnHover)
{
    EXPECT_EQ(m_dialog->Issues().OnInfoTip(0), "The Current User Is Not An Administrative User On This Computer.");
    EXPECT_EQ(m_dialog->Issues().OnInfoTip(1), "Add Firewall Exception.");
    EXPECT_EQ(m_dialog->Issues().OnInfoTip(3), "https://www.java.com/download/");
    EXPECT_EQ(m_dialog->Issues().OnInfoTip(4), "");

    QPoint at = RowCentre(3);
    QHelpEvent help(QEvent::ToolTip, at, List().viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(List().viewport(), &help);
    EXPECT_EQ(QToolTip::text(), "https://www.java.com/download/");
}
