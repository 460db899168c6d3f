// The main dialog's window-free logic: dialog units, layout, search cycle,
// drop-down sizing, the device count, the live records' mailbox, when a
// reported device's row shows, and the user's targets with their file.

#include "app/AdapterDropDown.h"
#include "app/DeviceCount.h"
#include "app/DialogUnits.h"
#include "app/LayoutControls.h"
#include "app/LiveRowGate.h"
#include "app/RecordMailbox.h"
#include "app/SearchCycle.h"
#include "app/StartupCheck.h"
#include "app/TargetsForm.h"
#include "app/UserTargets.h"
#include "common/VendorConstants.h"
#include "common/Version.h"
#include "tests/common/TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <future>
#include <limits>
#include <map>
#include <memory>
#include <thread>

namespace signseek {
namespace {

TEST(DialogUnits, ConvertWithTheFontsAverageCharacterAndRoundHalfAway)
{
    EXPECT_EQ(7, AverageCharWidth(364));  // 364 / 26 = 14 half-widths
    EXPECT_EQ(7, AverageCharWidth(350));  // 13 rounds up to 7
    EXPECT_EQ(6, AverageCharWidth(337));  // 12 half-widths
    EXPECT_EQ(12, MulDiv(7, 7, 4));
    EXPECT_EQ(599, MulDiv(342, 7, 4));  // 598.5
    EXPECT_EQ(-5, MulDiv(-3, 3, 2));
    EXPECT_EQ(0, MulDiv(5, 5, 0));

    DialogBaseUnits units{7, 16};
    // Each edge on its own: the right edge is 349 units, not 7 + 342.
    EXPECT_EQ((Rect{12, 14, 611, 92}), DialogRect(7, 7, 342, 39, units));
    EXPECT_EQ(623, DluToPixelsX(356, units));
    EXPECT_EQ(468, DluToPixelsY(234, units));
}

// A dialog with a 63-pixel group box, as in the worked example.
DialogControls Controls()
{
    DialogControls c;
    c.group = Rect::FromSize(11, 93, 547, 63);
    c.button = Rect::FromSize(300, 100, 226, 37);
    c.label = Rect::FromSize(11, 120, 75, 13);
    c.combo = Rect{96, 117, 383, 141};
    c.progress = Rect::FromSize(20, 100, 500, 27);
    c.issueList = Rect::FromSize(11, 11, 547, 60);
    c.displayList = Rect::FromSize(11, 190, 547, 170);
    return c;
}

TEST(LayoutControls, PlacesEveryControlAroundTheGroupBox)
{
    DialogControls next = LayoutControls(640, 500, Controls(), 250);
    // 0.3 x 500 - 31 = 119, limited to 112.
    EXPECT_EQ((Rect{8, 112, 632, 175}), *next.group);
    // Middle (112 + 175) / 2 = 143.
    EXPECT_EQ((Rect{391, 125, 617, 162}), *next.button);
    EXPECT_EQ((Rect{15, 137, 90, 150}), *next.label);
    EXPECT_EQ((Rect{16, 130, 624, 157}), *next.progress);
    EXPECT_EQ((Rect{8, 8, 632, 104}), *next.issueList);  // 96 high
    EXPECT_EQ((Rect{8, 183, 632, 492}), *next.displayList);
    // Within 15 of the button: shrinks to exactly 15; keeps its bottom.
    EXPECT_EQ((Rect{96, 131, 376, 141}), *next.combo);

    // "Addresses..." 6 left of the button, centred on the same middle; the
    // combo then keeps its 15 from it.
    DialogControls withAddresses = Controls();
    withAddresses.addresses = Rect::FromSize(20, 60, 90, 25);
    next = LayoutControls(640, 500, withAddresses, 250);
    EXPECT_EQ((Rect{295, 131, 385, 156}), *next.addresses);
    EXPECT_EQ((Rect{391, 125, 617, 162}), *next.button);
    EXPECT_EQ(280, next.combo->right);
}

TEST(LayoutControls, TheDeviceCountLineTakesTheBottomBelowTheList)
{
    DialogControls c = Controls();
    c.deviceCount = Rect::FromSize(11, 370, 100, 17);
    DialogControls next = LayoutControls(640, 500, c, 250);
    EXPECT_EQ((Rect{8, 475, 632, 492}), *next.deviceCount);
    EXPECT_EQ((Rect{8, 183, 632, 471}), *next.displayList);
    c.displayList.reset();
    EXPECT_FALSE(LayoutControls(640, 500, c, 250).displayList);
}

TEST(DeviceCount, SaysHowManyDevicesTheListShows)
{
    EXPECT_EQ("0 devices", DeviceCountText(0));
    EXPECT_EQ("1 device", DeviceCountText(1));
    EXPECT_EQ("2 devices", DeviceCountText(2));
    EXPECT_EQ("10000 devices", DeviceCountText(10000));
}

TEST(LayoutControls, GroupTopFollowsTheHeightInFloatingPoint)
{
    EXPECT_EQ(89, LayoutControls(640, 400, Controls(), 0).group->top);
    EXPECT_EQ(73, LayoutControls(640, 400, Controls(), 0).issueList->Height());
    // 15.3 - 31 truncates to -15, where integer arithmetic would give -16.
    EXPECT_EQ(-15, LayoutControls(640, 51, Controls(), 0).group->top);
}

TEST(LayoutControls, ComboGrowsTowardsTheButtonOnlyUpToItsPreferredWidth)
{
    DialogControls c = Controls();
    c.combo = Rect{96, 131, 376, 155};
    // Button left at 660 - 8 - 15 - 226 = 411: the gap of 35 closes to 20.
    EXPECT_EQ(391, LayoutControls(660, 500, c, 300).combo->right);
    // At 700 the width would be 335, more than preferred: unchanged.
    EXPECT_EQ(376, LayoutControls(700, 500, c, 300).combo->right);
    EXPECT_EQ(431, LayoutControls(700, 500, c, 400).combo->right);
    // A gap of 15 to 20 stays as it is.
    c.combo->right = 411 - 17;
    EXPECT_EQ(394, LayoutControls(660, 500, c, 1000).combo->right);
    // Top follows the group middle; height runs to the old bottom.
    EXPECT_EQ(131, LayoutControls(660, 500, c, 1000).combo->top);
}

TEST(LayoutControls, MissingControlsStayMissingAndDoNotMoveOthers)
{
    DialogControls none;
    EXPECT_EQ(none, LayoutControls(800, 600, none, 100));

    DialogControls c = Controls();
    c.group.reset();
    c.button.reset();
    DialogControls next = LayoutControls(640, 480, c, 100);
    EXPECT_FALSE(next.group);
    EXPECT_FALSE(next.button);
    // Without a button the computed right edge is not positive: kept.
    EXPECT_EQ(c.combo->right, next.combo->right);
    EXPECT_EQ((Rect{8, 8, 632, -8}), *next.issueList);
}

TEST(SearchCycle, CountsDownWithAOneSecondLeadAndEndsAtTheSecondResult)
{
    SearchCycle s;
    s.Start(8);
    EXPECT_EQ(90, s.m_nTicksLeft);
    EXPECT_TRUE(s.Searching());
    SearchCycle::Progress p = s.Tick(8);
    EXPECT_EQ(80, p.rangeMax);
    EXPECT_EQ(-9, p.position);
    EXPECT_EQ(0, ShownPosition(p));
    EXPECT_FALSE(p.stopTimer);
    for (int i = 0; i < 88; ++i) p = s.Tick(8);
    EXPECT_EQ(79, p.position);
    EXPECT_FALSE(p.stopTimer);
    p = s.Tick(8);
    EXPECT_EQ(80, ShownPosition(p));
    EXPECT_TRUE(p.stopTimer);

    // A timeout changed during the search counts from the next tick.
    s.Start(2);
    p = s.Tick(5);
    EXPECT_EQ(50, p.rangeMax);
    EXPECT_EQ(50 - 29, p.position);

    EXPECT_FALSE(s.Result());
    EXPECT_TRUE(s.Searching());
    EXPECT_TRUE(s.Result());
    EXPECT_FALSE(s.Searching());
    EXPECT_EQ("", s.Failures());
    s.Start(1);
    EXPECT_EQ(0, s.m_nResultsReceived);

    // The causes of failed runs are kept, each once, until the next search.
    EXPECT_FALSE(s.Result("no multicast route"));
    EXPECT_TRUE(s.Result("no multicast route"));
    EXPECT_EQ("no multicast route\n", s.Failures());
    s.Start(1);
    EXPECT_EQ("", s.Failures());
}

TEST(StartupCheck, HelpAndVersionNeedNoDisplayAndNoDisplayIsOneLine)
{
    auto env = [](std::map<std::string, std::string> vars) {
        return [vars](const char* name) -> const char* {
            auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        };
    };
    EXPECT_EQ(StartupAction::Help, CheckStartup({"--help"}, env({})).action);
    EXPECT_EQ(StartupAction::Help, CheckStartup({"-h"}, env({})).action);
    Startup version = CheckStartup({"-V"}, env({}));
    EXPECT_EQ(StartupAction::Version, version.action);
    EXPECT_EQ("signseek " SIGNSEEK_VERSION "\n", version.text);
    EXPECT_NE(std::string::npos, CheckStartup({"--help"}, env({})).text.find("Exit status"));

    Startup none = CheckStartup({}, env({{"DISPLAY", ""}}));
    EXPECT_EQ(StartupAction::NoDisplay, none.action);
    EXPECT_EQ(1, std::count(none.text.begin(), none.text.end(), '\n'));
    EXPECT_NE(std::string::npos, none.text.find("graphical session"));
    EXPECT_NE(std::string::npos, none.text.find("./run.sh --demo --cli"));

    EXPECT_EQ(StartupAction::Run, CheckStartup({}, env({{"DISPLAY", ":0"}})).action);
    EXPECT_EQ(StartupAction::Run, CheckStartup({}, env({{"WAYLAND_DISPLAY", "wayland-0"}})).action);
    EXPECT_EQ(StartupAction::Run, CheckStartup({}, env({{"QT_QPA_PLATFORM", "offscreen"}})).action);
    EXPECT_EQ(StartupAction::Run, CheckStartup({"-platform", "offscreen"}, env({})).action);
}

TEST(SearchCycle, TimeoutsFromTheFileCountLikeTheRunAndNeverOverflow)
{
    // The run waits at least one second; so does the bar, rather than turning
    // into a busy indicator (range 0 .. 0).
    for (int bad : {0, -5, std::numeric_limits<int>::min()}) {
        SearchCycle s;
        s.Start(bad);
        EXPECT_EQ(20, s.m_nTicksLeft) << bad;
        SearchCycle::Progress p = s.Tick(bad);
        EXPECT_EQ(10, p.rangeMax) << bad;
        EXPECT_EQ(-9, p.position) << bad;
    }
    // Ten ticks a second past the int range: counted without overflow.
    for (int huge : {214748364, 214748365, std::numeric_limits<int>::max()}) {
        SearchCycle s;
        s.Start(huge);
        EXPECT_EQ(std::int64_t{huge} * 10 + 10, s.m_nTicksLeft) << huge;
        SearchCycle::Progress p = s.Tick(huge);
        EXPECT_GE(p.rangeMax, 10) << huge;
        EXPECT_EQ(-9, p.position) << huge;
        EXPECT_EQ(0, ShownPosition(p)) << huge;
        EXPECT_FALSE(p.stopTimer) << huge;
    }
}

TEST(SizeAdapterDropDown, RoomForTheLongestTextAndTheListsScrollBar)
{
    AdapterDropDownWidths w = SizeAdapterDropDownWidths({100, 150}, 16, 2, 20, 200);
    EXPECT_EQ(150 + 16 + 4 + 4, w.dropDown);
    EXPECT_EQ(174 + 15, w.m_nAdapterListWidth);
    // Ten items of 20 fill 200: one more scroll bar width for the list only.
    w = SizeAdapterDropDownWidths(std::vector<int>(10, 150), 16, 2, 20, 200);
    EXPECT_EQ(174 + 16, w.dropDown);
    EXPECT_EQ(189, w.m_nAdapterListWidth);
    w = SizeAdapterDropDownWidths({}, 16, 2, 20, 200);
    EXPECT_EQ(8, w.dropDown);
}

TEST(RecordMailbox, AFloodWaitsAsOneRecordPerDeviceAndWakesTheWindowOncePerTake)
{
    std::atomic<int> wakes{0};
    auto mailbox = std::make_shared<RecordMailbox>([&wakes] { ++wakes; });
    RecordSink devices = MailboxSink(mailbox, "devices");
    RecordSink bridges = MailboxSink(mailbox, "bridges");
    auto record = [](const std::string& address, int version) {
        DeviceRecord r;
        r.address = address;
        r.metadataVersion = static_cast<std::uint32_t>(version);
        return r;
    };
    // Two runs, each hammering its devices, as a hostile network can make them.
    std::thread other([&] {
        for (int i = 0; i < 20000; ++i) bridges(RecordChange::Changed, 0, record("urn:b", i));
    });
    for (int i = 0; i < 20000; ++i)
        devices(i == 0 ? RecordChange::Found : RecordChange::Changed, i % 2, record(i % 2 ? "urn:d1" : "urn:d0", i));
    other.join();
    EXPECT_EQ(1, wakes.load());
    EXPECT_EQ(3u, mailbox->Waiting());

    std::vector<RecordMailbox::Entry> taken = mailbox->Take();
    ASSERT_EQ(3u, taken.size());
    std::map<std::string, RecordMailbox::Entry> byAddress;
    for (auto& entry : taken) byAddress.emplace(entry.record.address, entry);
    EXPECT_EQ("devices", byAddress.at("urn:d0").run);
    EXPECT_EQ(19998u, byAddress.at("urn:d0").record.metadataVersion);  // the latest of each
    EXPECT_EQ(19999u, byAddress.at("urn:d1").record.metadataVersion);
    EXPECT_EQ("bridges", byAddress.at("urn:b").run);
    EXPECT_EQ(19999u, byAddress.at("urn:b").record.metadataVersion);
    // In the order first put, within a run.
    auto d0 = std::find_if(taken.begin(), taken.end(), [](auto& e) { return e.record.address == "urn:d0"; });
    auto d1 = std::find_if(taken.begin(), taken.end(), [](auto& e) { return e.record.address == "urn:d1"; });
    EXPECT_LT(d0, d1);

    // The same place in another run is another device; the next put after a
    // take wakes again.
    EXPECT_EQ(0u, mailbox->Waiting());
    devices(RecordChange::Found, 5, record("urn:x", 1));
    bridges(RecordChange::Found, 5, record("urn:y", 1));
    EXPECT_EQ(2, wakes.load());
    EXPECT_EQ(2u, mailbox->Take().size());
}

DeviceRecord Reported(const std::string& scope, const std::string& name, const std::string& types,
                      const std::string& services = "")
{
    DeviceRecord r;
    r.address = "urn:uuid:" + types;
    r.scopes = std::string(VENDOR_URI_ROOT) + scope;
    r.types = types;
    r.xAddrs = "http://10.0.0.5:81/x";
    if (!name.empty()) r.metadata.push_back("<Description>" + name + "</Description>");
    if (!services.empty()) r.metadata.push_back("<Services>" + services + "</Services>");
    return r;
}

TEST(LiveRowGate, APlayerWaitsForItsNameAndPortsOrForTheHoldOthersShowAtOnce)
{
    const std::string player = "2011/player/tovo";
    struct Case {
        const char* what;
        DeviceRecord record;
        bool complete;
    };
    const Case cases[] = {
        {"player with name and ported services", Reported(player, "Lobby", "player", "scheduler:81 player:80"), true},
        {"player with name and no services at all", Reported(player, "Lobby", ""), true},
        {"player's main endpoint alone", Reported(player, "Lobby", "player"), false},
        {"player's extra endpoint alone", Reported(player, "", "scheduler", "scheduler:81"), false},
        {"video processor without a name", Reported("2011/videoprocessor/lyrax", "", "lyrax"), true},
        {"bridge with an unported service", Reported("scopes/marvane/Halden/Bridge", "Stage", "telnet"), true},
    };
    for (const Case& c : cases) EXPECT_EQ(c.complete, RecordIsComplete(c.record)) << c.what;

    using namespace std::chrono_literals;
    const LiveRowGate::Clock::time_point t0{};
    LiveRowGate gate;
    const LiveRowGate::Key a{"devices", "a"}, b{"devices", "b"}, c{"bridges", "c"};
    EXPECT_FALSE(gate.NextDue());
    EXPECT_FALSE(gate.Pass(a, cases[3].record, t0));
    EXPECT_FALSE(gate.Pass(b, cases[2].record, t0 + 100ms));
    EXPECT_TRUE(gate.Pass(c, cases[4].record, t0 + 100ms));  // not held at all
    ASSERT_EQ(t0 + kLiveRowHold, gate.NextDue());
    // A later report still incomplete keeps the first report's hold; one
    // that completes the record passes at once.
    EXPECT_FALSE(gate.Pass(a, cases[2].record, t0 + 200ms));
    EXPECT_TRUE(gate.Pass(b, cases[0].record, t0 + 300ms));
    ASSERT_EQ(t0 + kLiveRowHold, gate.NextDue());
    EXPECT_TRUE(gate.Due(t0 + kLiveRowHold - 1ms).empty());
    std::vector<LiveRowGate::Release> due = gate.Due(t0 + kLiveRowHold);
    ASSERT_EQ(1u, due.size());
    EXPECT_EQ(a, due[0].key);
    EXPECT_EQ(cases[2].record, due[0].record);  // its latest report
    EXPECT_FALSE(gate.NextDue());
    // Once shown, a device passes whatever it reports.
    EXPECT_TRUE(gate.Pass(a, cases[3].record, t0 + 1s));
    EXPECT_TRUE(gate.Due(t0 + 10s).empty());

    // Held devices are released in the order they first came.
    EXPECT_FALSE(gate.Pass({"bridges", "y"}, cases[3].record, t0 + 2s));
    EXPECT_FALSE(gate.Pass({"devices", "x"}, cases[2].record, t0 + 2s + 1ms));
    due = gate.Due(t0 + 5s);
    ASSERT_EQ(2u, due.size());
    EXPECT_EQ("y", due[0].key.second);
    EXPECT_EQ("x", due[1].key.second);

    // A run's final records take over: what it reported, shown or held, is
    // forgotten, and the other run's devices stay as they were.
    EXPECT_FALSE(gate.Pass({"devices", "held"}, cases[2].record, t0 + 6s));
    gate.ForgetRun("devices");
    EXPECT_FALSE(gate.NextDue());
    EXPECT_FALSE(gate.Pass(a, cases[2].record, t0 + 7s));
    EXPECT_TRUE(gate.Pass(c, cases[3].record, t0 + 7s));
    gate.Clear();
    EXPECT_FALSE(gate.NextDue());
    EXPECT_FALSE(gate.Pass(c, cases[3].record, t0 + 8s));
}

std::optional<std::string> SignageResolver(const std::string& name)
{
    if (name == "player.signage.test") return "10.20.0.7";
    return std::nullopt;
}

TEST(TargetsForm, BadLinesAreNamedByNumberAndTheOthersKept)
{
    struct Case {
        std::string text;
        std::vector<std::string> addresses;
        std::vector<std::string> problems;
        std::vector<std::size_t> badLines;
    } cases[] = {
        {"# signage VLAN\n10.20.0.1\n\n  player.signage.test  # lobby\n", {"10.20.0.1", "10.20.0.7"}, {}, {}},
        {"", {}, {}, {}},
        {"10.20.0.1\n10.20.0.300\n10.20.0.2-10.20.0.3\nnowhere.test\n10.20.0.9/40",
         {"10.20.0.1", "10.20.0.2", "10.20.0.3"},
         {"Line 2: not an IPv4 address: 10.20.0.300", "Line 4: cannot resolve nowhere.test to an IPv4 address",
          "Line 5: not a subnet: 10.20.0.9/40 (write 10.1.2.0/24)"},
         {2, 4, 5}},
        // The line that takes the list past a /16 is left out, the ones after it still count.
        {"10.1.0.0/16\n10.2.0.0/24\n10.1.0.5\n", {}, {"Line 2: more than 65536 targets (a /16) in one search"}, {2}},
    };
    for (const Case& c : cases) {
        CheckedTargets checked = CheckTargets(c.text, SignageResolver);
        EXPECT_EQ(c.problems, checked.problems) << c.text;
        EXPECT_EQ(c.badLines, checked.badLines) << c.text;
        if (!c.addresses.empty() || c.problems.empty()) {
            EXPECT_EQ(c.addresses, checked.addresses) << c.text;
        }
        // Without the resolver: the same problems, but for names, which pass.
        const bool named = c.text.find(".test") != std::string::npos;
        EXPECT_EQ(named, NamesAHost(c.text)) << c.text;
        std::vector<std::string> problems;
        for (const std::string& problem : c.problems)
            if (problem.find("cannot resolve") == std::string::npos) problems.push_back(problem);
        EXPECT_EQ(problems, CheckTargetSyntax(c.text).problems) << c.text;
    }
    EXPECT_EQ(65536u, CheckTargets("10.1.0.0/16\n10.2.0.0/24\n10.1.0.5\n", SignageResolver).addresses.size());

    EXPECT_EQ("Line 2: not an IPv4 address: 10.20.0.300.", ProblemSentence("Line 2: not an IPv4 address: 10.20.0.300"));
    EXPECT_EQ("The list is long.", ProblemSentence("the list is long."));
}

TEST(TargetsForm, ManyBadLinesOrTooMuchTextUseNoneAndNamesAreAskedOnce)
{
    std::string text = "10.20.0.1\n";
    for (std::size_t i = 0; i <= kMaxTargetProblems; ++i) text += "player.signage.test\nbad" + std::to_string(i) + "\n";
    int asked = 0;
    CheckedTargets checked = CheckTargets(text, [&asked](const std::string& name) {
        ++asked;
        return SignageResolver(name);
    });
    EXPECT_TRUE(checked.addresses.empty());
    ASSERT_EQ(kMaxTargetProblems + 1, checked.problems.size());
    EXPECT_EQ("Line 3: cannot resolve bad0 to an IPv4 address", checked.problems.front());
    EXPECT_EQ("more than 10 lines are not targets; none of the list is used", checked.problems.back());
    EXPECT_EQ(0u, checked.badLines.back());
    // Each name once, however often the list is read again.
    EXPECT_EQ(static_cast<int>(kMaxTargetProblems) + 2, asked);

    checked = CheckTargets(std::string(kMaxTargetFileBytes + 1, '#'), SignageResolver);
    EXPECT_EQ((std::vector<std::string>{"the list is longer than 1048576 bytes"}), checked.problems);
}

class UserTargetsFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_home.Path().empty()); }
    // Two levels that do not exist yet, as on a fresh account.
    std::string Folder() const { return m_home / ".config/signseek"; }
    std::string File() const { return Folder() + "/targets"; }
    test::TempFolder m_home;
};

TEST_F(UserTargetsFile, SavesWhatLoadsBackInAFolderOfTheUsersOwn)
{
    EXPECT_EQ((StoredTargets{}).text, LoadUserTargets(Folder()).text);
    EXPECT_EQ("", LoadUserTargets(Folder()).problem);  // missing: nothing to say

    const std::string text = "# signage VLAN\n10.20.0.0/24\nplayer.signage.test\n";
    ASSERT_EQ("", SaveUserTargets(Folder(), text));
    EXPECT_EQ(text, LoadUserTargets(Folder()).text);
    EXPECT_EQ(text, test::ReadFile(File()));
    struct stat st {};
    ASSERT_EQ(0, ::stat(Folder().c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    ASSERT_EQ(0, ::stat((m_home / ".config").c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    ASSERT_EQ("", SaveUserTargets(Folder(), "10.20.0.9\n"));
    EXPECT_EQ("10.20.0.9\n", LoadUserTargets(Folder()).text);
    // Only the file: no scratch copy is left beside it.
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(Folder()), {}));

    EXPECT_NE("", SaveUserTargets("", text));
    EXPECT_EQ("", LoadUserTargets("").text);
}

TEST_F(UserTargetsFile, ALinkOrFifoInPlaceIsNotReadAndALinkIsReplacedNotWrittenThrough)
{
    ASSERT_EQ("", SaveUserTargets(Folder(), "10.20.0.1\n"));
    const std::string secret = m_home / "secret";
    test::WriteFile(secret, "10.99.0.1\n");
    std::filesystem::remove(File());
    ASSERT_EQ(0, ::symlink(secret.c_str(), File().c_str()));

    StoredTargets stored = LoadUserTargets(Folder());
    EXPECT_EQ("", stored.text);
    EXPECT_EQ(File() + " is a symbolic link", stored.problem);
    ASSERT_EQ("", SaveUserTargets(Folder(), "10.20.0.2\n"));
    EXPECT_EQ("10.99.0.1\n", test::ReadFile(secret));
    EXPECT_FALSE(std::filesystem::is_symlink(File()));
    EXPECT_EQ("10.20.0.2\n", LoadUserTargets(Folder()).text);

    std::filesystem::remove(File());
    ASSERT_EQ(0, ::mkfifo(File().c_str(), 0600));
    stored = LoadUserTargets(Folder());  // returns at once: nothing writes to the FIFO
    EXPECT_EQ(File() + " is not a regular file", stored.problem);
}

TEST_F(UserTargetsFile, AFileLongerThanTheCapIsNotReadAndNotWritten)
{
    std::filesystem::create_directories(Folder());
    test::WriteFile(File(), std::string(kMaxTargetFileBytes, '#'));
    EXPECT_EQ(kMaxTargetFileBytes, LoadUserTargets(Folder()).text.size());

    test::WriteFile(File(), std::string(kMaxTargetFileBytes + 1, '#'));
    StoredTargets stored = LoadUserTargets(Folder());
    EXPECT_EQ("", stored.text);
    EXPECT_EQ(File() + " is longer than 1048576 bytes", stored.problem);

    EXPECT_NE("", SaveUserTargets(Folder(), std::string(kMaxTargetFileBytes + 1, '#')));
    EXPECT_EQ(kMaxTargetFileBytes + 1, test::ReadFile(File()).size());
}

TEST(SearchCycle, DirectedProbesLengthenTheCountdownAndTheBar)
{
    // A /24 at 200 a second: 512 probes of the device run, 2.56 s, 26 ticks.
    EXPECT_EQ(26, SweepTicks(256, 200));
    EXPECT_EQ(0, SweepTicks(0, 200));
    EXPECT_EQ(1, SweepTicks(1, 10000));
    SearchCycle s;
    s.Start(8, SweepTicks(256, 200));
    EXPECT_EQ(90 + 26, s.m_nTicksLeft);
    SearchCycle::Progress p = s.Tick(8);
    EXPECT_EQ(80 + 26, p.rangeMax);
    EXPECT_EQ(-9, p.position);
}

}  // namespace
}  // namespace signseek
