#include "settings/DiscoverySettings.h"
#include "settings/SettingsLocation.h"
#include "tests/settings/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>

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

TEST_F(SettingsFile, LinesAreReadPositionallyInFileOrder)
{
    EXPECT_EQ(LoadFrom("5,20\n"), (FileOrder{5, 20, 3702, 2}));
    EXPECT_EQ(LoadFrom("5,,20\n"), (FileOrder{5, 20, 3702, 2}));
    EXPECT_EQ(LoadFrom(",,,5,,,20,,\n"), (FileOrder{5, 20, 3702, 2}));
    EXPECT_EQ(LoadFrom("x,20,3702,2\n"), (FileOrder{0, 20, 3702, 2}));
    EXPECT_EQ(LoadFrom("1,8,3702,2,99\n7,7,7,7\n"), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ(LoadFrom("0,0,70000,-1\n"), (FileOrder{0, 0, 70000, -1}));
    EXPECT_EQ(LoadFrom(" 12s,\t9x,+7,-0"), (FileOrder{12, 9, 7, 0}));
    EXPECT_EQ(LoadFrom("4,5,6,7"), (FileOrder{4, 5, 6, 7}));
}

TEST_F(SettingsFile, LinesWithoutValuesLeaveFieldsAlone)
{
    EXPECT_EQ(LoadFrom(""), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ(LoadFrom("\n9,9,9,9\n"), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ(LoadFrom(",,,\n"), (FileOrder{1, 8, 3702, 2}));
    EXPECT_EQ(LoadFrom("abc\n"), (FileOrder{0, 8, 3702, 2}));
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
    // Characters 7 to 199 are the fourth field; the cut falls inside it.
    std::string line = "7,8,9," + std::string(190, '0') + "123" + "456";
    line += std::string(500 - line.size(), '5');
    ASSERT_EQ(line.size(), 500u);
    EXPECT_EQ(LoadFrom(line + "\n2,2,2,2\n"), (FileOrder{7, 8, 9, 123}));
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

    CDiscoverySettings loaded;
    loaded.Load(Root());
    EXPECT_EQ(loaded, changed);
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

}  // namespace signseek
