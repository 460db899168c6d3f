// signseek-find against signseek-sim --demo, both as the programs they are,
// inside the test's private network namespace.

#include "common/Version.h"
#include "tests/common/LoopbackPorts.h"

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

pid_t Spawn(const std::vector<std::string> &args, int outFd, int errFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    return text;
}

Finished RunProgram(const std::vector<std::string> &args)
{
    int out[2], err[2];
    EXPECT_EQ(0, pipe(out));
    EXPECT_EQ(0, pipe(err));
    pid_t pid = Spawn(args, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    Finished f;
    f.out = ReadAll(out[0]);
    f.err = ReadAll(err[0]);
    close(out[0]);
    close(err[0]);
    waitpid(pid, &f.status, 0);
    return f;
}

using testports::FreeUdpPort;

class DemoSimulator {
public:
    explicit DemoSimulator(int port) : m_log(std::string(::testing::TempDir()) + "sim-" + std::to_string(port) + ".log")
    {
        int devnull = open("/dev/null", O_WRONLY);
        m_pid = Spawn({SIGNSEEK_SIM, "--demo", "--interface", "127.0.0.1", "--port", std::to_string(port),
                       "--max-delay", "100", "--log", m_log},
                      devnull, devnull);
        close(devnull);
        testports::WaitForUdpListener(port);
        usleep(50000);  // time to join the group once bound
    }
    ~DemoSimulator()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        unlink(m_log.c_str());
    }
    std::string Log() const
    {
        int fd = open(m_log.c_str(), O_RDONLY);
        std::string text = fd >= 0 ? ReadAll(fd) : "";
        if (fd >= 0) close(fd);
        return text;
    }

private:
    std::string m_log;
    pid_t m_pid = -1;
};

TEST(FindEndToEnd, DemoDevicesAreListedOnceEach)
{
    int port = FreeUdpPort();
    DemoSimulator sim(port);
    Finished find = RunProgram({SIGNSEEK_FIND, "--interface", "127.0.0.1", "--port", std::to_string(port),
                         "--discovery-timeout", "1", "--format", "json"});
    ASSERT_TRUE(WIFEXITED(find.status));
    EXPECT_EQ(0, WEXITSTATUS(find.status)) << find.err;
    auto json = nlohmann::json::parse(find.out);
    std::multiset<std::string> names;
    std::multiset<std::string> runs;
    for (const auto &device : json["devices"]) {
        names.insert(device["name"].get<std::string>());
        runs.insert(device["run"].get<std::string>());
        EXPECT_EQ("127.0.0.1", device["sourceAddress"]);
    }
    EXPECT_EQ((std::multiset<std::string>{"Lobby Player", "Atrium Wall", "Unknown Lyrax-80", "Stage Bridge"}), names);
    EXPECT_EQ(3u, runs.count("devices"));
    EXPECT_EQ(1u, runs.count("bridges"));
    // The media player's three endpoints became one record with every service.
    for (const auto &device : json["devices"]) {
        if (device["name"] == "Lobby Player") {
            EXPECT_EQ(3u, device["services"].size()) << device.dump();
        }
    }
}

TEST(FindEndToEnd, BadValueIsOneLineAndSendsNothing)
{
    int port = FreeUdpPort();
    DemoSimulator sim(port);
    Finished find = RunProgram({SIGNSEEK_FIND, "--interface", "127.0.0.1", "--port", std::to_string(port), "--ttl", "99"});
    ASSERT_TRUE(WIFEXITED(find.status));
    EXPECT_EQ(2, WEXITSTATUS(find.status));
    EXPECT_EQ("signseek-find: --ttl needs an integer between 1 and 50\n", find.err);
    EXPECT_EQ("", find.out);
    usleep(200000);
    EXPECT_EQ(std::string::npos, sim.Log().find("probe from")) << sim.Log();
}

TEST(FindEndToEnd, TableWhenNothingAnswers)
{
    Finished find = RunProgram({SIGNSEEK_FIND, "--interface", "127.0.0.1", "--port", std::to_string(FreeUdpPort()),
                         "--discovery-timeout", "1"});
    EXPECT_EQ(0, WEXITSTATUS(find.status)) << find.err;
    EXPECT_EQ("No devices found.\n", find.out);
}

TEST(FindEndToEnd, VerboseSaysWhatBecameOfEachAnswerAndCsvHasTheDeviceColumns)
{
    int port = FreeUdpPort();
    DemoSimulator sim(port);
    Finished find = RunProgram({SIGNSEEK_FIND, "-i", "lo", "--port", std::to_string(port), "-t", "1", "-f", "csv", "-v"});
    ASSERT_TRUE(WIFEXITED(find.status));
    EXPECT_EQ(0, WEXITSTATUS(find.status)) << find.err;
    // Each probe, each kept answer and each dropped one, with the reason.
    EXPECT_NE(std::string::npos, find.err.find("[devices] probe Types \"x8\"")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find("[bridges] probe Types \"Halden\"")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find("[bridges] ProbeMatches from 127.0.0.1")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find(": kept")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find(": merged")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find("dropped: a controller of the previous generation")) << find.err;
    EXPECT_EQ(0u, find.out.find("Name,Dimensions,DHCP Name,IP Address,Endpoint Address,MAC,Web Page,Services,"
                                "Discovery Version\r\n"))
        << find.out;
    // Devices first, by name; the bridge run's device last.
    EXPECT_LT(find.out.find("Atrium Wall"), find.out.find("Lobby Player"));
    EXPECT_LT(find.out.find("Lobby Player"), find.out.find("Unknown Lyrax-80"));
    EXPECT_LT(find.out.find("Unknown Lyrax-80"), find.out.find("Stage Bridge"));
}

TEST(FindEndToEnd, ARunThatCannotRunSaysWhyAndFails)
{
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(8000);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int on = 1;
    setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr *>(&address), sizeof address));
    ASSERT_EQ(0, listen(holder, 1));
    Finished find = RunProgram({SIGNSEEK_FIND, "--interface", "127.0.0.1", "--port", std::to_string(FreeUdpPort()),
                                "--discovery-timeout", "1"});
    close(holder);
    ASSERT_TRUE(WIFEXITED(find.status));
    EXPECT_EQ(1, WEXITSTATUS(find.status));
    EXPECT_EQ("signseek-find: TCP port 8000 is in use by another program\n", find.err);
    EXPECT_EQ("", find.out);  // not "No devices found."
}

TEST(FindEndToEnd, ShortFormsAdapterNamesAndExitStatuses)
{
    Finished help = RunProgram({SIGNSEEK_FIND, "-h"});
    EXPECT_EQ(0, WEXITSTATUS(help.status));
    EXPECT_NE(std::string::npos, help.out.find("Exit status"));
    Finished version = RunProgram({SIGNSEEK_FIND, "-V"});
    EXPECT_EQ(0, WEXITSTATUS(version.status));
    EXPECT_EQ("signseek-find " SIGNSEEK_VERSION "\n", version.out);
    Finished simVersion = RunProgram({SIGNSEEK_SIM, "--version"});
    EXPECT_EQ(0, WEXITSTATUS(simVersion.status));
    EXPECT_EQ("signseek-sim " SIGNSEEK_VERSION "\n", simVersion.out);

    Finished list = RunProgram({SIGNSEEK_FIND, "--list-interfaces"});
    EXPECT_EQ(0, WEXITSTATUS(list.status));
    EXPECT_EQ("lo  lo (Loopback)  127.0.0.1\n", list.out);

    Finished unknown = RunProgram({SIGNSEEK_FIND, "-i", "eth7"});
    EXPECT_EQ(2, WEXITSTATUS(unknown.status));
    EXPECT_EQ("signseek-find: no adapter \"eth7\" with an IPv4 address; usable adapters:\n"
              "  lo  lo (Loopback)  127.0.0.1\n",
              unknown.err);
    Finished bad = RunProgram({SIGNSEEK_FIND, "-q"});
    EXPECT_EQ(2, WEXITSTATUS(bad.status));
    EXPECT_EQ("signseek-find: unknown option -q (see --help)\n", bad.err);
}

int Shell(const std::string &command) { return std::system(command.c_str()); }

std::string NetNamespaceOf(const std::string &pid)
{
    char link[256] = {};
    ssize_t n = readlink(("/proc/" + pid + "/ns/net").c_str(), link, sizeof link - 1);
    return n > 0 ? std::string(link, static_cast<size_t>(n)) : "";
}

// A laptop cabled straight to a device: one veth pair, an address on each end,
// no default route and no route for the multicast group. This process takes a
// network namespace of its own for the near end (so this case stays last in
// the file: a whole-binary run would leave the others in it); the far end,
// where the simulator runs, is a second one held open by a sleeping process.
class GatewaylessLink {
public:
    GatewaylessLink()
    {
        if (unshare(CLONE_NEWNET) != 0) return;
        int devnull = open("/dev/null", O_WRONLY);
        m_holder = Spawn({"/usr/bin/unshare", "-n", "sleep", "120"}, devnull, devnull);
        close(devnull);
        const std::string self = NetNamespaceOf("self");
        const std::string holder = std::to_string(m_holder);
        for (int i = 0; i < 200 && (NetNamespaceOf(holder).empty() || NetNamespaceOf(holder) == self); ++i)
            usleep(10000);
        const std::string far = "nsenter -t " + holder + " -n ";
        m_ready = Shell("ip link add sgNear type veth peer name sgFar netns " + holder) == 0 &&
                  Shell("ip addr add 10.77.0.1/24 dev sgNear && ip link set sgNear up") == 0 &&
                  Shell(far + "ip addr add 10.77.0.2/24 dev sgFar") == 0 && Shell(far + "ip link set sgFar up") == 0;
    }
    ~GatewaylessLink()
    {
        if (m_holder > 0) {
            kill(m_holder, SIGTERM);
            waitpid(m_holder, nullptr, 0);
        }
    }
    bool Ready() const { return m_ready; }
    pid_t Far() const { return m_holder; }

private:
    pid_t m_holder = -1;
    bool m_ready = false;
};

TEST(FindEndToEnd, BothRunsFindTheDeviceOnANetworkWithoutGateway)
{
    GatewaylessLink link;
    if (!link.Ready()) GTEST_SKIP() << "cannot make network namespaces and a veth pair here";
    ASSERT_NE(0, Shell("ip route | grep -q -e default -e 224.0.0.0"));

    const std::string log = std::string(::testing::TempDir()) + "sim-gatewayless.log";
    int devnull = open("/dev/null", O_WRONLY);
    pid_t sim = Spawn({"/usr/bin/nsenter", "-t", std::to_string(link.Far()), "-n", SIGNSEEK_SIM, "--demo",
                       "--interface", "10.77.0.2", "--port", "3702", "--max-delay", "100", "--log", log},
                      devnull, devnull);
    close(devnull);
    usleep(500000);
    ASSERT_EQ(0, waitpid(sim, nullptr, WNOHANG)) << "the simulator did not start on the far end";

    Finished find = RunProgram({SIGNSEEK_FIND, "--interface", "10.77.0.1", "--port", "3702", "--discovery-timeout",
                                "2", "--format", "json"});
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    unlink(log.c_str());

    EXPECT_EQ(std::string::npos, find.err.find("could not run")) << find.err;
    auto json = nlohmann::json::parse(find.out);
    std::multiset<std::string> runs;
    for (const auto &device : json["devices"]) {
        runs.insert(device["run"].get<std::string>());
        EXPECT_EQ("10.77.0.2", device["sourceAddress"]);
    }
    EXPECT_EQ(3u, runs.count("devices")) << find.out;
    EXPECT_EQ(1u, runs.count("bridges")) << find.out;
}

}  // namespace
