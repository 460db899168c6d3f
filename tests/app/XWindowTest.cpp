// The windows on a real X server with a window manager (run by
// run-on-x.sh): what the offscreen platform cannot show, such as titles as
// the window manager gets them, the frames of dialogs and double-clicks.

#include "GuiTestSupport.h"

#include "app/AboutDlg.h"
#include "app/App.h"
#include "app/DialogFrame.h"
#include "app/SettingsDlg.h"
#include "checks/AdminUserManipulator.h"
#include "checks/LinuxRuntimes.h"
#include "common/VendorConstants.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

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
    Pump(300ms);
    EXPECT_EQ("Settings", WindowName(settings));
    EXPECT_EQ("About Marvane Signseek", WindowName(about));
    for (const QWidget* dialog : {static_cast<QWidget*>(&settings), static_cast<QWidget*>(&about)}) {
        EXPECT_TRUE(AsksForNoMinimiseOrMaximise(*dialog)) << WindowName(*dialog);
        std::string actions = AllowedActions(*dialog);
        EXPECT_EQ(std::string::npos, actions.find("_NET_WM_ACTION_MAXIMIZE")) << actions;
    }

    std::string boxTitle;
    bool boxPlain = false;
    QTimer::singleShot(100, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr || !QTest::qWaitForWindowExposed(box)) return;
        Pump(300ms);
        boxTitle = WindowName(*box);
        boxPlain = AsksForNoMinimiseOrMaximise(*box);
        box->close();
    });
    ShowWarning(m_dialog.get(), QString::fromLatin1(kApplicationTitle), QStringLiteral("Enter an integer."));
    EXPECT_EQ("Marvane Signseek", boxTitle);
    EXPECT_TRUE(boxPlain);
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

}  // namespace
}  // namespace signseek
