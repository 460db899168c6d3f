// The windows on a real X server with a window manager (run by
// run-on-x.sh): what the offscreen platform cannot show, such as titles as
// the window manager gets them, the frames of dialogs, double-clicks, the
// keyboard's place and what the lists draw.

#include "GuiTestSupport.h"

#include "app/AboutDlg.h"
#include "app/AddressesDlg.h"
#include "app/App.h"
#include "app/DialogFrame.h"
#include "app/DisplayList.h"
#include "app/SettingsDlg.h"
#include "checks/AdminUserManipulator.h"
#include "checks/LinuxRuntimes.h"
#include "common/VendorConstants.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QImage>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace signseek {
namespace {

using namespace std::chrono_literals;

// The program's own application object, so its settings apply.
bool EnsureXApplication()
{
    if (std::getenv("DISPLAY") == nullptr || qgetenv("QT_QPA_PLATFORM") != "xcb") return false;
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "signseek";
        static char* argv[] = {name, nullptr};
        new CVORIrurizezApp(argc, argv);  // lives until the process ends
    }
    return true;
}

std::string Shell(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        pclose(pipe);
    }
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
}

std::string Id(const QWidget& w) { return std::to_string(w.winId()); }

// The title the window manager shows.
std::string WindowName(const QWidget& w) { return Shell("xdotool getwindowname " + Id(w)); }

// What the window manager lets the user do with the window.
std::string AllowedActions(const QWidget& w) { return Shell("xprop -id " + Id(w) + " _NET_WM_ALLOWED_ACTIONS"); }

// The window's Motif hints (flags, functions, decorations) name neither a
// minimise nor a maximise button or function.
bool AsksForNoMinimiseOrMaximise(const QWidget& w)
{
    std::string hints = Shell("xprop -id " + Id(w) + " _MOTIF_WM_HINTS");
    unsigned flags = 0, functions = 0, decorations = 0;
    std::size_t equals = hints.find('=');
    if (equals == std::string::npos ||
        std::sscanf(hints.c_str() + equals + 1, " %x, %x, %x", &flags, &functions, &decorations) != 3)
        return false;
    constexpr unsigned kFunctionsGiven = 1, kDecorationsGiven = 2, kFuncAll = 1, kFuncMinMax = 0x08 | 0x10,
                       kDecorAll = 1, kDecorMinMax = 0x20 | 0x40;
    return (flags & kFunctionsGiven) && (flags & kDecorationsGiven) && !(functions & (kFuncAll | kFuncMinMax)) &&
           !(decorations & (kDecorAll | kDecorMinMax));
}

// The window types as the window manager reads them, in order.
std::string WindowTypes(const QWidget& w)
{
    std::string types = Shell("xprop -id " + Id(w) + " _NET_WM_WINDOW_TYPE");
    std::size_t equals = types.find(" = ");
    return equals == std::string::npos ? types : types.substr(equals + 3);
}

// The size hints give the window one size: no resizing, so no maximising.
bool SizeIsFixed(const QWidget& w)
{
    std::string hints = Shell("xprop -id " + Id(w) + " WM_NORMAL_HINTS");
    auto size = [&hints](const std::string& label) {
        std::size_t at = hints.find(label);
        return at == std::string::npos ? std::string()
                                       : hints.substr(at + label.size(), hints.find('\n', at) - at - label.size());
    };
    std::string minimum = size("program specified minimum size: "), maximum = size("program specified maximum size: ");
    return !minimum.empty() && minimum == maximum;
}

void Pump(std::chrono::milliseconds time)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < time.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(5);
    }
}

// Clicks of the X server's own pointer at a point of a widget.
void ClickAt(const QWidget& widget, QPoint at, int clicks)
{
    QPoint p = widget.mapTo(widget.window(), at);
    Shell("xdotool mousemove --window " + Id(*widget.window()) + " " + std::to_string(p.x()) + " " +
          std::to_string(p.y()) + " click --repeat " + std::to_string(clicks) + " --delay 80 1");
    Pump(800ms);  // past the double-click interval
}

class FakeCredentials : public CredentialSource {
public:
    std::optional<Credentials> Read() const override { return Credentials{1000, 0}; }
};

class OpenFirewall : public FirewallControl {
public:
    int IsFirewallOn() override { return 1; }
    int IsFirewallPortOpen() override { return 1; }
    void OpenFirewallPort() override {}
};

class FakeJava : public VersionReader {
public:
    std::wstring Read() const override { return L"1.6.0_13"; }
};

class XWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!EnsureXApplication()) GTEST_SKIP() << "needs an X server (run by run-on-x.sh)";
        DialogServices s = test::RecordingServices(m_folder.Path(), m_launched);
        s.discoverDevices = m_devices.Function();
        s.discoverBridges = m_bridges.Function();
        s.checks = {std::make_shared<FakeCredentials>(), std::make_shared<OpenFirewall>(), std::make_shared<FakeJava>(),
                    std::make_shared<NoSilverlightRuntime>()};
        DeviceRecord r;
        r.address = "urn:uuid:lobby";
        r.xAddrs = "http://10.0.0.5/x";
        r.sourceAddress = "10.0.0.5";
        r.metadata.push_back("<Description>Lobby</Description>");
        m_devices.records = {r};
        m_dialog = std::make_unique<CVORIrurizezDlg>(std::move(s));
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    void TearDown() override { m_dialog.reset(); }

    test::TempFolder m_folder;
    test::FakeRun m_devices;
    test::FakeRun m_bridges;
    std::vector<QString> m_launched;
    std::unique_ptr<CVORIrurizezDlg> m_dialog;
};

TEST_F(XWindowTest, TitlesAreExactlyTheGivenOnesAndDialogsCannotBeMinimisedOrMaximised)
{
    EXPECT_EQ("Marvane Signseek", WindowName(*m_dialog));
    std::string main = AllowedActions(*m_dialog);
    EXPECT_NE(std::string::npos, main.find("_NET_WM_ACTION_MAXIMIZE")) << main;  // the probe sees them

    CSettingsDlg settings(m_dialog.get());
    settings.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
    CAboutDlg about(m_dialog.get());
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    CAddressesDlg addresses(m_dialog.get(), nullptr);
    addresses.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&addresses));
    Pump(300ms);
    EXPECT_EQ("Settings", WindowName(settings));
    EXPECT_EQ("About Marvane Signseek", WindowName(about));
    EXPECT_EQ("Addresses", WindowName(addresses));
    // A dialog frame: the dialog type alone (no "normal" fallback a window
    // manager could frame as a main window), one size, transient for the
    // main window; the window manager then offers no maximising or resizing.
    EXPECT_EQ("_NET_WM_WINDOW_TYPE_NORMAL", WindowTypes(*m_dialog));
    for (const QWidget* dialog :
         {static_cast<QWidget*>(&settings), static_cast<QWidget*>(&about), static_cast<QWidget*>(&addresses)}) {
        EXPECT_TRUE(AsksForNoMinimiseOrMaximise(*dialog)) << WindowName(*dialog);
        EXPECT_EQ("_NET_WM_WINDOW_TYPE_DIALOG", WindowTypes(*dialog)) << WindowName(*dialog);
        EXPECT_TRUE(SizeIsFixed(*dialog)) << WindowName(*dialog);
        EXPECT_NE(std::string::npos, Shell("xprop -id " + Id(*dialog) + " WM_TRANSIENT_FOR").find("window id"));
        std::string actions = AllowedActions(*dialog);
        EXPECT_EQ(std::string::npos, actions.find("_NET_WM_ACTION_MAXIMIZE")) << actions;
        EXPECT_EQ(std::string::npos, actions.find("_NET_WM_ACTION_RESIZE")) << actions;
    }

    std::string boxTitle, boxTypes, boxActions;
    bool boxPlain = false, boxFixed = false;
    QTimer::singleShot(100, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr || !QTest::qWaitForWindowExposed(box)) return;
        Pump(300ms);
        boxTitle = WindowName(*box);
        boxPlain = AsksForNoMinimiseOrMaximise(*box);
        boxTypes = WindowTypes(*box);
        boxFixed = SizeIsFixed(*box);
        boxActions = AllowedActions(*box);
        box->close();
    });
    ShowWarning(m_dialog.get(), QString::fromLatin1(kApplicationTitle), QStringLiteral("Enter an integer."));
    EXPECT_EQ("Marvane Signseek", boxTitle);
    EXPECT_TRUE(boxPlain);
    EXPECT_EQ("_NET_WM_WINDOW_TYPE_DIALOG", boxTypes);
    EXPECT_TRUE(boxFixed);
    EXPECT_EQ(std::string::npos, boxActions.find("_NET_WM_ACTION_MAXIMIZE")) << boxActions;
}

// The row the keyboard is on is framed: a dotted line along the top of its
// cells, light and dark pixels taking turns where the row's background
// (base, or highlight when selected) is plain.
bool FramedAt(QAbstractItemView& view, int row)
{
    QImage image = view.viewport()->grab().toImage();
    const double scale = image.devicePixelRatio();
    QRect rect = view.visualRect(view.model()->index(row, 0));
    for (int c = 1; c < view.model()->columnCount(); ++c) rect |= view.visualRect(view.model()->index(row, c));
    rect &= view.viewport()->rect();
    auto lightness = [&](int x) { return QColor(image.pixel(int(x * scale), int(rect.top() * scale))).lightness(); };
    int turns = 0, span = 0;
    for (int x = rect.left() + 30; x < rect.right() - 2; ++x, ++span)
        if (std::abs(lightness(x) - lightness(x + 1)) > 60) ++turns;
    return span > 0 && turns >= span / 2;
}

void Key(const QWidget& window, const char* keys)
{
    Shell("xdotool windowfocus --sync " + Id(window) + " key --delay 60 " + keys);
    Pump(300ms);
}

TEST_F(XWindowTest, ADoubleClickOnADeviceOrAnIssueRowActsOnce)
{
    m_dialog->m_FindButton->click();
    ASSERT_TRUE(test::WaitUntil([&] { return !m_dialog->m_Search.Searching(); }));
    QTreeView* devices = m_dialog->m_DisplayList->DetailsView();
    QPoint row = devices->visualRect(devices->model()->index(0, 0)).center();
    ClickAt(*devices->viewport(), row, 1);
    ASSERT_EQ(std::vector<QString>{"http://10.0.0.5:80/"}, m_launched);
    ClickAt(*devices->viewport(), row, 2);
    EXPECT_EQ(2u, m_launched.size());

    // The Java row opens its download page once per double-click too.
    m_launched.clear();
    QTreeWidget* issues = m_dialog->m_IssueList;
    ClickAt(*issues->viewport(), issues->visualItemRect(issues->topLevelItem(3)).center(), 2);
    EXPECT_EQ(std::vector<QString>{"https://www.java.com/download/"}, m_launched);
}

TEST_F(XWindowTest, TheKeyboardsRowIsFramedAndASearchStartedFromTheKeyboardLeavesItOnTheFirstDevice)
{
    // A second device that sorts above the first one listed.
    DeviceRecord atrium = m_devices.records[0];
    atrium.address = "urn:uuid:atrium";
    atrium.xAddrs = "http://10.0.0.6/x";
    atrium.sourceAddress = "10.0.0.6";
    atrium.metadata = {"<Description>Atrium</Description>"};
    m_devices.records.push_back(atrium);
    // Tab from the issue list to "Find Displays...", Space to search.
    m_dialog->activateWindow();
    Key(*m_dialog, "Tab");
    ASSERT_EQ(m_dialog->m_FindButton, QApplication::focusWidget());
    Key(*m_dialog, "space");
    ASSERT_TRUE(test::WaitUntil([&] { return !m_dialog->m_Search.Searching(); }));
    Pump(200ms);
    QTreeView* devices = m_dialog->m_DisplayList->DetailsView();
    EXPECT_EQ(devices, QApplication::focusWidget());
    ASSERT_EQ(2, m_dialog->m_DisplayList->RowCount());
    // The keyboard is on the top row, whichever came first.
    EXPECT_EQ(0, devices->currentIndex().row());
    EXPECT_EQ("Atrium", m_dialog->m_DisplayList->Text(0, 0));
    EXPECT_EQ(-1, m_dialog->m_DisplayList->SelectedRow());
    EXPECT_TRUE(FramedAt(*devices, 0));
    // Space selects the row it is on, and Return opens its page.
    Key(*m_dialog, "space");
    EXPECT_EQ(0, m_dialog->m_DisplayList->SelectedRow());
    Key(*m_dialog, "Return");
    EXPECT_EQ(std::vector<QString>{"http://10.0.0.6:80/"}, m_launched);

    // The issue list: Tab lands on its first row, framed, and Down moves the
    // frame to the second.
    QTreeWidget* issues = m_dialog->m_IssueList;
    issues->setFocus(Qt::TabFocusReason);
    Pump(200ms);
    ASSERT_EQ(issues, QApplication::focusWidget());
    EXPECT_EQ(0, issues->currentIndex().row());
    EXPECT_TRUE(FramedAt(*issues, 0));
    EXPECT_FALSE(FramedAt(*issues, 1));
    Key(*m_dialog, "Down");
    EXPECT_EQ(1, issues->currentIndex().row());
    EXPECT_FALSE(FramedAt(*issues, 0));
    EXPECT_TRUE(FramedAt(*issues, 1));
    // Without the focus no row is framed.
    devices->setFocus(Qt::TabFocusReason);
    Pump(200ms);
    EXPECT_EQ(devices, QApplication::focusWidget());
    EXPECT_FALSE(FramedAt(*issues, 1));
}

TEST_F(XWindowTest, ASearchThatFindsNothingGivesTheKeyboardBackToTheButton)
{
    m_devices.records.clear();
    m_dialog->activateWindow();
    Key(*m_dialog, "Tab space");
    ASSERT_TRUE(test::WaitUntil([&] { return !m_dialog->m_Search.Searching(); }));
    Pump(200ms);
    EXPECT_EQ(m_dialog->m_FindButton, QApplication::focusWidget());
}

TEST_F(XWindowTest, TheListViewEndsALongNameInAnEllipsisWithinTheList)
{
    const std::string name(110, 'W');
    m_devices.records[0].metadata = {"<Description>" + name + "</Description>"};
    m_dialog->m_FindButton->click();
    ASSERT_TRUE(test::WaitUntil([&] { return !m_dialog->m_Search.Searching(); }));
    m_dialog->OnViewCommand(ID_VIEW_LIST);
    Pump(300ms);
    QListView* list = m_dialog->m_DisplayList->IconsView();
    QRect item = list->visualRect(list->model()->index(0, 0));
    ASSERT_TRUE(item.isValid());
    EXPECT_LE(item.right(), list->viewport()->width());
    EXPECT_LT(item.width(), list->fontMetrics().horizontalAdvance(QString::fromStdString(name)));
    // The text runs up to the cell's end, cut by the ellipsis rather than the
    // list's edge: its last dark pixel is within the cell, near its end.
    QImage image = list->viewport()->grab().toImage();
    const double scale = image.devicePixelRatio();
    int last = -1;
    for (int x = item.left(); x <= std::min(item.right(), list->viewport()->width() - 1); ++x)
        for (int y = item.top(); y <= item.bottom(); ++y)
            if (QColor(image.pixel(int(x * scale), int(y * scale))).lightness() < 100) last = x;
    EXPECT_GT(last, item.right() - 40);
    EXPECT_LT(last, item.right());
}

}  // namespace
}  // namespace signseek
