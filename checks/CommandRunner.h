#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace signseek {

struct CommandResult {
    enum class Outcome {
        Exited,    // ran to its end; exitCode holds its status
        NotFound,  // no executable of that name on the search path
        TimedOut,  // killed, with everything it started, at the time limit
        Failed,    // could not be started, or ended by a signal
    };
    Outcome outcome = Outcome::Failed;
    int exitCode = -1;
    std::string output;  // standard output, at most MAX_COMMAND_OUTPUT bytes
    std::string errors;  // standard error, likewise
};

inline constexpr std::size_t MAX_COMMAND_OUTPUT = 64 * 1024;

// The executable a command name stands for: a name with a slash as it is,
// otherwise the first executable regular file of that name in the
// colon-separated search path. Empty when there is none.
std::string FindOnPath(const std::string& name, const std::string& searchPath);

// Runs argv[0] (looked up on searchPath) with the fixed argument vector and
// no shell. The child gets an environment of only PATH=searchPath and
// LC_ALL=C (so the tools answer in untranslated words), standard input from
// /dev/null, and its own process group, which is killed at the time limit.
CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& searchPath,
                         std::chrono::milliseconds timeLimit);

// Starts argv[0] (looked up on searchPath) with this process's environment,
// in a session of its own, without waiting for it (a browser launch); false
// when it could not be started.
bool StartDetached(const std::vector<std::string>& argv, const std::string& searchPath);

// Runs commands; the checks' seam to the process table.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual CommandResult Run(const std::vector<std::string>& argv, std::chrono::milliseconds timeLimit) = 0;
};

// RunCommand with a fixed search path.
class ProcessRunner : public CommandRunner {
public:
    explicit ProcessRunner(std::string searchPath) : m_strSearchPath(std::move(searchPath)) {}
    CommandResult Run(const std::vector<std::string>& argv, std::chrono::milliseconds timeLimit) override
    {
        return RunCommand(argv, m_strSearchPath, timeLimit);
    }
    const std::string& SearchPath() const { return m_strSearchPath; }

private:
    std::string m_strSearchPath;
};

// The system folders only, for the tools that change the firewall: a
// program running as root must not pick them up from a user's PATH.
inline constexpr char SYSTEM_SEARCH_PATH[] = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";

// This process's PATH, or the system folders when it has none.
std::string ProcessSearchPath();

}  // namespace signseek
