#include "settings/DiscoverySettings.h"
#include "settings/SettingsLocation.h"
#include "tests/settings/TestSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <thread>

namespace signseek {

namespace fs = std::filesystem;
using signseek::test::ReadFile;
using signseek::test::TempFolder;
using signseek::test::WriteFile;

namespace {

// The record in file order, for compact expectations.
using FileOrder = std::array<int, 4>;

FileOrder InFileOrder(const CDiscoverySettings& s)
{
    return {s.m_values.receiveTimeout, s.m_values.discoveryTimeout, s.m_values.discoveryPort, s.m_values.ttl};
}

class SettingsFile : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_temp.Path().empty());
        fs::create_directories(Folder());
    }
    std::string Root() const { return m_temp.Path(); }
    std::string Folder() const { return Root() + "/Marvane/Discovery"; }
    std::string File() const { return SettingsFilePath(Root()); }
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Folder())) names.push_back(e.path().filename());
        return names;
    }
    FileOrder LoadFrom(const std::string& content)
    {
        WriteFile(File(), content);
        CDiscoverySettings s;
        s.Load(Root());
        return InFileOrder(s);
    }

    // The line as the parser alone reads it, before a load bounds the values.
    static FileOrder ParsedFrom(const std::string& line)
    {
        CDiscoverySettings s;
        s.ParseLine(line);
        return InFileOrder(s);
    }

    TempFolder m_temp;
};

// Runs work on a thread without the capabilities that let root write into any
// folder, so permission tests mean the same for root and for other users.
// Capabilities belong to a thread; the rest of the process keeps its own.
bool RunWithoutDacOverride(const std::function<void()>& work)
{
    bool dropped = false;
    std::thread worker([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (::syscall(SYS_capget, &header, data) != 0) return;
        for (int cap : {CAP_DAC_OVERRIDE, CAP_FOWNER}) data[cap / 32].effective &= ~(1u << (cap % 32));
        if (::syscall(SYS_capset, &header, data) != 0) return;
        dropped = true;
        work();
    });
    worker.join();
    return dropped;
}

}  // namespace

TEST(DiscoverySettings, DefaultsAndProcessWideValues)
{
    // The record's field order is part of its definition.
    static_assert(offsetof(DiscoveryValues, discoveryTimeout) < offsetof(DiscoveryValues, receiveTimeout));
    static_assert(offsetof(DiscoveryValues, receiveTimeout) < offsetof(DiscoveryValues, discoveryPort));
    static_assert(offsetof(DiscoveryValues, discoveryPort) < offsetof(DiscoveryValues, ttl));
    EXPECT_EQ(InFileOrder(CDiscoverySettings{}), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ((FileOrder{g_nReceiveTimeout, g_nDiscoveryTimeout, g_nDiscoveryPort, g_nDiscoveryTTL}),
              (FileOrder{1, 8, 3702, 2}));

    const DiscoveryValues changed{20, 5, 8080, 7};
    PublishSettings(changed);
    EXPECT_EQ((FileOrder{g_nReceiveTimeout, g_nDiscoveryTimeout, g_nDiscoveryPort, g_nDiscoveryTTL}),
              (FileOrder{5, 20, 8080, 7}));
    EXPECT_EQ(changed, PublishedSettings());
    PublishSettings(DiscoveryValues{});
}

TEST(DiscoverySettings, RunsNeverUseTimeoutsBelowOneSecond)
{
    EXPECT_EQ(UsableTimeout(0), 1);
    EXPECT_EQ(UsableTimeout(-7), 1);
    EXPECT_EQ(UsableTimeout(1), 1);
    EXPECT_EQ(UsableTimeout(600), 600);
}

TEST(DiscoverySettings, MachineWideLocation)
{
    EXPECT_EQ(SettingsFilePath(signseek::CommonAppDataFolder()), "/var/lib/Marvane/Discovery/settings.csv");
}

TEST(DiscoverySettings, TheUsersOwnFolderFollowsTheBaseDirectoryConvention)
{
    struct Case {
        const char* config;
        const char* home;
        std::string folder;
    } cases[] = {
        {"/home/ann/.cfg", "/home/ann", "/home/ann/.cfg/signseek"},
        {nullptr, "/home/ann", "/home/ann/.config/signseek"},
        {"", "/home/ann", "/home/ann/.config/signseek"},
        // A relative value is not a base directory.
        {"cfg", "/home/ann", "/home/ann/.config/signseek"},
        {"cfg", "home", ""},
        {nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        auto environment = [&c](const char* name) -> const char* {
            return std::string(name) == "XDG_CONFIG_HOME" ? c.config : std::string(name) == "HOME" ? c.home : nullptr;
        };
        EXPECT_EQ(c.folder, UserSettingsFolder(environment)) << (c.config ? c.config : "(unset)");
    }
}

TEST_F(SettingsFile, LinesAreReadPositionallyInFileOrder)
{
    EXPECT_EQ(LoadFrom("5,20\n"), (FileOrder{5, 20, 3702, 2}));
    EXPECT_EQ(LoadFrom("5,,20\n"), (FileOrder{5, 20, 3702, 2}));
    EXPECT_EQ(LoadFrom(",,,5,,,20,,\n"), (FileOrder{5, 20, 3702, 2}));
    EXPECT_EQ(ParsedFrom("x,20,3702,2"), (FileOrder{0, 20, 3702, 2}));
    EXPECT_EQ(LoadFrom("1,8,3702,2,99\n7,7,7,7\n"), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ(ParsedFrom(" 12s,\t9x,+7,-0"), (FileOrder{12, 9, 7, 0}));
    EXPECT_EQ(LoadFrom("4,5,6,7"), (FileOrder{4, 5, 6, 7}));
}

TEST_F(SettingsFile, LinesWithoutValuesLeaveFieldsAlone)
{
    EXPECT_EQ(LoadFrom(""), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ(LoadFrom("\n9,9,9,9\n"), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ(LoadFrom(",,,\n"), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ(ParsedFrom("abc"), (FileOrder{0, 8, 3702, 2}));
    EXPECT_EQ(LoadFrom(std::string("4\0,5,6,7\n", 9)), (FileOrder{4, 8, 3702, 2}));
}

TEST_F(SettingsFile, WindowsLineEndsAreOneLineBreak)
{
    EXPECT_EQ(LoadFrom("4,5,6,7\r\n1,1,1,1\r\n"), (FileOrder{4, 5, 6, 7}));
    // With the CR kept it would be a fourth field and set the TTL to 0.
    EXPECT_EQ(LoadFrom("4,5,6,\r\n"), (FileOrder{4, 5, 6, 2}));
}

TEST_F(SettingsFile, LongFirstLineIsCutAfter199Characters)
{
    // Characters 5 to 199 are the third field; the cut falls inside it.
    std::string line = "7,8," + std::string(192, '0') + "123" + "456";
    line += std::string(500 - line.size(), '5');
    ASSERT_EQ(line.size(), 500u);
    EXPECT_EQ(LoadFrom(line + "\n2,2,2,2\n"), (FileOrder{7, 8, 123, 2}));
}

TEST_F(SettingsFile, MissingOrUnreadableFileKeepsValues)
{
    CDiscoverySettings earlier{30, 3, 4000, 9};
    CDiscoverySettings s = earlier;
    s.Load(Root());  // no file yet
    EXPECT_EQ(s, earlier);
    s.Load("");  // no data folder
    EXPECT_EQ(s, earlier);

    fs::create_directory(File());  // a folder where the file should be
    s.Load(Root());
    EXPECT_EQ(s, earlier);
    fs::remove(File());

    // A FIFO would block an ordinary open for reading until a writer came.
    ASSERT_EQ(::mkfifo(File().c_str(), 0600), 0);
    s.Load(Root());
    EXPECT_EQ(s, earlier);
}

TEST_F(SettingsFile, SaveWritesOneLineInFileOrder)
{
    CDiscoverySettings{}.Save(Root());
    EXPECT_EQ(ReadFile(File()), "1,8,3702,2\n");

    WriteFile(File(), "1111,2222,3333,4444,5555\nmore\n");
    CDiscoverySettings changed{20, 5, 8080, -1};
    changed.Save(Root());
    EXPECT_EQ(ReadFile(File()), "5,20,8080,-1\n");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.csv"});
    EXPECT_EQ(fs::status(File()).permissions() & fs::perms::others_read, fs::perms::others_read);

    // The TTL -1 goes out as it stands and comes back as the default.
    CDiscoverySettings loaded;
    EXPECT_EQ(loaded.Load(Root()).size(), 1u);
    EXPECT_EQ(loaded, (CDiscoverySettings{DiscoveryValues{20, 5, 8080, DEFAULT_DISCOVERY_TTL}}));
}

TEST_F(SettingsFile, SaveCreatesOnlyTheLastFolderLevel)
{
    fs::remove_all(Root() + "/Marvane");
    EXPECT_FALSE(CDiscoverySettings{}.Save(Root()));  // said, so the window can tell
    EXPECT_FALSE(fs::exists(Root() + "/Marvane"));

    fs::create_directory(Root() + "/Marvane");
    EXPECT_TRUE(CDiscoverySettings{}.Save(Root()));
    EXPECT_EQ(ReadFile(File()), "1,8,3702,2\n");
}

TEST_F(SettingsFile, FailedSaveIsSilentAndKeepsTheOldFile)
{
    WriteFile(File(), "3,4,5,6\n");
    ASSERT_EQ(::chmod(Folder().c_str(), 0555), 0);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    bool folderWasWritable = false;
    bool ran = RunWithoutDacOverride([&] {
        std::string probe = Folder() + "/probe";
        int fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
        if (fd >= 0) {
            folderWasWritable = true;
            ::close(fd);
            ::unlink(probe.c_str());
        }
        CDiscoverySettings{}.Save(Root());
    });
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    ::chmod(Folder().c_str(), 0755);
    if (!ran || folderWasWritable) GTEST_SKIP() << "cannot make a folder unwritable here";
    EXPECT_EQ(ReadFile(File()), "3,4,5,6\n");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.csv"});
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

TEST_F(SettingsFile, SaveOverAFolderLeavesNoTrace)
{
    fs::create_directory(File());
    EXPECT_FALSE(CDiscoverySettings{}.Save(Root()));
    EXPECT_TRUE(fs::is_directory(File()));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.csv"});
}

TEST_F(SettingsFile, ValuesOutsideTheDialogsRangesAreReplacedAndNamed)
{
    struct Case {
        const char* line;
        FileOrder expected;
        std::vector<std::string> named;  // a word of each note, in order
    } cases[] = {
        {"1,2147483647,3702,255\n", {1, 8, 3702, 2}, {"discovery timeout 2147483647", "discovery TTL 255"}},
        {"1,2,70000,255\n", {1, 2, 3702, 2}, {"discovery port 70000", "discovery TTL 255"}},
        {"1,8,3702,300\n", {1, 8, 3702, 2}, {"discovery TTL 300"}},
        {"1,8,0,2\n", {1, 8, 3702, 2}, {"discovery port 0"}},
        {"0,0,70000,-1\n",
         {1, 8, 3702, 2},
         {"discovery timeout 0", "receive timeout 0", "discovery port 70000", "discovery TTL -1"}},
        {"600,600,65535,50\n", {600, 600, 65535, 50}, {}},
        {"1,601,1,1\n", {1, 8, 1, 1}, {"discovery timeout 601"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        WriteFile(File(), c.line);
        CDiscoverySettings s;
        const std::vector<std::string> notes = s.Load(Root());
        EXPECT_EQ(InFileOrder(s), c.expected);
        ASSERT_EQ(notes.size(), c.named.size());
        for (std::size_t i = 0; i < notes.size(); ++i) {
            EXPECT_NE(notes[i].find(c.named[i] + " is outside"), std::string::npos) << notes[i];
            EXPECT_NE(notes[i].find("the default"), std::string::npos) << notes[i];
            EXPECT_EQ(notes[i].rfind(File(), 0), 0u) << notes[i];
        }
    }
}

// Another local user's attempts on the shared folder, run as a real other
// user (a numeric uid without a name) in a child process; root checks after.
class SharedFolder : public testing::Test {
protected:
    static constexpr uid_t kOther = 4242;

    void SetUp() override
    {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another local user";
        ASSERT_FALSE(m_temp.Path().empty());
        // As an older install left it: Marvane 0777, so its entries can be swapped.
        fs::create_directories(Folder());
        ASSERT_EQ(::chmod(Root().c_str(), 0755), 0);
        ASSERT_EQ(::chmod((Root() + "/Marvane").c_str(), 0777), 0);
        ASSERT_EQ(::chmod(Folder().c_str(), 01777), 0);
        // A folder and a file only root may read or write.
        fs::create_directory(Secret());
        ASSERT_EQ(::chmod(Secret().c_str(), 0700), 0);
        WriteFile(Secret() + "/shadow", "7,7,7,7\n");
        ASSERT_EQ(::chmod((Secret() + "/shadow").c_str(), 0600), 0);
    }
    std::string Root() const { return m_temp.Path(); }
    std::string Folder() const { return Root() + "/Marvane/Discovery"; }
    std::string File() const { return SettingsFilePath(Root()); }
    std::string Secret() const { return Root() + "/root-only"; }

    // Runs the attack as kOther; true when each of its steps succeeded.
    static bool AsOtherUser(const std::function<bool()>& attack)
    {
        pid_t child = ::fork();
        if (child < 0) return false;
        if (child == 0) {
            bool dropped = ::setgroups(0, nullptr) == 0 && ::setresgid(kOther, kOther, kOther) == 0 &&
                           ::setresuid(kOther, kOther, kOther) == 0;
            ::_exit(dropped && attack() ? 0 : 1);
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0)
            if (errno != EINTR) return false;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    TempFolder m_temp;
};

TEST_F(SharedFolder, NoLocalUserCanTurnTheFolderAgainstRoot)
{
    const std::string folder = Folder();
    const std::string file = File();
    const std::string secret = Secret();
    struct Case {
        const char* what;
        std::function<void()> before;  // as root
        std::function<bool()> attack;  // as the other user
        bool attackWorks;              // whether the kernel lets it through
        FileOrder loaded;              // what root's load then gives
        const char* loadNote;          // a word of the load's note, or null
        bool saveWorks;                // whether root's save then goes through
    } cases[] = {
        {"the folder swapped for a link to a root-only folder",
         nullptr,
         [&] {
             return ::rename(folder.c_str(), (folder + ".old").c_str()) == 0 &&
                    ::symlink(secret.c_str(), folder.c_str()) == 0;
         },
         true,
         {1, 8, 3702, 2},
         "link",
         false},
        {"the folder swapped for one of the other user's own",
         nullptr,
         [&] {
             return ::rename(folder.c_str(), (folder + ".old").c_str()) == 0 && ::mkdir(folder.c_str(), 0777) == 0 &&
                    ::chmod(folder.c_str(), 0777) == 0 &&
                    (WriteFile(file, "1,2147483647,3702,255\n"), fs::exists(file));
         },
         true,
         {1, 8, 3702, 2},
         "another user",
         false},
        {"settings.csv a link to a root-only file",
         nullptr,
         [&] { return ::symlink((secret + "/shadow").c_str(), file.c_str()) == 0; },
         true,
         {1, 8, 3702, 2},
         "symbolic link",
         true},
        {"settings.csv a second name of a root-only file",
         [&] { ASSERT_EQ(::link((secret + "/shadow").c_str(), file.c_str()), 0); },
         [] { return true; },
         true,
         {1, 8, 3702, 2},
         "hard link",
         true},
        {"root's settings.csv removed or renamed",
         [&] {
             ASSERT_TRUE((CDiscoverySettings{DiscoveryValues{20, 5, 8080, 7}}.Save(Root())));
         },
         [&] { return ::unlink(file.c_str()) == 0 || ::rename(file.c_str(), (file + ".x").c_str()) == 0; },
         false,
         {5, 20, 8080, 7},
         nullptr,
         true},
        {"root's settings.csv replaced by a save of the other user's",
         [&] {
             ASSERT_TRUE((CDiscoverySettings{DiscoveryValues{20, 5, 8080, 7}}.Save(Root())));
         },
         [&] {
             const std::string why = CDiscoverySettings{DiscoveryValues{2147483647, 1, 3702, 255}}.SaveFailure(Root());
             return why.empty() || why.find("belongs to another user") == std::string::npos;
         },
         false,
         {5, 20, 8080, 7},
         nullptr,
         true},
        {"values planted before root saved",
         nullptr,
         [&] { return (WriteFile(file, "1,2147483647,3702,255\n"), fs::exists(file)); },
         true,
         {1, 8, 3702, 2},
         "outside",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Root() + "/Marvane");
        SetUp();
        if (c.before) c.before();
        EXPECT_EQ(AsOtherUser(c.attack), c.attackWorks);

        CDiscoverySettings loaded;
        const std::vector<std::string> notes = loaded.Load(Root());
        EXPECT_EQ(InFileOrder(loaded), c.loaded);
        std::string allNotes;
        for (const std::string& note : notes) allNotes += note + '\n';
        if (c.loadNote)
            EXPECT_NE(allNotes.find(c.loadNote), std::string::npos) << allNotes;
        else
            EXPECT_EQ(allNotes, "");

        const std::string why = CDiscoverySettings{DiscoveryValues{30, 3, 4000, 9}}.SaveFailure(Root());
        EXPECT_EQ(why.empty(), c.saveWorks) << why;
        // Nothing of root's ever lands beside the root-only file, which stays as it was.
        EXPECT_EQ(ReadFile(secret + "/shadow"), "7,7,7,7\n");
        std::vector<std::string> secretEntries;
        for (const auto& e : fs::directory_iterator(secret)) secretEntries.push_back(e.path().filename());
        EXPECT_EQ(secretEntries, std::vector<std::string>{"shadow"});
        if (c.saveWorks) {
            EXPECT_FALSE(fs::is_symlink(file));
            EXPECT_EQ(ReadFile(file), "3,30,4000,9\n");
        }
    }
}

TEST_F(SharedFolder, ASaveMakesTheFolderStickySoOthersCannotRemoveTheFile)
{
    ASSERT_EQ(::rmdir(Folder().c_str()), 0);
    ::umask(0077);
    const bool saved = CDiscoverySettings{DiscoveryValues{20, 5, 8080, 7}}.Save(Root());
    ::umask(0022);
    ASSERT_TRUE(saved);
    EXPECT_EQ(fs::status(Folder()).permissions(), fs::perms::all | fs::perms::sticky_bit);
    const std::string file = File();
    EXPECT_FALSE(AsOtherUser([&] { return ::unlink(file.c_str()) == 0; }));
    // ... while the other user may still read the shared settings.
    EXPECT_TRUE(AsOtherUser([&] { return ReadFile(file) == "5,20,8080,7\n"; }));
}

}  // namespace signseek
