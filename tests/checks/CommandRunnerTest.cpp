#include "checks/CommandRunner.h"
#include "tests/checks/CheckTestSupport.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

using namespace signseek;
using namespace signseek::test;
using namespace std::chrono_literals;
using Outcome = CommandResult::Outcome;

namespace {

// True once the process is gone or only a zombie is left of it.
bool Ended(pid_t pid)
{
    std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    std::size_t paren = stat.rfind(')');
    return stat.empty() || (paren != std::string::npos && stat.compare(paren + 2, 1, "Z") == 0);
}

}  // namespace

TEST(CommandRunner, RunsWithoutAShellInAMinimalEnvironment)
{
    TempFolder dir;
    WriteScript(dir / "tool", "echo \"out:$#:$1:$2\"; echo \"PATH=$PATH HOME=$HOME LC_ALL=$LC_ALL\" >&2; exit 3\n");
    std::string path = dir.Path() + ":/usr/bin:/bin";
    CommandResult result = RunCommand({"tool", "a b", "$HOME;*"}, path, 5s);
    EXPECT_EQ(result.outcome, Outcome::Exited);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "out:2:a b:$HOME;*\n");  // words reach the tool unexpanded
    EXPECT_EQ(result.errors, "PATH=" + path + " HOME= LC_ALL=C\n");
}

TEST(CommandRunner, LooksUpThePathOnlyForBareNames)
{
    TempFolder dir;
    WriteScript(dir / "second/tool", "exit 0\n");
    WriteScript(dir / "third/tool", "exit 0\n");
    WriteFile(dir / "first/tool", "not executable");
    std::filesystem::create_directories(dir / "first/dir-tool");
    std::string path = dir / "first" + ":" + dir / "second" + ":" + dir / "third";
    EXPECT_EQ(FindOnPath("tool", path), dir / "second/tool");
    EXPECT_EQ(FindOnPath("dir-tool", path), "");
    EXPECT_EQ(FindOnPath(dir / "third/tool", ""), dir / "third/tool");
    EXPECT_EQ(FindOnPath("missing", path), "");
    EXPECT_EQ(FindOnPath("", path), "");
    EXPECT_EQ(RunCommand({"missing"}, path, 5s).outcome, Outcome::NotFound);
    EXPECT_EQ(RunCommand({"tool"}, dir / "first", 5s).outcome, Outcome::NotFound);
}

TEST(CommandRunner, KillsTheToolAndWhatItStartedAtTheTimeLimit)
{
    TempFolder dir;
    std::string pidFile = dir / "sleeper.pid";
    WriteScript(dir / "hang", "echo started\nsleep 30 &\necho $! > '" + pidFile + "'\nwait\n");
    auto start = std::chrono::steady_clock::now();
    CommandResult result = RunCommand({"hang"}, dir.Path() + ":/usr/bin:/bin", 500ms);
    EXPECT_EQ(result.outcome, Outcome::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    pid_t sleeper = std::atoi(ReadFile(pidFile).c_str());
    ASSERT_GT(sleeper, 0);
    bool ended = false;
    for (int i = 0; i < 100 && !(ended = Ended(sleeper)); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(ended);
}

TEST(CommandRunner, DoesNotWaitForAChildsChildHoldingTheOutput)
{
    TempFolder dir;
    WriteScript(dir / "daemon", "sleep 3 &\necho done\n");
    auto start = std::chrono::steady_clock::now();
    CommandResult result = RunCommand({"daemon"}, dir.Path() + ":/usr/bin:/bin", 10s);
    EXPECT_EQ(result.outcome, Outcome::Exited);
    EXPECT_EQ(result.output, "done\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(CommandRunner, OutputIsHeldToItsLimitAndSignalsAreFailures)
{
    TempFolder dir;
    WriteScript(dir / "flood", "head -c 200000 /dev/zero\nkill -TERM $$\n");
    CommandResult result = RunCommand({"flood"}, dir.Path() + ":/usr/bin:/bin", 10s);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.output.size(), MAX_COMMAND_OUTPUT);
}

TEST(CommandRunner, StartsADetachedToolWithThisProcesssEnvironment)
{
    TempFolder dir;
    std::string record = dir / "launched";
    WriteScript(dir / "opener", "echo \"$1 $PATH\" > '" + record + ".tmp'; mv '" + record + ".tmp' '" + record + "'\n");
    // The tool sees this process's PATH, not the search path it was found on.
    const char* path = std::getenv("PATH");
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(StartDetached({"opener", "https://example.test/a b"}, dir.Path() + ":/usr/bin:/bin"));
    for (int i = 0; i < 250 && !std::filesystem::exists(record); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ReadFile(record), "https://example.test/a b " + std::string(path) + "\n");
    EXPECT_FALSE(StartDetached({"missing-opener"}, dir.Path()));
}
