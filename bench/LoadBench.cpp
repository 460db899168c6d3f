// Load on the discovery runs: a simulator with N devices of each kind, then
// the device run and the bridge run one after the other. Prints how many
// devices each run listed and how long each ran on after the last answer.
// Run it inside a private network namespace (bench/run-benchmarks.sh does).

#include "discovery/DiscoveryRun.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

// The simulator as a child process whose output lines are timestamped as they arrive.
class Simulator {
public:
    Simulator(const std::string &program, int count, int port)
    {
        int fds[2];
        if (pipe(fds) != 0) std::exit(1);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string countText = std::to_string(count), portText = std::to_string(port);
        std::vector<char *> argv = {const_cast<char *>(program.c_str()), const_cast<char *>("--count"),
                                    countText.data(),                    const_cast<char *>("--port"),
                                    portText.data(),                     const_cast<char *>("--interface"),
                                    const_cast<char *>("127.0.0.1"),     nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            std::perror("signseek-sim");
            std::exit(1);
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_reader = std::thread([this, fd = fds[0]] { Read(fd); });
    }

    ~Simulator()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_reader.join();
    }

    bool WaitUntilListening()
    {
        for (int i = 0; i < 100; ++i) {
            if (LastTime("listening")) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // Arrival time of the last line containing `text`, if any.
    std::optional<Clock::time_point> LastTime(const std::string &text)
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_lines.rbegin(); it != m_lines.rend(); ++it)
            if (it->second.find(text) != std::string::npos) return it->first;
        return std::nullopt;
    }

private:
    void Read(int fd)
    {
        std::string pending;
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) {
            auto now = Clock::now();
            pending.append(buffer, static_cast<size_t>(n));
            std::size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                std::lock_guard lock(m_mutex);
                m_lines.emplace_back(now, pending.substr(0, end));
                pending.erase(0, end + 1);
            }
        }
        close(fd);
    }

    pid_t m_pid = -1;
    std::thread m_reader;
    std::mutex m_mutex;
    std::vector<std::pair<Clock::time_point, std::string>> m_lines;
};

void Report(const char *run, int n, unsigned listed, bool failed, Clock::time_point end,
            std::optional<Clock::time_point> lastAnswer, int timeout)
{
    double after = lastAnswer ? std::chrono::duration<double>(end - *lastAnswer).count() : -1;
    std::printf("%-8s N=%-5d listed %u/%d%s, %.2f s from the last answer to the end (timeout %d s)\n", run, n,
                listed, n, failed ? " (run failed)" : "", after, timeout);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: signseek-load-bench SIM_PROGRAM N [DISCOVERY_PORT]\n");
        return 2;
    }
    const std::string program = argv[1];
    const int n = std::atoi(argv[2]);
    const int port = argc > 3 ? std::atoi(argv[3]) : DEFAULT_DISCOVERY_PORT;
    const int timeout = 8;

    Simulator sim(program, n, port);
    if (!sim.WaitUntilListening()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }

    DiscoveryRequest request;
    request.values.discoveryPort = port;
    request.values.discoveryTimeout = timeout;
    request.values.receiveTimeout = 1;
    request.interfaceAddress = "127.0.0.1";

    unsigned count = 0;
    request.pCount = &count;
    auto devices = DiscoverDevices(request);
    Report("devices", n, count, !devices, Clock::now(), sim.LastTime("-> http"), timeout);

    count = 0;
    auto bridges = DiscoverBridges(request);
    Report("bridges", n, count, !bridges, Clock::now(), sim.LastTime("-> soap.udp"), timeout);
    return 0;
}
