// Load on the discovery runs: a simulator with N devices of each kind, then
// the device run and the bridge run one after the other, each in a process of
// its own. Prints how many devices each run listed, how long each ran on
// after the last answer and the finder's peak memory.
// Run it inside a private network namespace (bench/run-benchmarks.sh does).

#include "discovery/DiscoveryRun.h"
#include "wire/DatagramReceiver.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace signseek;

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The simulator as a child process whose output lines are timestamped as they
// arrive. It answers probes only: thousands of Hellos at its start would be
// load the runs do not meet.
class Simulator {
public:
    Simulator(const std::string& program, int count, int port)
    {
        int fds[2];
        if (pipe(fds) != 0) std::exit(1);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string countText = std::to_string(count), portText = std::to_string(port);
        std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                                   const_cast<char*>("--count"),
                                   countText.data(),
                                   const_cast<char*>("--port"),
                                   portText.data(),
                                   const_cast<char*>("--interface"),
                                   const_cast<char*>("127.0.0.1"),
                                   const_cast<char*>("--no-announce"),
                                   nullptr};
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
    std::optional<Clock::time_point> LastTime(const std::string& text)
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

struct RunFigures {
    unsigned listed = 0;
    bool failed = false;
    long peakKb = -1;
    Clock::time_point end;
};

// One run in a process of its own (this program with --run), so its peak
// memory is the finder's alone.
RunFigures RunFinder(const char* self, const char* run, int port, int timeout)
{
    std::string portText = std::to_string(port), timeoutText = std::to_string(timeout);
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv = {const_cast<char*>(self), const_cast<char*>("--run"), const_cast<char*>(run),
                               portText.data(),         timeoutText.data(),         nullptr};
    pid_t pid;
    if (posix_spawn(&pid, self, &actions, nullptr, argv.data(), environ) != 0) std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    RunFigures figures;
    figures.end = Clock::now();
    figures.failed =
        !WIFEXITED(status) || WEXITSTATUS(status) != 0 || std::sscanf(out.c_str(), "%u", &figures.listed) != 1;
    figures.peakKb = usage.ru_maxrss;
    return figures;
}

int FinderMain(const std::string& run, int port, int timeout)
{
    DiscoveryRequest request;
    request.values.discoveryPort = port;
    request.values.discoveryTimeout = timeout;
    request.values.receiveTimeout = 1;
    request.interfaceAddress = "127.0.0.1";
    const RunResult result = RunDiscovery(run == "devices" ? RunKind::Devices : RunKind::Bridges, request);
    if (result.failed) return 1;
    std::printf("%zu\n", result.records.size());
    return 0;
}

void Report(const char* run, int n, const RunFigures& figures, std::optional<Clock::time_point> lastAnswer, int timeout)
{
    double after = lastAnswer ? std::chrono::duration<double>(figures.end - *lastAnswer).count() : -1;
    std::printf("%-8s N=%-5d listed %u/%d%s, %.2f s from the last answer to the end (timeout %d s), "
                "finder peak memory %.1f MB\n",
                run, n, figures.listed, n, figures.failed ? " (run failed)" : "", after, timeout,
                static_cast<double>(figures.peakKb) / 1024.0);
}

// What a listener socket of this process gets; the bridge run's socket asks the same.
void ReportReceiveBuffer()
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const int granted = wire::GrowReceiveBuffer(fd, wire::kBurstReceiveBuffer);
    close(fd);
    long limit = -1;
    std::ifstream("/proc/sys/net/core/rmem_max") >> limit;
    std::printf("bridge socket receive buffer: %d bytes granted for %d asked (net.core.rmem_max %ld)\n", granted,
                wire::kBurstReceiveBuffer, limit);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--run")
        return FinderMain(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
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
    ReportReceiveBuffer();
    // The finder is this program itself, found through /proc so a relative
    // path or PATH lookup does not matter.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    RunFigures devices = RunFinder(self.c_str(), "devices", port, timeout);
    Report("devices", n, devices, sim.LastTime("-> http"), timeout);
    RunFigures bridges = RunFinder(self.c_str(), "bridges", port, timeout);
    Report("bridges", n, bridges, sim.LastTime("-> soap.udp"), timeout);
    return 0;
}
