// The main dialog searching for real: signseek-sim --demo answers on a free
// discovery port of the test's private network namespace.

#include "GuiTestSupport.h"

#include "settings/DiscoverySettings.h"

#include <QComboBox>
#include <QPushButton>

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "tests/common/LoopbackPorts.h"

extern char** environ;

namespace signseek {
namespace {

using testports::FreeUdpPort;

class DemoSimulator {
public:
    explicit DemoSimulator(int port)
    {
        std::vector<std::string> args{SIGNSEEK_SIM,         "--demo",      "--interface", "127.0.0.1", "--port",
                                      std::to_string(port), "--max-delay", "100",         "--log",     "/dev/null"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ);
        testports::WaitForUdpListener(port);
        usleep(50000);  // time to join the group once bound
    }
    ~DemoSimulator()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

TEST(SearchEndToEnd, DemoDevicesFillTheListWithTheirRowsAndImages)
{
    test::EnsureApplication();
    test::TempFolder folder;
    std::filesystem::create_directories(folder.Path() + "/Marvane/Discovery");
    int port = FreeUdpPort();
    test::WriteFile(SettingsFilePath(folder.Path()), "1,1," + std::to_string(port) + ",1\n");
    DemoSimulator sim(port);

    DialogServices services;
    services.adapters = test::Loopback();
    services.settingsFolder = folder.Path();
    services.targetsFolder = folder.Path() + "/config";
    services.openUrl = [](const QUrl&) { return true; };
    CVORIrurizezDlg dialog(services);
    dialog.m_FindButton->click();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog.m_Search.Searching(); }, std::chrono::seconds(20)));

    std::multiset<std::string> rows;
    for (int r = 0; r < dialog.m_DisplayList->RowCount(); ++r) {
        std::string row;
        for (int c = 0; c < 4; ++c) row += dialog.m_DisplayList->Text(r, c).toStdString() + "|";
        row += std::to_string(static_cast<int>(dialog.m_DisplayList->ImageAt(r)));
        rows.insert(row);
    }
    // Each device answers from its own loopback address. The player's three
    // endpoints are one record; the video processor's
    // name is made from its kind and model; the X7 and the web gateway are
    // not listed.
    std::multiset<std::string> expected{
        "Atrium Wall|2160X3840|ferro-atrium|127.0.0.24|0", "Lobby Player|1080X1920|tovo-lobby|127.0.0.21|0",
        "Stage Bridge|0X0|halden-stage|127.0.0.23|0", "Unknown Lyrax-80|5X7|LYRAX-HALL|127.0.0.22|0"};
    EXPECT_EQ(expected, rows);
    ASSERT_EQ(4, dialog.m_DisplayList->RowCount());
    EXPECT_EQ("Atrium Wall", dialog.m_DisplayList->Text(0, 0).toStdString());  // kept in name order
    EXPECT_EQ("Unknown Lyrax-80", dialog.m_DisplayList->Text(3, 0).toStdString());
}

TEST(SearchEndToEnd, TheSavedAddressesAloneFindTheDevicesWithoutAnAdapter)
{
    test::EnsureApplication();
    test::TempFolder folder;
    std::filesystem::create_directories(folder.Path() + "/Marvane/Discovery");
    int port = FreeUdpPort();
    test::WriteFile(SettingsFilePath(folder.Path()), "1,1," + std::to_string(port) + ",1\n");
    test::WriteFile(folder.Path() + "/config/targets",
                    "# the simulator, and the addresses its devices answer from\n127.0.0.1-127.0.0.30\n");
    DemoSimulator sim(port);

    DialogServices services;
    services.adapters = std::make_shared<test::MutableAdapters>(std::vector<AdapterRecord>{});
    services.settingsFolder = folder.Path();
    services.targetsFolder = folder.Path() + "/config";
    services.openUrl = [](const QUrl&) { return true; };
    CVORIrurizezDlg dialog(services);
    ASSERT_EQ(0, dialog.m_AdapterCombo->count());
    dialog.m_FindButton->click();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog.m_Search.Searching(); }, std::chrono::seconds(20)));

    std::set<std::string> names;
    for (int r = 0; r < dialog.m_DisplayList->RowCount(); ++r) {
        names.insert(dialog.m_DisplayList->Text(r, 0).toStdString());
        EXPECT_EQ("directed", dialog.m_DisplayList->RecordAt(r)->via);
    }
    EXPECT_EQ((std::set<std::string>{"Atrium Wall", "Lobby Player", "Stage Bridge", "Unknown Lyrax-80"}), names);
}

}  // namespace
}  // namespace signseek
