// The main dialog with the platform stood in for: start-up, the search cycle,
// the device list, details, web pages, layout, the menu commands and closing.

#include "GuiTestSupport.h"

#include "app/AboutDlg.h"
#include "app/AddressesDlg.h"
#include "app/DeviceImages.h"
#include "app/ListActivation.h"
#include "app/QtDialogUnits.h"
#include "app/SettingsDlg.h"
#include "common/VendorConstants.h"
#include "common/Version.h"
#include "present/DeviceDetails.h"
#include "present/ResultPrinter.h"
#include "settings/DiscoverySettings.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace signseek {
namespace {

using namespace std::chrono_literals;
using test::FakeRun;

DeviceRecord Device(const std::string& name, const std::string& dhcp, const std::string& source,
                    const std::string& services = "")
{
    DeviceRecord r;
    r.address = "urn:uuid:" + name;
    r.scopes = std::string(VENDOR_URI_ROOT) + "2011/player/tovo";
    r.xAddrs = "http://" + source + "/x";
    r.sourceAddress = source;
    if (!name.empty()) r.metadata.push_back("<Description>" + name + "</Description>");
    r.metadata.push_back("<DHCPName>" + dhcp + "</DHCPName>");
    if (!services.empty()) r.metadata.push_back(MakeServicesItem(services));
    return r;
}

void MoveMouse(QWidget* widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

std::string Management(int port)
{
    return std::string(VENDOR_URI_ROOT) + "contracts/Players:Management:" + std::to_string(port);
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::EnsureApplication();
        std::filesystem::create_directories(m_folder.Path() + "/Marvane/Discovery");
        test::WriteFile(SettingsFilePath(m_folder.Path()), "1,8,3702,2\n");
    }

    DialogServices Services()
    {
        DialogServices s;
        s.adapters = m_adapters;
        s.settingsFolder = m_folder.Path();
        s.targetsFolder = TargetsFolder();
        s.resolveHost = [](const std::string& name) -> std::optional<std::string> {
            if (name == "player.signage.test") return "10.20.0.7";
            return std::nullopt;
        };
        s.openUrl = [this](const QUrl& url) {
            m_launched.push_back(url.toString());
            return m_browserStarts;
        };
        s.messageBox = [this](QWidget*, const QString& text) { m_messages.push_back(text); };
        s.discoverDevices = m_devices.Function();
        s.discoverBridges = m_bridges.Function();
        s.addressChanges = [control = m_addressChanges] { return std::make_unique<test::FakeAddressChanges>(control); };
        s.popupMenu = [this](QMenu& menu, const QPoint& at) -> QAction* {
            m_menuPoints.push_back(at);
            for (QAction* a : menu.actions())
                if (a->text() == m_menuChoice) return a;
            return nullptr;
        };
        s.runModal = [this](QDialog& dialog) { return m_modal ? m_modal(dialog) : int(QDialog::Rejected); };
        s.chooseReplyPort = [this](const std::string& address) {
            m_replyAddresses.push_back(address);
            return m_reply;
        };
        return s;
    }

    std::unique_ptr<CVORIrurizezDlg> Make() { return std::make_unique<CVORIrurizezDlg>(Services()); }
    std::string TargetsFolder() const { return m_folder / "config/signseek"; }

    // Runs a search whose runs give the records, to its end.
    void Search(CVORIrurizezDlg& dialog, std::vector<DeviceRecord> devices)
    {
        m_devices.records = std::move(devices);
        dialog.m_FindButton->click();
        ASSERT_TRUE(test::WaitUntil([&] { return !dialog.m_Search.Searching() && !dialog.LookingUpTargets(); }));
    }

    std::vector<QString> Names(const CVORIrurizezDlg& dialog)
    {
        std::vector<QString> names;
        for (int r = 0; r < dialog.m_DisplayList->RowCount(); ++r) names.push_back(dialog.m_DisplayList->Text(r, 0));
        return names;
    }

    test::TempFolder m_folder;
    std::shared_ptr<test::MutableAdapters> m_adapters = test::Loopback();
    std::shared_ptr<test::FakeAddressChanges::Control> m_addressChanges =
        std::make_shared<test::FakeAddressChanges::Control>();
    FakeRun m_devices;
    FakeRun m_bridges;
    std::vector<QString> m_launched;
    bool m_browserStarts = true;
    std::vector<QString> m_messages;
    std::vector<QPoint> m_menuPoints;
    QString m_menuChoice;
    std::function<int(QDialog&)> m_modal;
    ReplyPortChoice m_reply;  // what the reply port check finds
    std::vector<std::string> m_replyAddresses;
};

TEST_F(MainDialogTest, AReplyPortHeldByAnotherSearchIsSaidBeforeTheCountdown)
{
    auto dialog = Make();
    struct Case {
        const char* what;
        ReplyPortChoice reply;
        bool searches;
        std::uint16_t port;
        const char* message;  // the whole message, or null for none
    } cases[] = {
        {"8000 free", {}, true, 8000, nullptr},
        {"8000 held: a free port instead",
         {41000, "TCP port 8000 is held by another Signseek search; this search takes its answers on 41000", ""},
         true,
         41000,
         "TCP port 8000 is held by another Signseek search; this search takes its answers on 41000."},
        {"nothing free",
         {8000, "", "TCP port 8000 is held by another program; end it"},
         false,
         0,
         "TCP port 8000 is held by another program; end it."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_reply = c.reply;
        m_messages.clear();
        m_replyAddresses.clear();
        m_devices.requests->clear();
        dialog->m_FindButton->click();
        // Said at once: the countdown has not begun, and no run has started before it.
        if (c.message) {
            ASSERT_EQ(1u, m_messages.size());
            EXPECT_EQ(QString::fromLatin1(c.message), m_messages[0]);
        } else {
            EXPECT_TRUE(m_messages.empty());
        }
        EXPECT_EQ(std::vector<std::string>{"127.0.0.1"}, m_replyAddresses);
        EXPECT_EQ(c.searches, dialog->m_Search.Searching());
        ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching(); }));
        std::lock_guard lock(*m_devices.mutex);
        ASSERT_EQ(c.searches ? 1u : 0u, m_devices.requests->size());
        if (c.searches) {
            EXPECT_EQ(c.port, m_devices.requests->front().listenPort);
        }
    }
}

TEST_F(MainDialogTest, SavedValuesOutsideTheirRangesAreNamedOnceAtStart)
{
    test::WriteFile(SettingsFilePath(m_folder.Path()), "1,2147483647,3702,255\n");
    auto dialog = Make();
    ASSERT_EQ(1u, m_messages.size());
    const QStringList lines = m_messages[0].split(QLatin1Char('\n'));
    ASSERT_EQ(3, lines.size()) << m_messages[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QLatin1String("discovery timeout 2147483647 is outside 1 to 600")))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QLatin1String("discovery TTL 255 is outside 1 to 50"))) << lines[2].toStdString();
    EXPECT_EQ(8, g_nDiscoveryTimeout.load());
    EXPECT_EQ(2, g_nDiscoveryTTL.load());
}

TEST_F(MainDialogTest, StartsIdleWithItsControlsAndTheSavedSettings)
{
    test::WriteFile(SettingsFilePath(m_folder.Path()), "3,9,4001,7\n");
    auto dialog = Make();
    EXPECT_EQ("Marvane Signseek", dialog->windowTitle());
    EXPECT_EQ("Find Displays...", dialog->m_FindButton->text());
    EXPECT_EQ("Adapter Name", dialog->m_AdapterLabel->text());
    EXPECT_TRUE(dialog->m_SearchProgress->isHidden());
    EXPECT_FALSE(dialog->m_FindButton->isHidden());
    EXPECT_FALSE(dialog->windowIcon().isNull());
    EXPECT_EQ(2, dialog->m_AdapterCombo->count());
    EXPECT_EQ("lo (Loopback)", dialog->m_AdapterCombo->currentText());
    EXPECT_EQ("All adapters", dialog->m_AdapterCombo->itemText(1));
    EXPECT_GT(dialog->m_nAdapterListWidth, 0);
    EXPECT_EQ(1, dialog->m_IssueList->columnCount());
    EXPECT_TRUE(dialog->m_IssueList->isHeaderHidden());
    EXPECT_EQ(4, dialog->m_IssueList->topLevelItemCount());  // the four checks
    EXPECT_EQ(-1, dialog->m_nSortColumn);
    EXPECT_FALSE(dialog->m_bSortAscending);
    EXPECT_FALSE(dialog->m_bUseInternetExplorer);
    EXPECT_EQ(9, g_nDiscoveryTimeout.load());
    EXPECT_EQ(3, g_nReceiveTimeout.load());
    EXPECT_EQ(4001, g_nDiscoveryPort.load());
    EXPECT_EQ(7, g_nDiscoveryTTL.load());

    QTreeView* details = dialog->m_DisplayList->DetailsView();
    QStringList headings;
    for (int c = 0; c < 4; ++c) headings << details->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(QStringList({"Name", "Dimensions", "DHCP Name", "IP Address"}), headings);
    EXPECT_EQ(CDisplayList::View::Details, dialog->m_DisplayList->CurrentView());
    // 0.4, 0.18, 0.2 and 0.2 of the list's width before the first layout.
    const int w = ToQRect(DialogRect(7, 119, 342, 108, BaseUnitsOf(dialog->font()))).width();
    EXPECT_EQ(static_cast<int>(w * 0.4), details->columnWidth(0));
    EXPECT_EQ(static_cast<int>(w * 0.18), details->columnWidth(1));
    EXPECT_EQ(static_cast<int>(w * 0.2), details->columnWidth(2));
    EXPECT_EQ(static_cast<int>(w * 0.2), details->columnWidth(3));
}

TEST_F(MainDialogTest, SearchShowsProgressStopsItAtTheFirstResultAndEndsAtTheSecond)
{
    auto devicesGate = std::make_shared<test::Gate>();
    auto bridgesGate = std::make_shared<test::Gate>();
    m_devices.gate = devicesGate;
    m_bridges.gate = bridgesGate;
    m_devices.records = {Device("Lobby", "a", "10.0.0.5")};
    m_bridges.records = {Device("Bridge", "b", "10.0.0.6")};
    auto dialog = Make();
    dialog->m_FindButton->click();

    EXPECT_EQ(90, dialog->m_Search.m_nTicksLeft);
    EXPECT_TRUE(dialog->m_FindButton->isHidden());
    EXPECT_FALSE(dialog->m_FindButton->isEnabled());
    EXPECT_TRUE(dialog->m_AdapterCombo->isHidden());
    EXPECT_TRUE(dialog->m_AdapterLabel->isHidden());
    EXPECT_FALSE(dialog->m_SearchProgress->isHidden());
    EXPECT_TRUE(dialog->ProgressTimerActive());

    for (int i = 0; i < 11; ++i) dialog->OnTimer();
    EXPECT_EQ(0, dialog->m_SearchProgress->minimum());
    EXPECT_EQ(80, dialog->m_SearchProgress->maximum());
    EXPECT_EQ(1, dialog->m_SearchProgress->value());

    // Both threads read the adapter and the process-wide values.
    ASSERT_TRUE(devicesGate->WaitEntered(1));
    ASSERT_TRUE(bridgesGate->WaitEntered(1));
    for (const auto* run : {&m_devices, &m_bridges}) {
        std::lock_guard lock(*run->mutex);
        ASSERT_EQ(1u, run->requests->size());
        const DiscoveryRequest& r = run->requests->front();
        EXPECT_EQ("127.0.0.1", r.interfaceAddress);
        EXPECT_EQ(3702, r.values.discoveryPort);
        EXPECT_EQ(8, r.values.discoveryTimeout);
        EXPECT_EQ(8000, r.listenPort);
    }

    devicesGate->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return dialog->m_Search.m_nResultsReceived == 1; }));
    EXPECT_FALSE(dialog->ProgressTimerActive());
    EXPECT_EQ(1, dialog->m_SearchProgress->value());
    EXPECT_FALSE(dialog->m_SearchProgress->isHidden());
    EXPECT_EQ(std::vector<QString>{"Lobby"}, Names(*dialog));

    bridgesGate->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching(); }));
    EXPECT_EQ(0, dialog->m_SearchProgress->value());
    EXPECT_TRUE(dialog->m_SearchProgress->isHidden());
    EXPECT_FALSE(dialog->m_FindButton->isHidden());
    EXPECT_TRUE(dialog->m_FindButton->isEnabled());
    EXPECT_FALSE(dialog->m_AdapterCombo->isHidden());
    EXPECT_EQ((std::vector<QString>{"Bridge", "Lobby"}), Names(*dialog));
}

TEST_F(MainDialogTest, CountdownRunsOutBeforeAnyResult)
{
    test::WriteFile(SettingsFilePath(m_folder.Path()), "1,1,3702,2\n");
    auto gate = std::make_shared<test::Gate>();
    m_devices.gate = m_bridges.gate = gate;
    auto dialog = Make();
    dialog->m_FindButton->click();
    for (int i = 0; i < 19; ++i) dialog->OnTimer();
    EXPECT_TRUE(dialog->ProgressTimerActive());
    dialog->OnTimer();
    EXPECT_FALSE(dialog->ProgressTimerActive());
    EXPECT_EQ(10, dialog->m_SearchProgress->value());
    EXPECT_EQ(10, dialog->m_SearchProgress->maximum());
    gate->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching(); }));
}

TEST_F(MainDialogTest, FailedRunsStillEndTheSearchAndSayWhy)
{
    auto dialog = Make();
    m_bridges.records = {Device("Older", "o", "10.0.0.8")};
    Search(*dialog, {Device("Old", "o", "10.0.0.9")});
    ASSERT_EQ(2, dialog->m_DisplayList->RowCount());  // one from each run
    EXPECT_TRUE(m_messages.empty());

    // The user learns why instead of reading an empty list as "no devices".
    m_devices.fails = m_bridges.fails = true;
    m_devices.failure = "TCP port 8000 is in use by another program";
    m_bridges.failure = "cannot join the discovery group on 127.0.0.1: no multicast route";
    auto failing = Make();
    Search(*failing, {});
    EXPECT_EQ(0, failing->m_DisplayList->RowCount());
    EXPECT_EQ(2, failing->m_Search.m_nResultsReceived);
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_TRUE(m_messages[0].contains("TCP port 8000 is in use by another program")) << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[0].contains("no multicast route"));
    m_messages.clear();

    // A run that gives no cause of its own still does not pass for an empty network.
    m_devices.failure = m_bridges.failure = "";
    auto silent = Make();
    Search(*silent, {});
    EXPECT_TRUE(silent->m_FindButton->isEnabled());
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ("the search could not run", m_messages[0].toStdString());
    std::lock_guard lock(*m_devices.mutex);
    EXPECT_EQ(3u, m_devices.requests->size());  // one device run per dialog
}

TEST_F(MainDialogTest, ANewSearchClearsTheListBeforeItsResults)
{
    auto dialog = Make();
    dialog->show();
    EXPECT_EQ("0 devices", dialog->m_DeviceCount->text());
    // The count beside the list follows the devices shown: one with two
    // transport addresses counts once, one with none not at all.
    DeviceRecord twoAddresses = Device("B", "b", "10.0.0.2");
    twoAddresses.xAddrs = "http://10.0.0.2/a http://10.0.0.2/b";
    DeviceRecord noAddress = Device("C", "c", "10.0.0.3");
    noAddress.xAddrs = "";
    m_bridges.records = {Device("D", "d", "10.0.0.4")};
    Search(*dialog, {Device("A", "a", "10.0.0.1"), twoAddresses, noAddress});
    ASSERT_EQ(4, dialog->m_DisplayList->RowCount());
    EXPECT_EQ("3 devices", dialog->m_DeviceCount->text());
    EXPECT_TRUE(dialog->m_DeviceCount->isVisible());
    m_bridges.records.clear();
    auto gate = std::make_shared<test::Gate>();
    m_devices.gate = m_bridges.gate = gate;
    m_devices.records = {Device("A", "a", "10.0.0.1")};
    dialog->m_FindButton->click();
    EXPECT_EQ(0, dialog->m_DisplayList->RowCount());
    EXPECT_EQ("0 devices", dialog->m_DeviceCount->text());
    gate->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching(); }));
    EXPECT_EQ("1 device", dialog->m_DeviceCount->text());
}

// Each row's texts and record, top to bottom.
std::vector<std::pair<QStringList, DeviceRecord>> Shown(const DeviceListModel& model)
{
    std::vector<std::pair<QStringList, DeviceRecord>> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList texts;
        for (int c = 0; c < DeviceListModel::kColumns; ++c) texts << model.Text(r, c);
        rows.emplace_back(texts, *model.RecordAt(r));
    }
    return rows;
}

TEST_F(MainDialogTest, RowsAppearAsTheRunsReportChangeInPlaceAndSettleOnTheFinalRecords)
{
    auto dialog = Make();
    dialog->show();
    CDisplayList& list = *dialog->m_DisplayList;
    DeviceRecord bridge = Device("Same", "b", "10.0.0.9");
    bridge.address = "urn:uuid:bridge";
    DeviceRecord same = Device("Same", "s", "10.0.0.2");
    DeviceRecord player = Device("Player", "first", "10.0.0.3");
    DeviceRecord merged = player;
    merged.metadata[1] = "<DHCPName>second</DHCPName>";
    DeviceRecord twoAddresses = merged;  // the run's last word, never reported
    twoAddresses.xAddrs = "http://10.0.0.3/a http://10.0.0.3/b";
    auto devicesStart = std::make_shared<test::Gate>();
    auto playerFound = std::make_shared<test::Gate>();
    auto devicesEnd = std::make_shared<test::Gate>();
    auto bridgesEnd = std::make_shared<test::Gate>();
    m_bridges.reports = {{RecordChange::Found, 0, bridge, nullptr}};
    m_bridges.records = {bridge};
    m_bridges.gate = bridgesEnd;
    m_devices.start = devicesStart;
    m_devices.reports = {{RecordChange::Found, 0, same, nullptr},
                         {RecordChange::Found, 1, player, playerFound},
                         {RecordChange::Changed, 1, merged, nullptr}};
    m_devices.records = {same, twoAddresses};
    m_devices.gate = devicesEnd;
    dialog->m_FindButton->click();

    // A device shows, and counts, while both runs still listen.
    ASSERT_TRUE(test::WaitUntil([&] { return list.RowCount() == 1; }));
    EXPECT_EQ("1 device", dialog->m_DeviceCount->text());
    EXPECT_EQ(0, dialog->m_Search.m_nResultsReceived);
    EXPECT_TRUE(dialog->ProgressTimerActive());
    EXPECT_FALSE(dialog->m_SearchProgress->isHidden());

    devicesStart->Open();
    ASSERT_TRUE(playerFound->WaitEntered(1));
    ASSERT_TRUE(test::WaitUntil([&] { return list.RowCount() == 3; }));
    EXPECT_EQ((std::vector<QString>{"Player", "Same", "Same"}), Names(*dialog));
    EXPECT_EQ("urn:uuid:bridge", list.RecordAt(1)->address);  // it answered first
    EXPECT_EQ("first", list.Text(0, 2));
    list.SetSelectionMark(0);
    QPersistentModelIndex held(list.Model().index(0, 0));

    // A change updates the device's row where it stands.
    playerFound->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return list.Text(0, 2) == "second"; }));
    EXPECT_EQ(3, list.RowCount());
    EXPECT_EQ(0, held.row());
    EXPECT_EQ(0, list.SelectedRow());
    EXPECT_EQ("3 devices", dialog->m_DeviceCount->text());

    devicesEnd->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return dialog->m_Search.m_nResultsReceived == 1; }));
    EXPECT_EQ((std::vector<QString>{"Player", "Player", "Same", "Same"}), Names(*dialog));
    EXPECT_EQ(twoAddresses, *list.RecordAt(0));
    EXPECT_EQ("3 devices", dialog->m_DeviceCount->text());
    bridgesEnd->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching(); }));

    // The list is the one the two results give taken one after the other:
    // among equals the devices run's device, whose result came first, leads.
    DeviceListModel expected;
    for (const DeviceRecord& record : m_devices.records) expected.Add(record);
    for (const DeviceRecord& record : m_bridges.records) expected.Add(record);
    EXPECT_EQ(Shown(expected), Shown(list.Model()));
    EXPECT_EQ("3 devices", dialog->m_DeviceCount->text());
    EXPECT_EQ(0, held.row());
    EXPECT_EQ(0, list.SelectedRow());

    // What a run reported goes when its result does not hold it: a run that
    // fails shows nothing.
    m_devices = FakeRun{};
    m_bridges = FakeRun{};
    m_bridges.reports = {{RecordChange::Found, 0, Device("Ghost", "g", "10.0.0.7"), nullptr}};
    m_bridges.fails = true;
    m_bridges.failure = "cannot join the discovery group on 127.0.0.1: no multicast route";
    Search(*dialog, {Device("Real", "r", "10.0.0.8")});
    EXPECT_EQ(std::vector<QString>{"Real"}, Names(*dialog));
    EXPECT_EQ("1 device", dialog->m_DeviceCount->text());
    EXPECT_EQ(1u, m_messages.size());
}

TEST_F(MainDialogTest, AMediaPlayersRowWaitsForItsNameAndPortsButNotLongerThanTheHold)
{
    auto dialog = Make();
    dialog->show();
    CDisplayList& list = *dialog->m_DisplayList;
    // The scheduler endpoint answers first: no name, a service without its
    // port. The main endpoint's merge brings both.
    DeviceRecord scheduler = Device("", "", "10.0.0.21");
    scheduler.types = "scheduler";
    DeviceRecord merged = scheduler;
    merged.metadata.push_back(MakeServicesItem("player:80 scheduler:81"));
    merged.metadata.push_back("<Description>Lobby Player</Description>");
    DeviceRecord display = Device("Display", "d", "10.0.0.30");  // complete at once
    DeviceRecord lone = Device("Lone", "l", "10.0.0.40");        // never gets its ports
    lone.types = "player";
    auto schedulerFound = std::make_shared<test::Gate>();
    auto displayFound = std::make_shared<test::Gate>();
    auto end = std::make_shared<test::Gate>();
    // Should a check fail, the run still ends.
    struct OpenAtExit {
        std::vector<std::shared_ptr<test::Gate>> gates;
        ~OpenAtExit()
        {
            for (auto& gate : gates) gate->Open();
        }
    } openAtExit{{schedulerFound, displayFound, end}};
    m_devices.reports = {{RecordChange::Found, 0, scheduler, schedulerFound},
                         {RecordChange::Found, 1, display, displayFound},
                         {RecordChange::Changed, 0, merged, nullptr},
                         {RecordChange::Found, 2, lone, nullptr}};
    m_devices.records = {merged, display, lone};
    m_devices.gate = end;
    dialog->m_FindButton->click();

    ASSERT_TRUE(schedulerFound->WaitEntered(1));
    schedulerFound->Open();
    ASSERT_TRUE(displayFound->WaitEntered(1));
    ASSERT_TRUE(test::WaitUntil([&] { return list.RowCount() == 1; }));
    EXPECT_EQ(std::vector<QString>{"Display"}, Names(*dialog));  // the player waits, unnamed
    EXPECT_EQ("1 device", dialog->m_DeviceCount->text());
    const auto released = std::chrono::steady_clock::now();
    displayFound->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return list.RowCount() == 2; }));
    EXPECT_EQ((std::vector<QString>{"Display", "Lobby Player"}), Names(*dialog));
    EXPECT_EQ(DeviceImage::Normal, list.ImageAt(1));
    EXPECT_LT(std::chrono::steady_clock::now() - released, kLiveRowHold);  // not held once complete
    // A player that stays incomplete shows, marked, when the hold is over,
    // while the run still listens.
    ASSERT_TRUE(test::WaitUntil([&] { return list.RowCount() == 3; }));
    EXPECT_EQ((std::vector<QString>{"Display", "Lobby Player", "Lone"}), Names(*dialog));
    EXPECT_EQ(DeviceImage::Marked, list.ImageAt(2));
    EXPECT_TRUE(dialog->m_Search.Searching());
    end->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching(); }));
    EXPECT_EQ((std::vector<QString>{"Display", "Lobby Player", "Lone"}), Names(*dialog));

    // A held device whose run ends first shows as the run's result has it,
    // and only once.
    m_devices = FakeRun{};
    m_devices.reports = {{RecordChange::Found, 0, lone, nullptr}};
    Search(*dialog, {lone});
    EXPECT_EQ(std::vector<QString>{"Lone"}, Names(*dialog));
    QTest::qWait(static_cast<int>(kLiveRowHold.count()) + 100);
    EXPECT_EQ(std::vector<QString>{"Lone"}, Names(*dialog));
}

TEST_F(MainDialogTest, ViewMenuOnRightClickAnywhereAndOnTheMenuKey)
{
    auto dialog = Make();
    dialog->show();
    CDisplayList& list = *dialog->m_DisplayList;
    struct Case {
        int id;
        CDisplayList::View view;
        QSize icon;
    };
    for (const Case& c : {Case{ID_VIEW_LIST, CDisplayList::View::List, kSmallImageSize},
                          Case{ID_VIEW_ICON, CDisplayList::View::Icon, kLargeImageSize},
                          Case{ID_VIEW_SMALL_ICON, CDisplayList::View::SmallIcon, kSmallImageSize},
                          Case{ID_VIEW_TILE, CDisplayList::View::Tile, kLargeImageSize},
                          Case{ID_VIEW_REPORT, CDisplayList::View::Details, kSmallImageSize}}) {
        dialog->OnViewCommand(c.id);
        EXPECT_EQ(c.view, list.CurrentView()) << c.id;
        EXPECT_TRUE(list.currentWidget()->isAncestorOf(list.CurrentItemView()) ||
                    list.currentWidget() == list.CurrentItemView())
            << c.id;
        EXPECT_EQ(c.icon, list.CurrentItemView()->iconSize()) << c.id;
    }

    // A right click on the issue list reaches the dialog's View menu.
    m_menuChoice = "Tile";
    QWidget* issues = dialog->m_IssueList->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(3, 4), issues->mapToGlobal(QPoint(3, 4)));
    QApplication::sendEvent(issues, &click);
    ASSERT_EQ(1u, m_menuPoints.size());
    EXPECT_EQ(issues->mapToGlobal(QPoint(3, 4)), m_menuPoints[0]);
    EXPECT_EQ(CDisplayList::View::Tile, list.CurrentView());

    m_menuChoice = "Details";
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
    QApplication::sendEvent(dialog->m_FindButton, &key);
    ASSERT_EQ(2u, m_menuPoints.size());
    EXPECT_EQ(list.IconsView()->viewport()->mapToGlobal(QPoint(5, 5)), m_menuPoints[1]);
    EXPECT_EQ(CDisplayList::View::Details, list.CurrentView());

    // Dismissing the menu changes nothing.
    m_menuChoice.clear();
    QContextMenuEvent dismissed(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(list.DetailsView()->viewport(), &dismissed);
    EXPECT_EQ(3u, m_menuPoints.size());
    EXPECT_EQ(CDisplayList::View::Details, list.CurrentView());
}

TEST_F(MainDialogTest, HeaderClicksSortAscendingThenToggleAndRestartOnAnotherColumn)
{
    auto dialog = Make();
    dialog->show();
    m_bridges.fails = true;
    Search(*dialog, {Device("beta", "zz", "10.0.0.2"), Device("Alpha", "yy", "10.0.0.3"), Device("", "xx", "10.0.0.4"),
                     Device("gamma", "ww", "10.0.0.1")});
    EXPECT_EQ((std::vector<QString>{"<none>", "Alpha", "beta", "gamma"}), Names(*dialog));

    QHeaderView* header = dialog->m_DisplayList->DetailsView()->header();
    auto clickHeader = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    clickHeader(0);
    EXPECT_TRUE(dialog->m_bSortAscending);
    EXPECT_EQ(0, dialog->m_nSortColumn);
    EXPECT_EQ((std::vector<QString>{"<none>", "Alpha", "beta", "gamma"}), Names(*dialog));
    clickHeader(0);
    EXPECT_FALSE(dialog->m_bSortAscending);
    EXPECT_EQ((std::vector<QString>{"gamma", "beta", "Alpha", "<none>"}), Names(*dialog));
    clickHeader(2);  // DHCP name, ascending again
    EXPECT_EQ((std::vector<QString>{"gamma", "<none>", "Alpha", "beta"}), Names(*dialog));
    clickHeader(1);  // Dimensions: all equal, order kept
    EXPECT_EQ((std::vector<QString>{"gamma", "<none>", "Alpha", "beta"}), Names(*dialog));
    EXPECT_EQ("ww", dialog->m_DisplayList->Text(0, 2));
    EXPECT_EQ("10.0.0.1", dialog->m_DisplayList->Text(0, 3));
}

TEST_F(MainDialogTest, EveryViewHasTheColumnHeaderAndGridViewsSpaceAndEllipsiseTheirItems)
{
    auto dialog = Make();
    dialog->resize(800, 600);
    dialog->show();
    m_bridges.fails = true;
    const std::string longName(80, 'W');
    Search(*dialog, {Device(longName + "1", "a", "10.0.0.1"), Device(longName + "2", "b", "10.0.0.2"),
                     Device("C", "c", "10.0.0.3"), Device("D", "d", "10.0.0.4")});
    CDisplayList& list = *dialog->m_DisplayList;
    int column = 0;
    for (int id : {ID_VIEW_LIST, ID_VIEW_ICON, ID_VIEW_SMALL_ICON, ID_VIEW_TILE, ID_VIEW_REPORT}) {
        dialog->OnViewCommand(id);
        QHeaderView* header = id == ID_VIEW_REPORT ? list.DetailsView()->header() : list.IconsHeader();
        ASSERT_TRUE(header->isVisible()) << id;
        EXPECT_LE(header->height(), 2 * header->fontMetrics().height() + 8) << id;
        EXPECT_EQ("DHCP Name", header->model()->headerData(2, Qt::Horizontal).toString());
        // Sorting works from it: a click on another column sorts by that one.
        column = (column + 1) % 4;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        EXPECT_EQ(column, dialog->m_nSortColumn) << id;
    }

    // Tile and Small Icon views: every item in a cell of the same size, with
    // a gap to the next and its long name cut with an ellipsis.
    for (int id : {ID_VIEW_TILE, ID_VIEW_SMALL_ICON}) {
        dialog->OnViewCommand(id);
        QListView* view = list.IconsView();
        QCoreApplication::processEvents();
        std::vector<QRect> rects;
        for (int r = 0; r < 4; ++r) rects.push_back(view->visualRect(view->model()->index(r, 0)));
        std::sort(rects.begin(), rects.end(), [](const QRect& a, const QRect& b) {
            return std::make_pair(a.top(), a.left()) < std::make_pair(b.top(), b.left());
        });
        for (std::size_t i = 0; i < rects.size(); ++i) {
            EXPECT_EQ(rects[0].size(), rects[i].size()) << id;
            for (std::size_t j = i + 1; j < rects.size(); ++j)
                EXPECT_FALSE(rects[i].adjusted(-3, -1, 3, 1).intersects(rects[j])) << id << " " << i << " " << j;
        }
        ASSERT_EQ(rects[0].top(), rects[1].top()) << id;  // side by side
        int step = rects[1].left() - rects[0].left();
        if (rects[2].top() == rects[0].top()) {
            EXPECT_EQ(step, rects[2].left() - rects[1].left()) << id;
        }
        EXPECT_LT(rects[0].width(), view->fontMetrics().horizontalAdvance(QString::fromStdString(longName)));
    }
}

TEST_F(MainDialogTest, RowsShowTheirRecordsTextsImagesAndDetails)
{
    auto dialog = Make();
    dialog->show();
    m_bridges.fails = true;
    DeviceRecord twoAddresses = Device("Wall", "wall-dhcp", "10.0.0.7", Management(8080));
    twoAddresses.xAddrs = "http://10.0.0.7/a http://10.0.0.7/b";
    DeviceRecord announced = Device("Hello", "h", "");
    announced.metadata.push_back(HELLO_ITEM);
    DeviceRecord noAddress = Device("Nowhere", "n", "10.0.0.8");
    noAddress.xAddrs = " ";
    Search(*dialog, {twoAddresses, announced, noAddress});

    CDisplayList& list = *dialog->m_DisplayList;
    ASSERT_EQ((std::vector<QString>{"Hello", "Wall", "Wall"}), Names(*dialog));
    EXPECT_EQ(DeviceImage::Marked, list.ImageAt(0));
    EXPECT_EQ("", list.Text(0, 3));
    EXPECT_EQ(DeviceImage::Normal, list.ImageAt(1));
    EXPECT_EQ("10.0.0.7:8080", list.Text(1, 3));
    EXPECT_EQ("0X0", list.Text(1, 1));
    EXPECT_EQ("wall-dhcp", list.Text(1, 2));
    // The like rows of one device show its one record.
    EXPECT_EQ(twoAddresses, *list.RecordAt(1));
    EXPECT_EQ(list.RecordAt(1), list.RecordAt(2));

    QString details = QString::fromStdWString(BuildDeviceDetails(twoAddresses));
    EXPECT_EQ(details, dialog->OnDisplayListInfoTip(1));
    EXPECT_TRUE(details.startsWith("Address:"));

    QTreeView* view = list.DetailsView();
    QRect row = view->visualRect(view->model()->index(1, 0));
    QHelpEvent tip(QEvent::ToolTip, row.center(), view->viewport()->mapToGlobal(row.center()));
    QApplication::sendEvent(view->viewport(), &tip);
    EXPECT_EQ("<pre>" + details.toHtmlEscaped() + "</pre>", QToolTip::text());
    // Device text is shown as text, never as markup.
    DeviceRecord markup = Device("<b>Bold</b>", "<i>x</i>", "10.0.0.2");
    Search(*dialog, {markup});
    QRect first = view->visualRect(view->model()->index(0, 0));
    QHelpEvent markupTip(QEvent::ToolTip, first.center(), view->viewport()->mapToGlobal(first.center()));
    QApplication::sendEvent(view->viewport(), &markupTip);
    EXPECT_TRUE(QToolTip::text().contains("&lt;i&gt;x&lt;/i&gt;")) << QToolTip::text().toStdString();
    QToolTip::hideText();
}

TEST_F(MainDialogTest, DeviceTextIsShownAsTheDeviceSentIt)
{
    auto dialog = Make();
    m_bridges.fails = true;
    Search(*dialog, {Device("Caf\xc3\xa9 Z\xc3\xbcrich", "R&amp;D &lt;Lab&gt;", "10.0.0.3"),
                     Device("&#x6771;&#x4EAC; Lobby", "caf\xe9", "10.0.0.4"), Device("Atrium", "a", "10.0.0.5")});
    ASSERT_EQ((std::vector<QString>{"Atrium", QString::fromUtf8("Caf\u00e9 Z\u00fcrich"),
                                    QString::fromUtf8("\u6771\u4eac Lobby")}),
              Names(*dialog));
    CDisplayList& list = *dialog->m_DisplayList;
    EXPECT_EQ("R&D <Lab>", list.Text(1, 2));
    EXPECT_EQ(QString::fromUtf8("caf\u00e9"), list.Text(2, 2));  // not UTF-8: one character per byte
    EXPECT_TRUE(dialog->OnDisplayListInfoTip(1).contains("R&D <Lab>"));
}

TEST_F(MainDialogTest, AClickOpensTheSelectedDevicesSafePageOnly)
{
    auto dialog = Make();
    dialog->show();
    m_bridges.fails = true;
    DeviceRecord hostile = Device("Hostile", "h", "10.0.0.9\"onmouseover=alert(1)");
    Search(*dialog, {Device("Lobby", "l", "10.0.0.5", Management(8080)), Device("Plain", "p", "10.0.0.6"), hostile});

    QTreeView* view = dialog->m_DisplayList->DetailsView();
    auto clickRow = [view](int r) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(r, 0)).center());
    };
    ASSERT_EQ((std::vector<QString>{"Hostile", "Lobby", "Plain"}), Names(*dialog));
    clickRow(1);
    clickRow(2);
    EXPECT_EQ((std::vector<QString>{"http://10.0.0.5:8080/", "http://10.0.0.6:80/"}), m_launched);
    // Empty space below the rows opens the selection-mark row again.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(5, view->viewport()->height() - 3));
    EXPECT_EQ(3u, m_launched.size());
    EXPECT_EQ("http://10.0.0.6:80/", m_launched.back());
    clickRow(0);
    EXPECT_EQ(3u, m_launched.size());
    EXPECT_EQ(0, dialog->m_DisplayList->SelectionMark());
}

TEST_F(MainDialogTest, ADoubleClickOpensThePageOnceAsOneClickDoes)
{
    auto dialog = Make();
    dialog->show();
    m_bridges.fails = true;
    Search(*dialog, {Device("Lobby", "l", "10.0.0.5")});
    QTreeView* view = dialog->m_DisplayList->DetailsView();
    // Through the window, so the platform's own double-click detection runs:
    // press, release, press (a double-click), release.
    QPoint at = view->viewport()->mapTo(dialog.get(), view->visualRect(view->model()->index(0, 0)).center());
    QTest::mouseDClick(dialog->windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(std::vector<QString>{"http://10.0.0.5:80/"}, m_launched);
    // The next click is a click again.
    QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {}, at, 1000);
    EXPECT_EQ(2u, m_launched.size());
}

TEST_F(MainDialogTest, TheSelectionMarkIsTheSelectedRowNeverTheFocusOnlyOne)
{
    auto dialog = Make();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    m_bridges.fails = true;
    Search(*dialog, {Device("beta", "b", "10.0.0.2"), Device("alpha", "a", "10.0.0.1")});
    CDisplayList& list = *dialog->m_DisplayList;
    QTreeView* view = list.DetailsView();
    view->setFocus(Qt::TabFocusReason);  // the first row gets the focus, not the selection
    ASSERT_TRUE(view->hasFocus());
    EXPECT_EQ(-1, list.SelectionMark());
    QPoint empty(5, view->viewport()->height() - 3);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_TRUE(m_launched.empty());

    // Neither sorting nor a change of view selects anything.
    QHeaderView* header = view->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
    dialog->OnViewCommand(ID_VIEW_ICON);
    dialog->OnViewCommand(ID_VIEW_REPORT);
    EXPECT_EQ(-1, list.SelectionMark());
    EXPECT_TRUE(view->selectionModel()->selectedRows().isEmpty());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_TRUE(m_launched.empty());

    // A selected row stays the selected one through both.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
    ASSERT_EQ(std::vector<QString>{"http://10.0.0.2:80/"}, m_launched);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
    ASSERT_EQ((std::vector<QString>{"beta", "alpha"}), Names(*dialog));
    dialog->OnViewCommand(ID_VIEW_TILE);
    EXPECT_EQ(0, list.SelectionMark());
    EXPECT_EQ(0, list.SelectedRow());
    QTest::mouseClick(list.IconsView()->viewport(), Qt::LeftButton, {},
                      QPoint(list.IconsView()->viewport()->width() - 3, list.IconsView()->viewport()->height() - 3));
    EXPECT_EQ(2u, m_launched.size());
    EXPECT_EQ("http://10.0.0.2:80/", m_launched.back());
}

TEST_F(MainDialogTest, RowsLookClickableAndNoIssueRowStartsSelected)
{
    auto dialog = Make();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    // The issue list has the focus at start-up, and none of its rows is shown
    // as selected (no highlight behind the first row).
    QTreeWidget& issues = *dialog->m_IssueList;
    EXPECT_TRUE(issues.selectedItems().isEmpty());
    ASSERT_TRUE(issues.hasFocus());
    QImage shown = issues.viewport()->grab().toImage();
    for (int row : {0, 1}) {
        QRect r = issues.visualItemRect(issues.topLevelItem(row));
        // Right of the text: the row's own ground, the same as the list's.
        for (QPoint p : {QPoint(r.right() - 20, r.center().y()), QPoint(r.right() - 20, r.top() + 1)})
            EXPECT_EQ(issues.palette().color(QPalette::Base), QColor(shown.pixel(p))) << row;
    }

    m_bridges.fails = true;
    Search(*dialog, {Device("Lobby", "l", "10.0.0.5")});
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(dialog->m_DisplayList->DetailsView()),
                                    static_cast<QAbstractItemView*>(&issues)}) {
        auto* activation = view->findChild<ListActivation*>();
        ASSERT_NE(nullptr, activation);
        QPoint row = view->visualRect(view->model()->index(0, 0)).center();
        MoveMouse(view->viewport(), row);
        EXPECT_EQ(Qt::PointingHandCursor, view->viewport()->cursor().shape());
        EXPECT_EQ(0, activation->HotRow());
        EXPECT_TRUE(activation->Underlined(view->model()->index(0, 0)));
        MoveMouse(view->viewport(), QPoint(5, view->viewport()->height() - 3));
        EXPECT_NE(Qt::PointingHandCursor, view->viewport()->cursor().shape());
        EXPECT_EQ(-1, activation->HotRow());
    }
    // Device rows are underlined under the pointer only; issue rows always.
    EXPECT_FALSE(dialog->m_DisplayList->DetailsView()->findChild<ListActivation*>()->Underlined(
        dialog->m_DisplayList->DetailsView()->model()->index(0, 0)));
    EXPECT_TRUE(issues.findChild<ListActivation*>()->Underlined(issues.model()->index(2, 0)));
}

TEST_F(MainDialogTest, ShiftF10OpensTheViewMenuLikeTheMenuKey)
{
    auto dialog = Make();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    m_menuChoice = "Icon";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(1u, m_menuPoints.size());
    EXPECT_EQ(dialog->m_DisplayList->DetailsView()->viewport()->mapToGlobal(QPoint(5, 5)), m_menuPoints[0]);
    EXPECT_EQ(CDisplayList::View::Icon, dialog->m_DisplayList->CurrentView());
}

TEST_F(MainDialogTest, KeysOpenAPageCopyTheDetailsAndRunAFix)
{
    auto dialog = Make();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    m_bridges.fails = true;
    Search(*dialog, {Device("Alpha", "a", "10.0.0.1"), Device("Beta", "b", "10.0.0.2", Management(8080))});
    QTreeView* view = dialog->m_DisplayList->DetailsView();
    view->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view, Qt::Key_Down);  // onto the second row
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(std::vector<QString>{"http://10.0.0.2:8080/"}, m_launched);
    EXPECT_TRUE(dialog->isVisible());  // Return went to the row, not to the dialog

    QGuiApplication::clipboard()->clear();
    QTest::keySequence(view, QKeySequence::Copy);
    EXPECT_EQ(dialog->OnDisplayListInfoTip(1), QGuiApplication::clipboard()->text());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("Address:"));

    // Space and Return on an issue row run its fix, once each.
    QTreeWidget& issues = *dialog->m_IssueList;
    issues.setFocus(Qt::TabFocusReason);
    issues.setCurrentItem(issues.topLevelItem(3), 0, QItemSelectionModel::NoUpdate);  // the Java row
    QTest::keyClick(&issues, Qt::Key_Space);
    ASSERT_EQ(2u, m_launched.size());
    EXPECT_EQ("https://www.java.com/download/", m_launched.back());
    issues.setCurrentItem(issues.topLevelItem(3), 0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(&issues, Qt::Key_Return);
    EXPECT_EQ(3u, m_launched.size());
}

TEST_F(MainDialogTest, FailuresAreSaidNoPageNoBrowserSettingsNotSaved)
{
    auto dialog = Make();
    dialog->show();
    m_bridges.fails = true;
    DeviceRecord noPage = Device("Nowhere", "n", "");
    noPage.address = "urn:uuid:nowhere";
    Search(*dialog, {noPage, Device("Plain", "p", "10.0.0.6")});
    // The failed bridge run is said first; the clicks' messages follow.
    EXPECT_EQ(std::vector<QString>{"the search could not run"}, m_messages);
    m_messages.clear();
    QTreeView* view = dialog->m_DisplayList->DetailsView();
    auto clickRow = [view](int r) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(r, 0)).center());
    };
    clickRow(0);
    EXPECT_EQ(std::vector<QString>{"This device offers no web page that can be opened."}, m_messages);
    EXPECT_TRUE(m_launched.empty());
    m_messages.clear();
    m_browserStarts = false;
    clickRow(1);
    EXPECT_EQ(std::vector<QString>{"No web browser could be started to open http://10.0.0.6:80/."}, m_messages);

    // Settings that cannot be saved still apply, and the user is told.
    m_messages.clear();
    std::filesystem::remove_all(m_folder.Path() + "/Marvane");
    m_modal = [](QDialog& d) {
        auto& s = dynamic_cast<CSettingsDlg&>(d);
        s.OnInitDialog();
        s.m_spinDiscoveryTimeout->SetText("12");
        s.accept();
        return s.result();
    };
    dialog->OnSysCommand(IDM_SETTINGS);
    EXPECT_EQ(12, g_nDiscoveryTimeout.load());
    EXPECT_EQ(std::vector<QString>{"The settings could not be saved. They apply until Signseek is closed."},
              m_messages);
}

TEST_F(MainDialogTest, LayoutFollowsTheSizeAndStopsAtTheMinimum)
{
    auto dialog = Make();
    dialog->show();
    const int groupHeight = dialog->m_SearchGroup->height();
    for (QSize size : {QSize(640, 480), QSize(800, 600), QSize(1200, 380 + 200), QSize(1000, 900)}) {
        dialog->resize(size);
        QRect g = dialog->m_SearchGroup->geometry();
        int top = std::min(112, static_cast<int>(0.3 * size.height() - groupHeight / 2));
        EXPECT_EQ(QRect(8, top, size.width() - 16, groupHeight), g);
        // The issue list leaves its top right corner to the menu button.
        QRect issues = dialog->m_IssueList->geometry(), menu = dialog->m_MenuButton->geometry();
        EXPECT_EQ(QRect(8, 8, issues.width(), top - 16), issues);
        EXPECT_FALSE(issues.intersects(menu));
        EXPECT_LE(size.width() - 16 - issues.width(), menu.width() + 8);
        EXPECT_EQ(8, menu.top());
        // The device count line below the list, both as wide as the group.
        QRect list = dialog->m_DisplayList->geometry(), count = dialog->m_DeviceCount->geometry();
        EXPECT_EQ(size.height() - 8, count.bottom() + 1);
        EXPECT_EQ(count.top() - 4, list.bottom() + 1);
        EXPECT_EQ(g.width(), list.width());
        EXPECT_EQ(g.width(), count.width());
        EXPECT_GE(count.height(), dialog->m_DeviceCount->sizeHint().height());
        EXPECT_EQ(g.right() - 15, dialog->m_FindButton->geometry().right());
        // "Addresses..." between the adapter list and the button, whole and inside the group.
        QRect addresses = dialog->m_AddressesButton->geometry();
        EXPECT_EQ(dialog->m_FindButton->x() - 6, addresses.right() + 1);
        EXPECT_GE(addresses.width(), dialog->m_AddressesButton->sizeHint().width());
        EXPECT_TRUE(g.contains(addresses));
        EXPECT_GE(addresses.left() - dialog->m_AdapterCombo->geometry().right() - 1, 15);
        EXPECT_EQ(g.left() + 8, dialog->m_SearchProgress->x());
        EXPECT_EQ(size.width() - 8, dialog->m_MenuButton->geometry().right() + 1);
    }
    dialog->resize(300, 200);
    EXPECT_EQ(QSize(640, 480), dialog->minimumSize());
    EXPECT_GE(dialog->width(), 640);
    EXPECT_GE(dialog->height(), 480);
}

TEST_F(MainDialogTest, AnAddressChangeRefillsTheAdaptersAndSelectsTheFirst)
{
    m_adapters->Set({{"eth0 (Wired)", {"10.1.1.1"}}, {"lo (Loopback)", {"127.0.0.1"}}});
    auto dialog = Make();
    dialog->m_AdapterCombo->setCurrentIndex(1);
    int widthBefore = dialog->m_nAdapterListWidth;
    m_adapters->Set({{"wlan0 (A rather long wireless adapter name)", {"10.2.2.2"}},
                     {"eth0 (Wired)", {"0.0.0.0"}},
                     {"lo (Loopback)", {"127.0.0.1"}}});
    m_addressChanges->Trigger();
    ASSERT_TRUE(test::WaitUntil([&] { return dialog->m_AdapterCombo->itemText(0).startsWith("wlan0"); }));
    EXPECT_EQ(3, dialog->m_AdapterCombo->count());
    EXPECT_EQ(0, dialog->m_AdapterCombo->currentIndex());
    EXPECT_EQ("lo (Loopback)", dialog->m_AdapterCombo->itemText(1));
    EXPECT_EQ("All adapters", dialog->m_AdapterCombo->itemText(2));
    EXPECT_GT(dialog->m_nAdapterListWidth, widthBefore);
}

TEST_F(MainDialogTest, AllAdaptersSearchesEachAdapterAndListsADeviceUnderEach)
{
    m_adapters->Set({{"eth0 (Wired)", {"10.1.1.1"}}, {"eth1 (Second)", {"10.2.2.2"}}});
    std::mutex mutex;
    std::vector<std::pair<RunKind, std::vector<std::string>>> calls;
    auto reported = std::make_shared<test::Gate>();
    DialogServices services = Services();
    services.discoverOnAdapters = [&, reported](RunKind kind, const DiscoveryRequest& request,
                                                const std::vector<std::string>& adapters) {
        {
            std::lock_guard lock(mutex);
            calls.emplace_back(kind, adapters);
        }
        std::vector<RunResult> results(adapters.size());
        if (kind == RunKind::Devices) {
            for (std::size_t i = 0; i < adapters.size(); ++i) {
                // The same device answers through both cards, each adapter counting its records from 0.
                results[i].records.push_back(Device("Lobby", "lobby", "10.9.9.9"));
                results[i].records.back().adapter = adapters[i];
                request.onRecord(RecordChange::Found, 0, results[i].records.back());
            }
            reported->Enter();
        }
        return results;
    };
    auto dialog = std::make_unique<CVORIrurizezDlg>(std::move(services));
    ASSERT_EQ(3, dialog->m_AdapterCombo->count());
    EXPECT_EQ(0, dialog->m_AdapterCombo->currentIndex());
    dialog->m_AdapterCombo->setCurrentIndex(2);
    dialog->m_FindButton->click();
    // Both show while the run still listens, one under each adapter.
    ASSERT_TRUE(reported->WaitEntered(1));
    EXPECT_TRUE(test::WaitUntil([&] { return dialog->m_DisplayList->RowCount() == 2; }));
    reported->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching(); }));

    std::lock_guard lock(mutex);
    ASSERT_EQ(2u, calls.size());
    for (const auto& [kind, adapters] : calls) EXPECT_EQ((std::vector<std::string>{"10.1.1.1", "10.2.2.2"}), adapters);
    EXPECT_NE(calls[0].first, calls[1].first);
    EXPECT_TRUE(m_devices.requests->empty());
    EXPECT_TRUE(m_bridges.requests->empty());
    ASSERT_EQ((std::vector<QString>{"Lobby", "Lobby"}), Names(*dialog));
    std::vector<std::wstring> details;
    for (int r = 0; r < 2; ++r) details.push_back(BuildDeviceDetails(*dialog->m_DisplayList->RecordAt(r)));
    std::sort(details.begin(), details.end());
    EXPECT_NE(std::wstring::npos, details[0].find(L"Adapter:            \t10.1.1.1")) << details[0].size();
    EXPECT_NE(std::wstring::npos, details[1].find(L"Adapter:            \t10.2.2.2")) << details[1].size();
}

TEST_F(MainDialogTest, SavedAddressesGoIntoTheSearchBesideTheAdapterAndTheDialogRefusesABadLine)
{
    test::WriteFile(TargetsFolder() + "/targets", "# signage VLAN\n10.20.0.5\nplayer.signage.test\n");
    auto dialog = Make();
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ("Addresses...", dialog->m_AddressesButton->text());
    DeviceRecord directed = Device("Atrium Wall", "ferro-atrium", "10.20.0.5");
    directed.via = "directed";
    Search(*dialog, {directed});
    ASSERT_EQ(1u, m_devices.requests->size());
    ASSERT_EQ(1u, m_bridges.requests->size());
    for (const DiscoveryRequest& request : {m_devices.requests->front(), m_bridges.requests->front()}) {
        EXPECT_EQ((std::vector<std::string>{"10.20.0.5", "10.20.0.7"}), request.targets);
        EXPECT_EQ("127.0.0.1", request.interfaceAddress);  // the adapter is searched as well
        EXPECT_EQ(kDefaultProbeRate, request.probeRate);
    }
    // The listener takes the answers on every local address.
    EXPECT_EQ("0.0.0.0", m_replyAddresses.back());
    EXPECT_EQ((std::vector<QString>{"Atrium Wall"}), Names(*dialog));

    // The dialog shows the file as written; a bad line is refused by number,
    // a good list saved.
    QString shown;
    m_modal = [&](QDialog& d) {
        auto& a = dynamic_cast<CAddressesDlg&>(d);
        a.OnInitDialog();
        shown = a.m_editTargets->toPlainText();
        EXPECT_TRUE(a.m_labelHint->text().contains("10.20.0.0/24"));
        a.m_editTargets->setPlainText("10.30.0.0/30\n10.30.0.300\n");
        a.accept();
        EXPECT_NE(QDialog::Accepted, a.result());
        EXPECT_EQ("10.30.0.300", a.m_editTargets->textCursor().selectedText());
        a.m_editTargets->setPlainText("# second site\n10.30.0.0/30\n");
        a.accept();
        return a.result();
    };
    dialog->m_AddressesButton->click();
    EXPECT_EQ("# signage VLAN\n10.20.0.5\nplayer.signage.test\n", shown);
    EXPECT_EQ((std::vector<QString>{"Line 2: not an IPv4 address: 10.30.0.300."}), m_messages);
    EXPECT_EQ("# second site\n10.30.0.0/30\n", test::ReadFile(TargetsFolder() + "/targets"));
    Search(*dialog, {});
    EXPECT_EQ((std::vector<std::string>{"10.30.0.0", "10.30.0.1", "10.30.0.2", "10.30.0.3"}),
              m_devices.requests->back().targets);

    // Cancel keeps the list and the file.
    m_modal = [](QDialog& d) {
        auto& a = dynamic_cast<CAddressesDlg&>(d);
        a.m_editTargets->setPlainText("10.40.0.1\n");
        a.reject();
        return a.result();
    };
    dialog->m_AddressesButton->click();
    EXPECT_EQ("# second site\n10.30.0.0/30\n", test::ReadFile(TargetsFolder() + "/targets"));
    EXPECT_EQ("# second site\n10.30.0.0/30\n", dialog->m_strTargets);
}

// A name server may take seconds to answer, or never: the window goes on
// meanwhile and the search starts once the names are known. The Addresses
// dialog takes a name as written, without asking.
TEST_F(MainDialogTest, HostNamesAreLookedUpOffTheWindowsThread)
{
    test::WriteFile(TargetsFolder() + "/targets", "10.20.0.5\nslow.signage.test\n");
    std::atomic<bool> answer{false};
    std::atomic<int> asked{0}, answered{0};
    DialogServices services = Services();
    services.resolveHost = [&](const std::string& name) -> std::optional<std::string> {
        ++asked;
        for (int i = 0; i < 500 && !answer; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ++answered;
        if (name == "slow.signage.test") return "10.20.0.9";
        return std::nullopt;
    };
    auto dialog = std::make_unique<CVORIrurizezDlg>(services);
    const auto clicked = std::chrono::steady_clock::now();
    dialog->m_FindButton->click();
    EXPECT_LT(std::chrono::steady_clock::now() - clicked, std::chrono::seconds(1));
    EXPECT_TRUE(dialog->LookingUpTargets());
    EXPECT_FALSE(dialog->m_Search.Searching());
    EXPECT_FALSE(dialog->m_FindButton->isEnabled());
    dialog->OnFindDisplays();  // a second press while names are looked up starts nothing
    answer = true;
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching() && !dialog->LookingUpTargets(); }));
    EXPECT_EQ(1, asked.load());
    ASSERT_EQ(1u, m_devices.requests->size());
    EXPECT_EQ((std::vector<std::string>{"10.20.0.5", "10.20.0.9"}), m_devices.requests->back().targets);
    EXPECT_TRUE(dialog->m_FindButton->isEnabled());

    m_modal = [](QDialog& d) {
        auto& a = dynamic_cast<CAddressesDlg&>(d);
        a.OnInitDialog();
        a.m_editTargets->setPlainText("nowhere.test\n");
        a.accept();
        return a.result();
    };
    dialog->m_AddressesButton->click();
    EXPECT_EQ("nowhere.test\n", test::ReadFile(TargetsFolder() + "/targets"));
    EXPECT_EQ(1, asked.load());

    // The window closed during a look-up: the result goes nowhere.
    answer = false;
    dialog->m_FindButton->click();
    EXPECT_TRUE(dialog->LookingUpTargets());
    dialog.reset();
    answer = true;
    ASSERT_TRUE(test::WaitUntil([&] { return answered.load() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the thread posts, to no one
    QCoreApplication::processEvents();
    EXPECT_EQ(1u, m_devices.requests->size());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MainDialogTest, AHandEditedBadLineIsSaidAndLeftOutAndAnUnreadableFileAtStart)
{
    test::WriteFile(TargetsFolder() + "/targets", "10.20.0.5\nnowhere.test\n");
    auto dialog = Make();
    Search(*dialog, {});
    EXPECT_EQ((std::vector<std::string>{"10.20.0.5"}), m_devices.requests->back().targets);
    EXPECT_EQ((std::vector<QString>{"Some addresses are left out of this search:\n"
                                    "Line 2: cannot resolve nowhere.test to an IPv4 address."}),
              m_messages);

    // No targets: the adapter alone, its reply port checked on its own address.
    std::filesystem::remove(TargetsFolder() + "/targets");
    ASSERT_EQ(0, ::symlink((m_folder / "elsewhere").c_str(), (TargetsFolder() + "/targets").c_str()));
    m_messages.clear();
    dialog = Make();
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_TRUE(m_messages[0].startsWith("The saved addresses were not used: ")) << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[0].endsWith("/targets is a symbolic link.")) << m_messages[0].toStdString();
    Search(*dialog, {});
    EXPECT_TRUE(m_devices.requests->back().targets.empty());
    EXPECT_EQ("127.0.0.1", m_replyAddresses.back());
}

TEST_F(MainDialogTest, AllAdaptersSearchesWithoutTheAddressesAndSaysSo)
{
    test::WriteFile(TargetsFolder() + "/targets", "10.20.0.5\n");
    std::mutex mutex;
    std::vector<std::vector<std::string>> targets;
    DialogServices services = Services();
    services.discoverOnAdapters = [&](RunKind, const DiscoveryRequest& request,
                                      const std::vector<std::string>& adapters) {
        std::lock_guard lock(mutex);
        targets.push_back(request.targets);
        return std::vector<RunResult>(adapters.size());
    };
    auto dialog = std::make_unique<CVORIrurizezDlg>(std::move(services));
    dialog->m_AdapterCombo->setCurrentIndex(dialog->m_AdapterCombo->count() - 1);
    ASSERT_TRUE(dialog->AllAdaptersChosen());
    Search(*dialog, {});
    EXPECT_EQ((std::vector<QString>{"The addresses are asked with one adapter, not with \"All adapters\": this search "
                                    "leaves them out."}),
              m_messages);
    std::lock_guard lock(mutex);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{}, {}}), targets);
}

TEST_F(MainDialogTest, SettingsFromTheMenuEvenWhileSearchingAndOnlyOkChangesThem)
{
    auto gate = std::make_shared<test::Gate>();
    m_devices.gate = m_bridges.gate = gate;
    auto dialog = Make();
    dialog->m_FindButton->click();

    QStringList shown;
    bool enabled = true;
    m_modal = [&](QDialog& d) {
        auto& s = dynamic_cast<CSettingsDlg&>(d);
        s.OnInitDialog();
        shown = {s.m_spinReceiveTimeout->Text(), s.m_spinDiscoveryTimeout->Text(), s.m_editDiscoveryPort->text(),
                 s.m_spinTTL->Text()};
        enabled = s.m_checkUseInternetExplorer->isEnabled();
        s.m_spinDiscoveryTimeout->SetText("x");
        s.accept();  // refused: stays open
        EXPECT_NE(QDialog::Accepted, s.result());
        s.m_spinDiscoveryTimeout->SetText("5");
        s.m_spinReceiveTimeout->SetText("2");
        s.m_editDiscoveryPort->setText("4000");
        s.m_spinTTL->SetText("45");
        s.accept();
        return s.result();
    };
    // A button of its own that says what it holds.
    // The tip names every command of the menu.
    for (QAction* item : dialog->m_MenuButton->menu()->actions()) {
        if (item->isSeparator()) continue;
        QString name = item->text().remove('&').remove("...").remove("..").remove(" Signseek");
        EXPECT_TRUE(dialog->m_MenuButton->toolTip().contains(name)) << name.toStdString();
    }
    QAction* settings = dialog->m_MenuButton->menu()->actions().at(1);
    ASSERT_EQ("Settings..", settings->text());
    settings->trigger();
    EXPECT_EQ(QStringList({"1", "8", "3702", "2"}), shown);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(std::vector<QString>{"Enter a positive integer."}, m_messages);
    EXPECT_EQ(5, g_nDiscoveryTimeout.load());
    EXPECT_EQ(2, g_nReceiveTimeout.load());
    EXPECT_EQ(4000, g_nDiscoveryPort.load());
    EXPECT_EQ(45, g_nDiscoveryTTL.load());
    EXPECT_EQ(45, dialog->m_Settings.m_values.ttl);
    EXPECT_EQ("2,5,4000,45\n", test::ReadFile(SettingsFilePath(m_folder.Path())));

    // Cancel after changing everything keeps the values and the file.
    m_modal = [](QDialog& d) {
        auto& s = dynamic_cast<CSettingsDlg&>(d);
        s.OnInitDialog();
        s.m_spinDiscoveryTimeout->SetText("9");
        s.m_editDiscoveryPort->setText("9");
        s.reject();
        return s.result();
    };
    dialog->OnSysCommand(IDM_SETTINGS);
    EXPECT_EQ(5, g_nDiscoveryTimeout.load());
    EXPECT_EQ(4000, g_nDiscoveryPort.load());
    EXPECT_EQ("2,5,4000,45\n", test::ReadFile(SettingsFilePath(m_folder.Path())));
    gate->Open();
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog->m_Search.Searching(); }));
}

TEST_F(MainDialogTest, ExportListWritesWhatTheCommandLineFormatsGiveAndSaysWhenItCannot)
{
    const DeviceRecord lobby = Device("Lobby", "lobby", "10.0.0.5", "ns3:quellad:8080");
    const DeviceRecord atrium = Device("Atrium, \"east\"", "atrium", "10.0.0.9");
    const std::vector<FoundDevice> found{{"devices", lobby}, {"devices", atrium}};
    QString answer;
    QString chosenFilter;
    DialogServices services = Services();
    services.saveFileName = [&](QWidget*, const QString& filters, QString* chosen) {
        EXPECT_EQ("CSV files (*.csv);;JSON files (*.json)", filters);
        *chosen = chosenFilter;
        return answer;
    };
    auto dialog = std::make_unique<CVORIrurizezDlg>(std::move(services));
    Search(*dialog, {lobby, atrium});

    m_menuChoice = "Export list...";
    QAction* exportAction = nullptr;
    for (QAction* a : dialog->m_MenuButton->menu()->actions())
        if (a->text() == "Export list...") exportAction = a;
    ASSERT_NE(nullptr, exportAction);

    const std::string csv = m_folder.Path() + "/list.csv";
    answer = QString::fromStdString(csv);
    exportAction->trigger();
    EXPECT_EQ(FormatCsv(found), test::ReadFile(csv));

    // No ending: the chosen type decides and its ending is added; ".json"
    // whatever the filter; another ending stands.
    const std::string json = m_folder.Path() + "/noext";
    answer = QString::fromStdString(json);
    chosenFilter = "JSON files (*.json)";
    exportAction->trigger();
    EXPECT_EQ(FormatJson(found), test::ReadFile(json + ".json"));
    EXPECT_FALSE(std::filesystem::exists(json));
    answer = QString::fromStdString(m_folder.Path() + "/.hidden");
    chosenFilter = "CSV files (*.csv)";
    exportAction->trigger();
    EXPECT_EQ(FormatCsv(found), test::ReadFile(m_folder.Path() + "/.hidden.csv"));
    const std::string text = m_folder.Path() + "/list.txt";
    answer = QString::fromStdString(text);
    chosenFilter = "JSON files (*.json)";
    exportAction->trigger();
    EXPECT_EQ(FormatJson(found), test::ReadFile(text));
    const std::string upper = m_folder.Path() + "/LIST.JSON";
    answer = QString::fromStdString(upper);
    chosenFilter = "CSV files (*.csv)";
    exportAction->trigger();
    EXPECT_EQ(FormatJson(found), test::ReadFile(upper));
    EXPECT_TRUE(m_messages.empty());

    answer = "";  // cancelled
    exportAction->trigger();
    EXPECT_TRUE(m_messages.empty());

    const std::string nowhere = m_folder.Path() + "/missing/list.csv";
    answer = QString::fromStdString(nowhere);
    exportAction->trigger();
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(QString::fromStdString("The list could not be saved to " + nowhere + ": No such file or directory."),
              m_messages[0]);
}

TEST_F(MainDialogTest, AboutBoxShowsTheVersion)
{
    auto dialog = Make();
    QString title, version;
    m_modal = [&](QDialog& d) {
        auto& about = dynamic_cast<CAboutDlg&>(d);
        about.OnInitDialog();
        title = about.windowTitle();
        version = about.m_VersionLabel->text();
        return int(QDialog::Accepted);
    };
    QAction* item = dialog->m_MenuButton->menu()->actions().at(4);
    ASSERT_EQ("&About Signseek...", item->text());
    EXPECT_EQ(IDM_ABOUTBOX, item->data().toInt());
    item->trigger();
    EXPECT_EQ("About Marvane Signseek", title);
    EXPECT_EQ("Marvane Signseek " SIGNSEEK_VERSION, version);
    version.clear();
    dialog->OnSysCommand(IDM_ABOUTBOX | 0xF);  // the low four bits do not count
    EXPECT_EQ("Marvane Signseek " SIGNSEEK_VERSION, version);
}

TEST_F(MainDialogTest, ClosingDuringASearchStopsItAtOnceAndKeepsNoResults)
{
    // The gate stands for a run still listening: only the stop lets it go.
    auto gate = std::make_shared<test::Gate>();
    m_devices.gate = m_bridges.gate = gate;
    m_devices.records = {Device("Late", "l", "10.0.0.5")};
    auto dialog = Make();
    dialog->show();
    dialog->m_FindButton->click();
    ASSERT_TRUE(gate->WaitEntered(2));
    std::shared_ptr<MessageRoute> route = dialog->Route();

    auto start = std::chrono::steady_clock::now();
    dialog->reject();
    dialog.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // Both runs ended before the dialog went, their results dropped.
    EXPECT_EQ(2, route->Dropped());
    QCoreApplication::sendPostedEvents();

    // Results already queued when the dialog goes are freed with it.
    m_devices.gate = m_bridges.gate = nullptr;
    auto queued = Make();
    queued->m_FindButton->click();
    ASSERT_TRUE(test::WaitUntil([&] {
        std::lock_guard lock(*m_devices.mutex);
        return m_devices.requests->size() == 2;
    }));
    queued.reset();  // what it had not taken yet goes with it (the sanitizer build's leak check sees the rest)
    QCoreApplication::sendPostedEvents();
}

}  // namespace
}  // namespace signseek
