#pragma once
// The main dialog: issue list, search controls and device list; the search
// cycle with its two threads, the View menu, device details and web pages.

#include "app/AllAdapters.h"
#include "app/DialogMessages.h"
#include "app/DisplayList.h"
#include "app/IssueList.h"
#include "app/LayoutControls.h"
#include "app/LiveRowGate.h"
#include "app/RecordMailbox.h"
#include "app/SearchCycle.h"
#include "app/SearchThreads.h"
#include "discovery/ReplyPort.h"
#include "discovery/TargetList.h"
#include "settings/AdapterSource.h"
#include "settings/AddressChangeMonitor.h"
#include "settings/DiscoverySettings.h"

#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace signseek {

// Commands of the dialog's menu button.
inline constexpr int IDM_ABOUTBOX = 0x0010;
inline constexpr int IDM_SETTINGS = 0x0100;
inline constexpr int IDM_EXPORT = 0x0200;

inline constexpr int IDT_SEARCH_PROGRESS = 101;

inline constexpr char kApplicationTitle[] = "Marvane Signseek";

// What the window says when an action fails, in a message box with the
// application's title.
inline constexpr char kNoDevicePage[] = "This device offers no web page that can be opened.";
inline constexpr char kNoBrowser[] = "No web browser could be started to open %1.";
inline constexpr char kExportNotSaved[] = "The list could not be saved to %1: %2.";
inline constexpr char kSettingsNotSaved[] = "The settings could not be saved. They apply until Signseek is closed.";

// Everything the dialog takes from the platform, so tests can stand in.
struct DialogServices {
    std::shared_ptr<const AdapterSource> adapters = CreateAdapterSource();
    std::string settingsFolder;                // data folder of the settings file; empty: the machine's own
    std::string targetsFolder;                 // folder of the user's targets file; empty: the user's own
    HostResolver resolveHost = ResolveHost;    // the host names among the targets
    std::function<bool(const QUrl&)> openUrl;  // default: the desktop's browser; false: none started
    std::function<void(QWidget* parent, const QString& text)> messageBox;  // default: a warning box
    DiscoveryRunFunction discoverDevices = EngineRun(RunKind::Devices);
    DiscoveryRunFunction discoverBridges = EngineRun(RunKind::Bridges);
    AdaptersRunFunction discoverOnAdapters = RunDiscoveryOnAdapters;  // "All adapters"
    std::function<std::unique_ptr<AddressChangeSource>()> addressChanges = CreateAddressChangeSource;
    std::function<QAction*(QMenu& menu, const QPoint& screenPoint)> popupMenu;  // default: QMenu::exec
    std::function<int(QDialog& dialog)> runModal;                               // default: QDialog::exec
    // The file "Export list..." writes to, and the filter chosen; an empty
    // name: cancelled. Default: QFileDialog::getSaveFileName.
    std::function<QString(QWidget* parent, const QString& filters, QString* chosenFilter)> saveFileName;
    IssueCheckPlatform checks;  // default: this machine
    // The reply port for a search from the listener's address: 8000, or a
    // free port while another search holds it. Default: this machine's.
    std::function<ReplyPortChoice(const std::string& address)> chooseReplyPort = [](const std::string& address) {
        return ChooseReplyPort(std::nullopt, address);
    };
};

class CVORIrurizezDlg : public QDialog {
    Q_OBJECT
public:
    explicit CVORIrurizezDlg(DialogServices services = {}, QWidget* parent = nullptr);
    ~CVORIrurizezDlg() override;

    // Handlers, public so the window system's stand-ins in tests can drive them.
    void OnFindDisplays();
    // The targets' host names have been looked up: the search starts.
    void OnTargetsChecked(CheckedTargets targets);
    // Between "Find Displays..." and the search while host names are looked up.
    bool LookingUpTargets() const { return m_bLookingUp; }
    void OnDiscoveryResult(DiscoveryResultEvent& result);
    void OnDeviceRecords(const DeviceRecordsEvent& records);
    void OnAddressChanged();
    void OnTimer();
    void OnSysCommand(int id);
    void OnViewCommand(int id);
    void OnHeaderItemClick(int column);
    void OnDisplayListClick();
    // "Addresses...": the user's own targets, edited and saved.
    void OnAddresses();
    // Ctrl+C in the device list: the selected device's details to the clipboard.
    void CopyDeviceDetails();
    QString OnDisplayListInfoTip(int row) const;
    void OpenDeviceWebPage(int row);
    void LayoutControls(int cx, int cy);
    void FillAdapterList();
    void SizeAdapterDropDown();
    // "Export list...": the listed devices to a CSV or JSON file.
    void ExportList();
    // The combo's last entry, "All adapters", is the current one.
    bool AllAdaptersChosen() const;
    void FillDisplayList(const DeviceRecord* records, unsigned count);

    static bool FindInternetExplorer() { return false; }

    std::shared_ptr<MessageRoute> Route() const { return m_Route; }
    bool ProgressTimerActive() const { return m_ProgressTimer.isActive(); }

    SearchCycle m_Search;  // m_nTicksLeft and m_nResultsReceived
    CDiscoverySettings m_Settings;
    int m_nSortColumn = -1;
    bool m_bSortAscending = false;
    bool m_bInternetExplorerFound = false;
    bool m_bUseInternetExplorer = false;
    int m_nAdapterListWidth = 0;
    bool m_bAllAdaptersEntry = false;  // the combo ends in "All adapters"
    std::string m_strTargets;          // the user's targets file as written, asked beside the adapter
    bool m_bLookingUp = false;         // see LookingUpTargets
    QIcon m_hIcon;

    CDisplayList* m_DisplayList = nullptr;
    QProgressBar* m_SearchProgress = nullptr;
    QPushButton* m_FindButton = nullptr;
    QPushButton* m_AddressesButton = nullptr;
    QTreeWidget* m_IssueList = nullptr;
    CIssueList& Issues() { return *m_Issues; }
    QComboBox* m_AdapterCombo = nullptr;
    QLabel* m_AdapterLabel = nullptr;
    QLabel* m_DeviceCount = nullptr;
    QGroupBox* m_SearchGroup = nullptr;
    QToolButton* m_MenuButton = nullptr;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void CreateControls();
    void OnInitDialog();
    void SetupDisplayList();
    void SetupIssueList();
    void EndSearch();
    // The search itself, once the targets are known.
    void StartSearch(CheckedTargets targets);
    std::string TargetsFolder() const;
    // Shows the records the runs reported since the last take, as far as
    // the gate lets them through.
    void TakeLiveRecords();
    void PutLive(const LiveRowGate::Key& key, const DeviceRecord& record);
    // The rows whose hold has ended, and the timer set for the next one.
    void ReleaseHeldRows();
    void ScheduleHeldRows();
    // A run's final records in place of what it reported while it ran.
    static DeviceKey LiveKey(std::string run, const DeviceRecord& record);
    void SettleRun(const std::string& run, const std::vector<DeviceRecord>& records);
    void PlaceMenuButton();
    // The View menu at a screen point, or from the keyboard at the device
    // list's corner.
    void ShowViewMenu(QPoint at, bool fromKeyboard);

    DialogServices m_Services;
    std::shared_ptr<MessageRoute> m_Route;
    RoutePoster m_Poster;
    std::unique_ptr<AddressChangeMonitor> m_AddressMonitor;
    std::unique_ptr<CIssueList> m_Issues;
    QTimer m_ProgressTimer;
    // The search under way: its number, the mailbox its runs report to,
    // the devices shown from their reports as (run, address), and the final
    // records' keys in the order the window would have taken them.
    std::uint64_t m_nSearch = 0;
    std::shared_ptr<RecordMailbox> m_Live;
    LiveRowGate m_Gate;
    QTimer m_HoldTimer;
    std::unique_ptr<WindowSearch> m_Running;
    std::set<std::pair<std::string, std::string>> m_Reported;
    std::vector<DeviceKey> m_Arrival;
};

}  // namespace signseek
