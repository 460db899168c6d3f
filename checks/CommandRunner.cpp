#include "checks/CommandRunner.h"

#include "common/UniqueFd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace signseek {

namespace {

using Clock = std::chrono::steady_clock;

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup()
    {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// A clean signal state for the child whatever the caller has blocked or
// ignored, plus the given session/group flag.
void PrepareAttributes(SpawnSetup& setup, short groupFlag)
{
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGCHLD);
    ::posix_spawnattr_setsigmask(&setup.attributes, &none);
    ::posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    ::posix_spawnattr_setpgroup(&setup.attributes, 0);
    ::posix_spawnattr_setflags(&setup.attributes,
                               static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | groupFlag));
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& argv, char* const* environment,
            SpawnSetup& setup)
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t child = -1;
    if (::posix_spawn(&child, program.c_str(), &setup.actions, &setup.attributes, args.data(), environment) != 0)
        return -1;
    return child;
}

// Appends what the pipe holds now; false at its end (or on an error).
bool Drain(int fd, std::string& into)
{
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            std::size_t room = MAX_COMMAND_OUTPUT - std::min(into.size(), MAX_COMMAND_OUTPUT);
            into.append(buffer, std::min<std::size_t>(room, static_cast<std::size_t>(got)));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return got < 0 && errno == EAGAIN;
    }
}

void WaitFor(pid_t child, int& status)
{
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
}

}  // namespace

std::string FindOnPath(const std::string& name, const std::string& searchPath)
{
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
    std::size_t at = 0;
    for (;;) {
        std::size_t end = searchPath.find(':', at);
        std::string_view folder =
            std::string_view(searchPath).substr(at, end == std::string::npos ? std::string::npos : end - at);
        // An empty entry means the current folder.
        std::string candidate = std::string(folder.empty() ? std::string_view(".") : folder) + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        if (end == std::string::npos) return {};
        at = end + 1;
    }
}

CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& searchPath,
                         std::chrono::milliseconds timeLimit)
{
    CommandResult result;
    if (argv.empty()) return result;
    std::string program = FindOnPath(argv[0], searchPath);
    if (program.empty()) {
        result.outcome = CommandResult::Outcome::NotFound;
        return result;
    }

    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC | O_NONBLOCK) != 0) return result;
    UniqueFd outRead{outPipe[0]}, outWrite{outPipe[1]};
    if (::pipe2(errPipe, O_CLOEXEC | O_NONBLOCK) != 0) return result;
    UniqueFd errRead{errPipe[0]}, errWrite{errPipe[1]};

    SpawnSetup setup;
    ::posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&setup.actions, outWrite.Get(), 1);
    ::posix_spawn_file_actions_adddup2(&setup.actions, errWrite.Get(), 2);
    PrepareAttributes(setup, POSIX_SPAWN_SETPGROUP);
    std::string pathVariable = "PATH=" + searchPath;
    std::string localeVariable = "LC_ALL=C";
    char* environment[] = {pathVariable.data(), localeVariable.data(), nullptr};
    pid_t child = Spawn(program, argv, environment, setup);
    if (child < 0) return result;
    outWrite.Close();
    errWrite.Close();

    // Read both pipes until the child has ended; a child that ends while a
    // process it started keeps the pipes open is not waited for.
    const Clock::time_point deadline = Clock::now() + timeLimit;
    bool outOpen = true, errOpen = true;
    int status = 0;
    for (;;) {
        pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child) {
            if (outOpen) Drain(outRead.Get(), result.output);
            if (errOpen) Drain(errRead.Get(), result.errors);
            break;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            ::kill(-child, SIGKILL);
            WaitFor(child, status);
            result.outcome = CommandResult::Outcome::TimedOut;
            return result;
        }
        pollfd fds[2] = {{outOpen ? outRead.Get() : -1, POLLIN, 0}, {errOpen ? errRead.Get() : -1, POLLIN, 0}};
        // Short slices, so the child's end is seen even with the pipes open.
        ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 20)));
        if (outOpen && fds[0].revents != 0) outOpen = Drain(outRead.Get(), result.output);
        if (errOpen && fds[1].revents != 0) errOpen = Drain(errRead.Get(), result.errors);
    }

    if (WIFEXITED(status)) {
        result.outcome = CommandResult::Outcome::Exited;
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

bool StartDetached(const std::vector<std::string>& argv, const std::string& searchPath)
{
    if (argv.empty()) return false;
    std::string program = FindOnPath(argv[0], searchPath);
    if (program.empty()) return false;
    SpawnSetup setup;
    ::posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
    PrepareAttributes(setup, POSIX_SPAWN_SETSID);
    // The browser needs the session's environment (display, bus, home).
    pid_t child = Spawn(program, argv, environ, setup);
    if (child < 0) return false;
    // Reaped in the background so no zombie is left behind.
    std::thread([child] {
        int status = 0;
        WaitFor(child, status);
    }).detach();
    return true;
}

std::string ProcessSearchPath()
{
    const char* path = std::getenv("PATH");
    return path && *path ? std::string(path) : std::string(SYSTEM_SEARCH_PATH);
}

}  // namespace signseek
