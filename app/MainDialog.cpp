#include "app/MainDialog.h"

#include "app/AboutDlg.h"
#include "app/AdapterDropDown.h"
#include "app/AddressesDlg.h"
#include "app/DeviceCount.h"
#include "app/DeviceImages.h"
#include "app/DialogFrame.h"
#include "app/ListActivation.h"
#include "app/ListExport.h"
#include "app/QtDialogUnits.h"
#include "app/SettingsDlg.h"
#include "app/TargetsForm.h"
#include "app/UserTargets.h"
#include "present/DeviceDetails.h"
#include "present/DisplaySort.h"
#include "present/WebPageAddress.h"
#include "settings/AdapterList.h"
#include "settings/SettingsLocation.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>

namespace signseek {

namespace {

// One of the engine's lines ("tcp port 8000 is held ...") as a sentence for a message box.
QString AsSentence(const std::string& line)
{
    QString text = QString::fromStdString(line);
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    return text;
}

// The width of the drop-down list's frame, allowed for on both sides.
constexpr int kEdge = 2;
constexpr int kMenuButtonSide = 28;
constexpr int kMenuButtonGap = 4;

// Three bars, the common mark of a menu, in the palette's text colour.
QIcon MenuIcon(const QColor& color)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap));
    for (int y : {5, 10, 15}) painter.drawLine(QPointF(3, y), QPointF(17, y));
    painter.end();
    return QIcon(pixmap);
}

void FillDefaults(DialogServices& s)
{
    if (!s.openUrl) s.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    if (!s.messageBox) {
        s.messageBox = [](QWidget* parent, const QString& text) {
            ShowWarning(parent, QString::fromLatin1(kApplicationTitle), text);
        };
    }
    if (!s.popupMenu) s.popupMenu = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
    if (!s.runModal) s.runModal = [](QDialog& dialog) { return dialog.exec(); };
    if (!s.saveFileName)
        s.saveFileName = [](QWidget* parent, const QString& filters, QString* chosenFilter) {
            // The dialog adds the chosen type's ending itself, so it asks
            // before replacing the file that is written in the end.
            QFileDialog dialog(parent, QStringLiteral("Export list"), QString(), filters);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            auto suffixOf = [](const QString& filter) {
                return filter == QLatin1String(kExportJsonFilter) ? QStringLiteral("json") : QStringLiteral("csv");
            };
            dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog, suffixOf](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
            *chosenFilter = dialog.selectedNameFilter();
            return dialog.selectedFiles().first();
        };
}

}  // namespace

CVORIrurizezDlg::CVORIrurizezDlg(DialogServices services, QWidget* parent)
    : QDialog(parent), m_Services(std::move(services)), m_Route(std::make_shared<MessageRoute>(this)), m_Poster(m_Route)
{
    FillDefaults(m_Services);
    m_bInternetExplorerFound = FindInternetExplorer();
    m_bUseInternetExplorer = m_bInternetExplorerFound;
    m_hIcon = ApplicationIcon();
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    m_ProgressTimer.setInterval(kProgressPeriodMs);
    connect(&m_ProgressTimer, &QTimer::timeout, this, &CVORIrurizezDlg::OnTimer);
    m_HoldTimer.setSingleShot(true);
    connect(&m_HoldTimer, &QTimer::timeout, this, &CVORIrurizezDlg::ReleaseHeldRows);
    CreateControls();
    OnInitDialog();
}

CVORIrurizezDlg::~CVORIrurizezDlg()
{
    // Results of searches still running are dropped from now on; those already
    // queued go with this object.
    m_AddressMonitor.reset();
    m_Route->Detach();
    // A search still under way stops within a moment and is waited for.
    m_Running.reset();
}

void CVORIrurizezDlg::CreateControls()
{
    const DialogBaseUnits u = BaseUnitsOf(font());
    auto at = [&u](int x, int y, int cx, int cy) { return ToQRect(DialogRect(x, y, cx, cy, u)); };

    // Created in the dialog's tab order.
    m_IssueList = new QTreeWidget(this);
    m_IssueList->setGeometry(at(7, 7, 342, 39));
    m_SearchGroup = new QGroupBox(this);
    m_SearchGroup->setGeometry(at(7, 57, 342, 39));
    m_SearchProgress = new QProgressBar(this);
    m_SearchProgress->setGeometry(at(14, 69, 327, 17));
    m_SearchProgress->setTextVisible(false);
    m_SearchProgress->hide();
    m_FindButton = new QPushButton(QStringLiteral("Find Displays..."), this);
    m_FindButton->setAutoDefault(false);
    QRect button = at(190, 66, 151, 23);
    button.setSize(button.size().expandedTo(m_FindButton->sizeHint()));
    m_FindButton->setGeometry(button);
    m_DisplayList = new CDisplayList(this);
    m_DisplayList->setGeometry(at(7, 119, 342, 96));
    m_DeviceCount = new QLabel(QString::fromStdString(DeviceCountText(0)), this);
    QRect count = at(7, 219, 342, 8);
    count.setHeight(m_DeviceCount->sizeHint().height());
    m_DeviceCount->setGeometry(count);
    m_AdapterLabel = new QLabel(QStringLiteral("Adapter Name"), this);
    QRect label = at(7, 75, 47, 8);
    label.setSize(label.size().expandedTo(m_AdapterLabel->sizeHint()));
    m_AdapterLabel->setGeometry(label);
    m_AdapterCombo = new QComboBox(this);
    QRect combo = at(60, 73, 179, 30);
    combo.setHeight(m_AdapterCombo->sizeHint().height());  // its closed height
    m_AdapterCombo->setGeometry(combo);
    // Beside the adapter it searches with: the other networks asked directly.
    m_AddressesButton = new QPushButton(QString::fromLatin1(kAddressesButton), this);
    m_AddressesButton->setAutoDefault(false);
    m_AddressesButton->setToolTip(QString::fromLatin1(kAddressesTip));
    QRect addresses = at(0, 66, 50, 23);
    addresses.setWidth(std::max(addresses.width(), m_AddressesButton->sizeHint().width()));
    addresses.setHeight(button.height());
    m_AddressesButton->setGeometry(addresses);

    connect(m_FindButton, &QPushButton::clicked, this, &CVORIrurizezDlg::OnFindDisplays);
    connect(m_AddressesButton, &QPushButton::clicked, this, &CVORIrurizezDlg::OnAddresses);
    connect(&m_DisplayList->Model(), &DeviceListModel::ShownDevicesChanged, m_DeviceCount,
            [this](int shown) { m_DeviceCount->setText(QString::fromStdString(DeviceCountText(shown))); });
    connect(m_DisplayList->DetailsView()->header(), &QHeaderView::sectionClicked, this,
            &CVORIrurizezDlg::OnHeaderItemClick);
    connect(m_DisplayList->IconsHeader(), &QHeaderView::sectionClicked, this, &CVORIrurizezDlg::OnHeaderItemClick);
    m_DisplayList->DetailsView()->viewport()->installEventFilter(this);
    m_DisplayList->IconsView()->viewport()->installEventFilter(this);
    m_DisplayList->DetailsView()->installEventFilter(this);
    m_DisplayList->IconsView()->installEventFilter(this);
    // A click anywhere in the list opens the page of the selection-mark row.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_DisplayList->DetailsView()),
                                    static_cast<QAbstractItemView*>(m_DisplayList->IconsView())})
        new ListActivation(*view, ListActivation::Underline::HotRow, [this](int) { OnDisplayListClick(); },
                           {Qt::Key_Return, Qt::Key_Enter});
    // Shift+F10 is the other keyboard way to a context menu.
    auto* contextKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    connect(contextKey, &QShortcut::activated, this, [this] { ShowViewMenu(QPoint(), true); });

    // The window's commands, Settings, Export and About, sit in a menu button of
    // their own beside the issue list.
    m_MenuButton = new QToolButton(this);
    m_MenuButton->setIcon(MenuIcon(palette().color(QPalette::ButtonText)));
    m_MenuButton->setIconSize(QSize(20, 20));
    m_MenuButton->setToolTip(QStringLiteral("Menu: Settings, Export list and About Signseek"));
    m_MenuButton->setAccessibleName(QStringLiteral("Menu"));
    m_MenuButton->setPopupMode(QToolButton::InstantPopup);
    m_MenuButton->resize(kMenuButtonSide, kMenuButtonSide);
    auto* menu = new QMenu(m_MenuButton);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Settings.."))->setData(IDM_SETTINGS);
    menu->addAction(QStringLiteral("Export list..."))->setData(IDM_EXPORT);
    menu->addSeparator();
    menu->addAction(QStringLiteral("&About Signseek..."))->setData(IDM_ABOUTBOX);
    m_MenuButton->setMenu(menu);
    connect(menu, &QMenu::triggered, this, [this](QAction* action) { OnSysCommand(action->data().toInt()); });

    resize(at(0, 0, 356, 234).size());
    setMinimumSize(kMinimumDialogWidth, kMinimumDialogHeight);
}

void CVORIrurizezDlg::OnInitDialog()
{
    if (m_Services.addressChanges)
        m_AddressMonitor = std::make_unique<AddressChangeMonitor>(m_Poster, m_Services.addressChanges());
    setWindowIcon(m_hIcon);
    SetupDisplayList();
    SetupIssueList();
    FillAdapterList();
    setUpdatesEnabled(false);
    LayoutControls(width(), height());
    m_bSortAscending = false;
    setUpdatesEnabled(true);
    update();
    const std::vector<std::string> ignored =
        m_Services.settingsFolder.empty() ? m_Settings.Load() : m_Settings.Load(m_Services.settingsFolder);
    PublishSettings(m_Settings.m_values);
    // Values a search could not use were left out; the user learns which, one line each.
    if (!ignored.empty()) {
        QString text = QStringLiteral("Some saved settings were not used:");
        for (const std::string& note : ignored) text += QLatin1Char('\n') + AsSentence(note);
        m_Services.messageBox(this, text);
    }
    StoredTargets targets = LoadUserTargets(TargetsFolder());
    m_strTargets = std::move(targets.text);
    if (!targets.problem.empty())
        m_Services.messageBox(this, QString::fromLatin1(kTargetsNotRead).arg(QString::fromStdString(targets.problem)));
}

std::string CVORIrurizezDlg::TargetsFolder() const
{
    return m_Services.targetsFolder.empty() ? UserSettingsFolder() : m_Services.targetsFolder;
}

void CVORIrurizezDlg::SetupDisplayList() { m_DisplayList->SetupColumns(m_DisplayList->width()); }

void CVORIrurizezDlg::SetupIssueList()
{
    m_Issues = std::make_unique<CIssueList>(
        *m_IssueList, m_Services.checks, [this](const QString& text) { m_Services.messageBox(this, text); },
        m_Services.openUrl);
    m_Issues->SetupIssueList();
    m_Issues->FillIssueList();
}

bool CVORIrurizezDlg::event(QEvent* e)
{
    if (e->type() == WM_DISCOVERY_RESULT) {
        OnDiscoveryResult(static_cast<DiscoveryResultEvent&>(*e));
        return true;
    }
    if (e->type() == WM_DEVICE_RECORDS) {
        OnDeviceRecords(static_cast<DeviceRecordsEvent&>(*e));
        return true;
    }
    if (e->type() == WM_TARGETS_CHECKED) {
        OnTargetsChecked(std::move(static_cast<TargetsCheckedEvent&>(*e).m_targets));
        return true;
    }
    if (e->type() == WM_ADDRESS_CHANGED_EVENT) {
        OnAddressChanged();
        return true;
    }
    return QDialog::event(e);
}

void CVORIrurizezDlg::OnFindDisplays()
{
    if (m_Search.Searching() || m_bLookingUp) return;
    // A name server that does not answer holds a look-up for its whole
    // time-out, so host names are looked up on a thread of their own, not in
    // the window. That thread is left to end by itself: its result goes
    // nowhere once the window has gone.
    if (NamesAHost(m_strTargets)) {
        auto lookUp = [route = m_Route, text = m_strTargets, resolve = m_Services.resolveHost] {
            CheckedTargets checked;
            try {
                checked = CheckTargets(text, resolve);
            } catch (const std::exception&) {
                checked.problems = {"the host names could not be looked up"};
                checked.badLines = {0};
            }
            route->Post(std::make_unique<TargetsCheckedEvent>(std::move(checked)));
        };
        try {
            std::thread(std::move(lookUp)).detach();
            m_bLookingUp = true;
            m_FindButton->setEnabled(false);
            return;
        } catch (const std::system_error&) {
            // No thread to be had: looked up here after all.
        }
    }
    // The user's targets as they stand now; a line that is no target is said and left out.
    StartSearch(CheckTargets(m_strTargets, m_Services.resolveHost));
}

void CVORIrurizezDlg::OnTargetsChecked(CheckedTargets targets)
{
    if (!m_bLookingUp) return;
    m_bLookingUp = false;
    m_FindButton->setEnabled(true);
    StartSearch(std::move(targets));
}

void CVORIrurizezDlg::StartSearch(CheckedTargets targets)
{
    // Read here, on the window's thread; the runs look the address up.
    std::string adapter = m_AdapterCombo->currentText().toLocal8Bit().toStdString();
    if (AllAdaptersChosen() && !targets.addresses.empty()) {
        // Each adapter's answers are told apart by the address they come to,
        // which a target's route does not follow.
        m_Services.messageBox(this, QString::fromLatin1(kTargetsNotOnAllAdapters));
        targets = {};
    } else if (!targets.problems.empty()) {
        QString text = QString::fromLatin1(kTargetsLeftOut);
        for (const std::string& problem : targets.problems)
            text += QLatin1Char('\n') + QString::fromStdString(ProblemSentence(problem));
        m_Services.messageBox(this, text);
    }
    // A reply port held by another search is said now, before the countdown;
    // with targets the listener takes answers on every local address.
    const ReplyPortChoice reply = m_Services.chooseReplyPort(AllAdaptersChosen() || !targets.addresses.empty()
                                                                 ? std::string("0.0.0.0")
                                                                 : GetAdapterAddress(adapter, *m_Services.adapters));
    if (!reply.failure.empty()) {
        m_Services.messageBox(this, AsSentence(reply.failure));
        return;
    }
    if (!reply.note.empty()) m_Services.messageBox(this, AsSentence(reply.note));
    m_Search.Start(g_nDiscoveryTimeout.load(), SweepTicks(targets.addresses.size(), kDefaultProbeRate));
    // The search controls hide; the keyboard goes on to the list the devices
    // come to, and its first row takes it as soon as there is one.
    QWidget* focus = focusWidget();
    const bool searchControlsHadFocus = focus == m_FindButton || focus == m_AdapterCombo || focus == m_AddressesButton;
    m_FindButton->setEnabled(false);
    m_AdapterCombo->hide();
    m_AdapterLabel->hide();
    m_AddressesButton->hide();
    m_FindButton->hide();
    m_SearchProgress->show();
    if (searchControlsHadFocus) m_DisplayList->CurrentItemView()->setFocus(Qt::OtherFocusReason);
    WindowSearchRuns runs;
    runs.adapterDescription = adapter;
    runs.replyPort = reply.port;
    runs.targets = std::move(targets.addresses);
    runs.values = PublishedSettings();
    runs.devices = m_Services.discoverDevices;
    runs.bridges = m_Services.discoverBridges;
    if (AllAdaptersChosen()) {
        runs.devices = OnAllAdapters(RunKind::Devices, m_Services.adapters, m_Services.discoverOnAdapters);
        runs.bridges = OnAllAdapters(RunKind::Bridges, m_Services.adapters, m_Services.discoverOnAdapters);
    }
    const std::uint64_t search = ++m_nSearch;
    m_Reported.clear();
    m_Arrival.clear();
    m_Gate.Clear();
    m_HoldTimer.stop();
    // Each record reported wakes the window once, however many follow
    // before it takes them.
    m_Live = std::make_shared<RecordMailbox>([route = std::weak_ptr<MessageRoute>(m_Route), search] {
        if (auto shared = route.lock()) shared->Post(std::make_unique<DeviceRecordsEvent>(search));
    });
    // The last search has told its end; its threads are gone or going.
    m_Running.reset();
    m_Running = std::make_unique<WindowSearch>(std::move(runs), m_Route, m_Services.adapters, m_Live);
    m_ProgressTimer.start();
    // Results are handled on this thread, so none of this search is lost here.
    m_DisplayList->DeleteAllItems();
}

void CVORIrurizezDlg::OnDeviceRecords(const DeviceRecordsEvent& records)
{
    if (records.m_search == m_nSearch) TakeLiveRecords();
}

void CVORIrurizezDlg::TakeLiveRecords()
{
    if (!m_Live) return;
    const auto now = LiveRowGate::Clock::now();
    for (RecordMailbox::Entry& entry : m_Live->Take()) {
        DeviceKey key = LiveKey(std::move(entry.run), entry.record);
        LiveRowGate::Key gateKey{std::move(key.run), std::move(key.address)};
        if (m_Gate.Pass(gateKey, entry.record, now)) PutLive(gateKey, entry.record);
    }
    ScheduleHeldRows();
}

void CVORIrurizezDlg::PutLive(const LiveRowGate::Key& key, const DeviceRecord& record)
{
    m_Reported.insert(key);
    m_DisplayList->Model().Put(DeviceKey{key.first, key.second}, record);
}

void CVORIrurizezDlg::ReleaseHeldRows()
{
    if (!m_Live) return;
    for (LiveRowGate::Release& held : m_Gate.Due(LiveRowGate::Clock::now())) PutLive(held.key, held.record);
    ScheduleHeldRows();
}

void CVORIrurizezDlg::ScheduleHeldRows()
{
    std::optional<LiveRowGate::Clock::time_point> next = m_Gate.NextDue();
    if (!next) {
        m_HoldTimer.stop();
        return;
    }
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - LiveRowGate::Clock::now());
    m_HoldTimer.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count())));
}

// A streamed device: its run, and its address on the adapter that found it,
// since a search on every adapter lists a device once per adapter.
DeviceKey CVORIrurizezDlg::LiveKey(std::string run, const DeviceRecord& record)
{
    return DeviceKey{std::move(run), record.adapter + ' ' + record.address};
}

void CVORIrurizezDlg::SettleRun(const std::string& run, const std::vector<DeviceRecord>& records)
{
    // What the run reported reached the mailbox before its result was posted.
    TakeLiveRecords();
    // Its final records take over from anything still held.
    m_Gate.ForgetRun(run);
    ScheduleHeldRows();
    DeviceListModel& model = m_DisplayList->Model();
    std::set<std::string> kept;
    for (const DeviceRecord& record : records) {
        DeviceKey key = LiveKey(run, record);
        // A run keeps one record per address on each adapter; should one
        // come twice, it shows twice, as its array says.
        if (!kept.insert(key.address).second) {
            model.Add(record);
            continue;
        }
        model.Put(key, record);
        m_Arrival.push_back(std::move(key));
    }
    // Nothing the run reported stays unless its result holds it (a run that
    // failed shows nothing).
    for (auto it = m_Reported.lower_bound({run, std::string()}); it != m_Reported.end() && it->first == run;) {
        if (kept.count(it->second) == 0) model.Remove({it->first, it->second});
        it = m_Reported.erase(it);
    }
}

void CVORIrurizezDlg::OnDiscoveryResult(DiscoveryResultEvent& result)
{
    m_ProgressTimer.stop();
    const std::vector<DeviceRecord>& records = result.m_result.records;
    if (m_Live && !result.m_run.empty())
        SettleRun(result.m_run, records);
    else
        FillDisplayList(records.data(), static_cast<unsigned>(records.size()));
    if (!m_Search.Result(result.m_result.failure)) return;
    if (m_Live) {
        // The rows stand as the two results, taken one after the other, would put them.
        m_DisplayList->Model().Arrange(m_Arrival);
        m_Live.reset();
        m_Reported.clear();
        m_Arrival.clear();
        m_Gate.Clear();
        m_HoldTimer.stop();
    }
    EndSearch();
    // An empty list would read as "no devices": say why the search could not run.
    if (!m_Search.Failures().empty())
        m_Services.messageBox(this, QString::fromStdString(m_Search.Failures()).trimmed());
}

void CVORIrurizezDlg::EndSearch()
{
    m_SearchProgress->setValue(0);
    m_SearchProgress->hide();
    m_FindButton->setEnabled(true);
    m_FindButton->show();
    m_AdapterCombo->show();
    m_AdapterLabel->show();
    m_AddressesButton->show();
    // Nothing found: the keyboard goes back to the button, for another try.
    if (m_DisplayList->RowCount() == 0 && m_DisplayList->CurrentItemView()->hasFocus())
        m_FindButton->setFocus(Qt::OtherFocusReason);
}

void CVORIrurizezDlg::OnTimer()
{
    SearchCycle::Progress p = m_Search.Tick(g_nDiscoveryTimeout.load());
    m_SearchProgress->setRange(0, p.rangeMax);
    m_SearchProgress->setValue(ShownPosition(p));
    if (p.stopTimer) m_ProgressTimer.stop();
}

void CVORIrurizezDlg::OnAddressChanged() { FillAdapterList(); }

void CVORIrurizezDlg::FillAdapterList()
{
    m_AdapterCombo->clear();
    for (const std::string& description : GetAdapterDescriptions(*m_Services.adapters))
        m_AdapterCombo->addItem(QString::fromLocal8Bit(description.data(), static_cast<qsizetype>(description.size())));
    // Last, so the first adapter stays the one a search starts on.
    m_bAllAdaptersEntry = m_AdapterCombo->count() > 0;
    if (m_bAllAdaptersEntry) m_AdapterCombo->addItem(QString::fromLatin1(kAllAdaptersEntry));
    m_AdapterCombo->setCurrentIndex(0);
    SizeAdapterDropDown();
}

bool CVORIrurizezDlg::AllAdaptersChosen() const
{
    return m_bAllAdaptersEntry && m_AdapterCombo->currentIndex() == m_AdapterCombo->count() - 1;
}

void CVORIrurizezDlg::SizeAdapterDropDown()
{
    QFontMetrics metrics(m_AdapterCombo->font());
    std::vector<int> widths;
    for (int i = 0; i < m_AdapterCombo->count(); ++i)
        widths.push_back(metrics.horizontalAdvance(m_AdapterCombo->itemText(i)));
    int scrollBar = m_AdapterCombo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_AdapterCombo);
    int itemHeight = m_AdapterCombo->count() > 0 ? m_AdapterCombo->view()->sizeHintForRow(0) : metrics.height();
    AdapterDropDownWidths w =
        SizeAdapterDropDownWidths(widths, scrollBar, kEdge, itemHeight, itemHeight * m_AdapterCombo->maxVisibleItems());
    m_nAdapterListWidth = w.m_nAdapterListWidth;
    m_AdapterCombo->view()->setMinimumWidth(w.dropDown);
}

void CVORIrurizezDlg::FillDisplayList(const DeviceRecord* records, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) m_DisplayList->AddRecord(records[i]);
}

void CVORIrurizezDlg::contextMenuEvent(QContextMenuEvent* e)
{
    ShowViewMenu(e->globalPos(), e->reason() == QContextMenuEvent::Keyboard);
    e->accept();
}

void CVORIrurizezDlg::ShowViewMenu(QPoint at, bool fromKeyboard)
{
    if (fromKeyboard) at = m_DisplayList->CurrentItemView()->viewport()->mapToGlobal(QPoint(5, 5));
    QMenu menu(QStringLiteral("View"), this);
    const std::pair<const char*, int> items[] = {{"List", ID_VIEW_LIST},
                                                 {"Details", ID_VIEW_REPORT},
                                                 {"Icon", ID_VIEW_ICON},
                                                 {"Small Icon", ID_VIEW_SMALL_ICON},
                                                 {"Tile", ID_VIEW_TILE}};
    for (const auto& [text, id] : items) menu.addAction(QString::fromLatin1(text))->setData(id);
    if (QAction* chosen = m_Services.popupMenu(menu, at)) OnViewCommand(chosen->data().toInt());
}

void CVORIrurizezDlg::OnViewCommand(int id)
{
    switch (id) {
    case ID_VIEW_LIST: m_DisplayList->SetView(CDisplayList::View::List); break;
    case ID_VIEW_REPORT: m_DisplayList->SetView(CDisplayList::View::Details); break;
    case ID_VIEW_ICON: m_DisplayList->SetView(CDisplayList::View::Icon); break;
    case ID_VIEW_SMALL_ICON: m_DisplayList->SetView(CDisplayList::View::SmallIcon); break;
    case ID_VIEW_TILE: m_DisplayList->SetView(CDisplayList::View::Tile); break;
    default: break;
    }
}

void CVORIrurizezDlg::OnHeaderItemClick(int column)
{
    SortState state{m_nSortColumn, m_bSortAscending};
    bool ascending = state.Click(column);
    m_nSortColumn = state.column;
    m_bSortAscending = state.ascending;
    m_DisplayList->SortRows(column, ascending);
}

QString CVORIrurizezDlg::OnDisplayListInfoTip(int row) const
{
    const DeviceRecord* record = m_DisplayList->RecordAt(row);
    return record ? QString::fromStdWString(BuildDeviceDetails(*record)) : QString();
}

void CVORIrurizezDlg::OnDisplayListClick()
{
    int mark = m_DisplayList->SelectionMark();
    if (mark != -1) OpenDeviceWebPage(mark);
}

void CVORIrurizezDlg::OpenDeviceWebPage(int row)
{
    const DeviceRecord* record = m_DisplayList->RecordAt(row);
    if (!record) return;
    // Device text is untrusted: only a plain http address of a host and port
    // goes to the browser.
    std::optional<std::string> address = BuildWebPageAddress(*record);
    QUrl url;
    if (address)
        url = QUrl(QString::fromLatin1(address->data(), static_cast<qsizetype>(address->size())), QUrl::StrictMode);
    if (!url.isValid()) {
        m_Services.messageBox(this, QString::fromLatin1(kNoDevicePage));
        return;
    }
    if (!m_Services.openUrl(url)) m_Services.messageBox(this, QString::fromLatin1(kNoBrowser).arg(url.toString()));
}

void CVORIrurizezDlg::CopyDeviceDetails()
{
    int row = m_DisplayList->SelectedRow();
    if (row == -1) return;
    QGuiApplication::clipboard()->setText(OnDisplayListInfoTip(row));
}

bool CVORIrurizezDlg::eventFilter(QObject* watched, QEvent* e)
{
    QAbstractItemView* view = nullptr;
    if (watched == m_DisplayList->DetailsView()->viewport()) view = m_DisplayList->DetailsView();
    if (watched == m_DisplayList->IconsView()->viewport()) view = m_DisplayList->IconsView();
    if (watched == m_DisplayList->DetailsView() || watched == m_DisplayList->IconsView()) {
        // The list's own copy would take the name only.
        if (e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress) {
            if (static_cast<QKeyEvent*>(e)->matches(QKeySequence::Copy)) {
                if (e->type() == QEvent::KeyPress) CopyDeviceDetails();
                e->accept();
                return true;
            }
        }
        return QDialog::eventFilter(watched, e);
    }
    if (view == nullptr) return QDialog::eventFilter(watched, e);

    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        QModelIndex index = view->indexAt(help->pos());
        if (!index.isValid()) {
            QToolTip::hideText();
            return true;
        }
        // Monospaced, so the label and value columns line up.
        QString text = OnDisplayListInfoTip(index.row()).toHtmlEscaped();
        QToolTip::showText(help->globalPos(), QStringLiteral("<pre>%1</pre>").arg(text), view->viewport());
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void CVORIrurizezDlg::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    setUpdatesEnabled(false);
    LayoutControls(width(), height());
    setUpdatesEnabled(true);
    update();
}

void CVORIrurizezDlg::LayoutControls(int cx, int cy)
{
    if (m_MenuButton == nullptr) return;  // controls not made yet
    DialogControls current{FromQRect(m_SearchGroup->geometry()),    FromQRect(m_FindButton->geometry()),
                           FromQRect(m_AdapterLabel->geometry()),   FromQRect(m_AdapterCombo->geometry()),
                           FromQRect(m_SearchProgress->geometry()), FromQRect(m_IssueList->geometry()),
                           FromQRect(m_DisplayList->geometry()),    FromQRect(m_DeviceCount->geometry()),
                           FromQRect(m_AddressesButton->geometry())};
    DialogControls next = signseek::LayoutControls(cx, cy, current, m_nAdapterListWidth);
    m_SearchGroup->setGeometry(ToQRect(*next.group));
    m_FindButton->setGeometry(ToQRect(*next.button));
    m_AddressesButton->setGeometry(ToQRect(*next.addresses));
    m_AdapterLabel->setGeometry(ToQRect(*next.label));
    // The height given is that of the dropped-down list; the closed box keeps its own.
    QRect combo = ToQRect(*next.combo);
    combo.setHeight(m_AdapterCombo->height());
    m_AdapterCombo->setGeometry(combo);
    m_SearchProgress->setGeometry(ToQRect(*next.progress));
    // The menu button takes the issue list's top right corner for itself.
    m_IssueList->setGeometry(ToQRect(*next.issueList).adjusted(0, 0, -(kMenuButtonSide + kMenuButtonGap), 0));
    m_DisplayList->setGeometry(ToQRect(*next.displayList));
    m_DeviceCount->setGeometry(ToQRect(*next.deviceCount));
    PlaceMenuButton();
}

void CVORIrurizezDlg::PlaceMenuButton() { m_MenuButton->move(width() - 8 - m_MenuButton->width(), 8); }

void CVORIrurizezDlg::OnSysCommand(int id)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.m_strVersion = AboutVersionText();
        m_Services.runModal(about);
    } else if (id == IDM_SETTINGS) {
        CSettingsDlg settings(this, m_Services.messageBox);
        settings.m_values = PublishedSettings();
        settings.m_bUseInternetExplorer = m_bUseInternetExplorer;
        settings.m_bInternetExplorerFound = m_bInternetExplorerFound;
        if (m_Services.runModal(settings) != QDialog::Accepted) return;
        m_bUseInternetExplorer = settings.m_bUseInternetExplorer;
        m_Settings.m_values = settings.m_values;
        PublishSettings(m_Settings.m_values);
        bool saved = m_Services.settingsFolder.empty() ? m_Settings.Save() : m_Settings.Save(m_Services.settingsFolder);
        if (!saved) m_Services.messageBox(this, QString::fromLatin1(kSettingsNotSaved));
    } else if (id == IDM_EXPORT) {
        ExportList();
    }
}

void CVORIrurizezDlg::OnAddresses()
{
    CAddressesDlg addresses(this, m_Services.messageBox);
    addresses.m_strTargets = m_strTargets;
    if (m_Services.runModal(addresses) != QDialog::Accepted) return;
    m_strTargets = addresses.m_strTargets;
    const std::string failure = SaveUserTargets(TargetsFolder(), m_strTargets);
    if (!failure.empty())
        m_Services.messageBox(this, QString::fromLatin1(kTargetsNotSaved).arg(QString::fromStdString(failure)));
}

void CVORIrurizezDlg::ExportList()
{
    QString filter;
    const QString path = m_Services.saveFileName(this, QString::fromLatin1(kExportFilters), &filter);
    if (path.isEmpty()) return;
    const std::string file = ExportPathFor(path.toLocal8Bit().toStdString(), filter.toStdString());
    const ExportFormat format = ExportFormatFor(file, filter.toStdString());
    std::string why;
    if (!WriteExportFile(file, ExportText(format, m_DisplayList->Model().ListedDevices()), why))
        m_Services.messageBox(this,
                              QString::fromLatin1(kExportNotSaved)
                                  .arg(QString::fromLocal8Bit(file.c_str()), QString::fromLocal8Bit(why.c_str())));
}

}  // namespace signseek
