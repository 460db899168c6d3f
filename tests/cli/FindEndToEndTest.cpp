// signseek-find against signseek-sim --demo, both as the programs they are,
// inside the test's private network namespace.

#include "common/Version.h"
#include "tests/common/LoopbackPorts.h"

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace signseek {

namespace {

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

pid_t Spawn(const std::vector<std::string>& args, int outFd, int errFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
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

// What a child started with the write ends of out and err printed, and how it ended.
Finished Collect(pid_t pid, int out[2], int err[2])
{
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

Finished RunProgram(const std::vector<std::string>& args)
{
    int out[2], err[2];
    EXPECT_EQ(0, pipe(out));
    EXPECT_EQ(0, pipe(err));
    pid_t pid = Spawn(args, out[1], err[1]);
    return Collect(pid, out, err);
}

using testports::FreeUdpPort;

// Output of --format json ("json") or of NDJSON lines ("ndjson") matches the
// schema the package ships.
void ExpectMatchesSchema(const char* kind, const std::string& output)
{
    const std::string path = std::string(::testing::TempDir()) + "output-" + std::to_string(getpid()) + "." + kind;
    FILE* file = fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, file);
    fwrite(output.data(), 1, output.size(), file);
    fclose(file);
    Finished check = RunProgram({"/usr/bin/python3", SIGNSEEK_CHECK_SCHEMA, SIGNSEEK_SCHEMA, kind, path});
    unlink(path.c_str());
    EXPECT_TRUE(WIFEXITED(check.status) && WEXITSTATUS(check.status) == 0) << check.out << check.err;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return text;
}

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
    ExpectMatchesSchema("json", find.out);
    auto json = nlohmann::json::parse(find.out);
    std::multiset<std::string> names;
    std::multiset<std::string> runs;
    std::set<std::string> sources;
    for (const auto& device : json["devices"]) {
        names.insert(device["name"].get<std::string>());
        runs.insert(device["run"].get<std::string>());
        // On loopback each device answers from the host of its XAddrs.
        EXPECT_EQ(device["host"], device["sourceAddress"]) << device.dump();
        sources.insert(device["sourceAddress"].get<std::string>());
    }
    EXPECT_EQ(4u, sources.size());
    EXPECT_EQ((std::multiset<std::string>{"Lobby Player", "Atrium Wall", "Unknown Lyrax-80", "Stage Bridge"}), names);
    EXPECT_EQ(3u, runs.count("devices"));
    EXPECT_EQ(1u, runs.count("bridges"));
    // The media player's three endpoints became one record with every service.
    for (const auto& device : json["devices"]) {
        if (device["name"] == "Lobby Player") {
            EXPECT_EQ(3u, device["services"].size()) << device.dump();
        }
    }
}

TEST(FindEndToEnd, BadValueIsOneLineAndSendsNothing)
{
    int port = FreeUdpPort();
    DemoSimulator sim(port);
    Finished find =
        RunProgram({SIGNSEEK_FIND, "--interface", "127.0.0.1", "--port", std::to_string(port), "--ttl", "99"});
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
    Finished find =
        RunProgram({SIGNSEEK_FIND, "-i", "lo", "--port", std::to_string(port), "-t", "1", "-f", "csv", "-v"});
    ASSERT_TRUE(WIFEXITED(find.status));
    EXPECT_EQ(0, WEXITSTATUS(find.status)) << find.err;
    // Each probe, each kept answer and each dropped one, with the reason.
    EXPECT_NE(std::string::npos, find.err.find("[devices] probe Types \"x8\"")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find("[bridges] probe Types \"Halden\"")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find("[bridges] ProbeMatches from 127.0.0.23")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find(": kept")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find(": merged")) << find.err;
    EXPECT_NE(std::string::npos, find.err.find("dropped: a controller of the previous generation")) << find.err;
    EXPECT_EQ(0u, find.out.find("Name,Dimensions,DHCP Name,IP Address,Endpoint Address,MAC,Web Page,Services,"
                                "Discovery Version,Adapter,Via\r\n"))
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
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(holder, 1));
    Finished find = RunProgram({SIGNSEEK_FIND, "--interface", "127.0.0.1", "--port", std::to_string(FreeUdpPort()),
                                "--discovery-timeout", "1", "--reply-port", "8000"});
    close(holder);
    ASSERT_TRUE(WIFEXITED(find.status));
    EXPECT_EQ(1, WEXITSTATUS(find.status));
    EXPECT_EQ("signseek-find: TCP port 8000 is held by another Signseek search (a watch or the window) or by another "
              "program; end it, or choose another reply port\n",
              find.err);
    EXPECT_EQ("", find.out);  // not "No devices found."
}

TEST(FindEndToEnd, OutputThatCannotBeWrittenFailsWithTheCause)
{
    int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    int err[2];
    ASSERT_EQ(0, pipe(err));
    pid_t pid = Spawn({SIGNSEEK_FIND, "-i", "127.0.0.1", "--port", std::to_string(FreeUdpPort()), "-t", "1", "-f",
                       "json", "--reply-port", std::to_string(testports::FreeTcpPort())},
                      full, err[1]);
    close(full);
    close(err[1]);
    const std::string text = ReadAll(err[0]);
    close(err[0]);
    int status = -1;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(1, WEXITSTATUS(status));
    EXPECT_EQ("signseek-find: cannot write the output: No space left on device\n", text);
}

// signseek-find with a settings file of the test's own, in a mount namespace
// of its own with a fresh /var/lib, as other users may have left the file.
// Status 125 when the namespace cannot be made here.
Finished RunWithSavedSettings(const std::string& line, const std::vector<std::string>& args)
{
    int out[2], err[2];
    EXPECT_EQ(0, pipe(out));
    EXPECT_EQ(0, pipe(err));
    pid_t pid = fork();
    if (pid == 0) {
        const std::string folder = "/var/lib/Marvane/Discovery";
        bool ready = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                     mount("tmpfs", "/var/lib", "tmpfs", 0, "mode=0755") == 0 && mkdir("/var/lib/Marvane", 0755) == 0 &&
                     mkdir(folder.c_str(), 0755) == 0 && chmod(folder.c_str(), 01777) == 0;
        int file = ready ? open((folder + "/settings.csv").c_str(), O_WRONLY | O_CREAT, 0644) : -1;
        if (file < 0 || write(file, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(125);
        close(file);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return Collect(pid, out, err);
}

TEST(FindEndToEnd, SavedValuesOutsideTheirRangesAreNamedAndReplaced)
{
    int port = FreeUdpPort();
    DemoSimulator sim(port);
    const std::string file = "/var/lib/Marvane/Discovery/settings.csv";
    struct Case {
        const char* line;
        std::vector<std::string> options;
        std::string err;
    } cases[] = {
        // Another user's planted line: the search still ends, at the default 8 s cut to 1 here by -t.
        {"1,2147483647,3702,255\n",
         {"-t", "1"},
         "signseek-find: " + file +
             ": the discovery timeout 2147483647 is outside 1 to 600; the default 8 is used\n"
             "signseek-find: " +
             file + ": the discovery TTL 255 is outside 1 to 50; the default 2 is used\n"},
        {"1,1,70000,300\n",
         {},
         "signseek-find: " + file + ": the discovery port 70000 is outside 1 to 65535; the default 3702 is used\n" +
             "signseek-find: " + file + ": the discovery TTL 300 is outside 1 to 50; the default 2 is used\n"},
        {"1,1,70000,300\n", {"--no-config", "-t", "1"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<std::string> args = {SIGNSEEK_FIND,        "-i", "127.0.0.1", "--port",
                                         std::to_string(port), "-f", "json"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto start = std::chrono::steady_clock::now();
        Finished find = RunWithSavedSettings(c.line, args);
        ASSERT_TRUE(WIFEXITED(find.status));
        if (WEXITSTATUS(find.status) == 125) GTEST_SKIP() << "cannot make a mount namespace here";
        EXPECT_EQ(0, WEXITSTATUS(find.status)) << find.err;
        EXPECT_EQ(c.err, find.err);
        EXPECT_EQ(4u, nlohmann::json::parse(find.out)["devices"].size()) << find.out;
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
    }
}

TEST(FindEndToEnd, ShortFormsAdapterNamesAndExitStatuses)
{
    Finished help = RunProgram({SIGNSEEK_FIND, "-h"});
    EXPECT_EQ(0, WEXITSTATUS(help.status));
    EXPECT_NE(std::string::npos, help.out.find("Exit status"));
    EXPECT_NE(std::string::npos, help.out.find("ndjson"));
    EXPECT_NE(std::string::npos, help.out.find("130, 143"));
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

// signseek-find running with its output read as it comes.
class RunningFind {
public:
    explicit RunningFind(const std::vector<std::string>& args)
    {
        int out[2], err[2];
        EXPECT_EQ(0, pipe(out));
        EXPECT_EQ(0, pipe(err));
        m_pid = Spawn(args, out[1], err[1]);
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~RunningFind()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }

    // Complete lines of standard output until `enough` holds for them or
    // the time is up.
    std::vector<std::string> LinesUntil(const std::function<bool(const std::vector<std::string>&)>& enough,
                                        std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!enough(m_lines) && std::chrono::steady_clock::now() < end) {
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            char buffer[4096];
            const ssize_t n = read(m_out, buffer, sizeof buffer);
            if (n <= 0) break;
            m_pending.append(buffer, static_cast<size_t>(n));
            for (std::size_t eol; (eol = m_pending.find('\n')) != std::string::npos; m_pending.erase(0, eol + 1))
                m_lines.push_back(m_pending.substr(0, eol));
        }
        return m_lines;
    }

    // Sends the signal and collects the rest; the program must end within `limit`.
    Finished Stop(int signal, std::chrono::milliseconds limit)
    {
        kill(m_pid, signal);
        Finished f;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (waitpid(m_pid, &f.status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                ADD_FAILURE() << "signseek-find did not end after signal " << signal;
                return f;
            }
            usleep(10000);
        }
        m_pid = -1;
        f.out = m_pending + ReadAll(m_out);
        f.err = ReadAll(m_err);
        return f;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;
};

std::vector<nlohmann::ordered_json> Parsed(const std::vector<std::string>& lines)
{
    std::vector<nlohmann::ordered_json> objects;
    for (const std::string& line : lines) objects.push_back(nlohmann::ordered_json::parse(line));
    return objects;
}

TEST(FindEndToEnd, NdjsonPrintsEachDeviceAsItAnswersAndCtrlCEndsWith130)
{
    int port = FreeUdpPort();
    DemoSimulator sim(port);
    const auto start = std::chrono::steady_clock::now();
    // A search that would listen for a minute.
    RunningFind find({SIGNSEEK_FIND, "-i", "127.0.0.1", "--port", std::to_string(port), "-t", "60", "-f", "ndjson"});
    // All four devices, and the media player's two further endpoints.
    auto allIn = [](const std::vector<std::string>& lines) { return lines.size() >= 6; };
    const std::vector<std::string> lines = find.LinesUntil(allIn, std::chrono::seconds(10));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(6u, lines.size());
    EXPECT_LT(seconds, 10.0);
    ExpectMatchesSchema("ndjson", Joined(lines));

    std::map<std::string, nlohmann::ordered_json> last;  // by run and address
    std::map<std::string, int> changes;                  // by run and address
    for (const nlohmann::ordered_json& object : Parsed(lines)) {
        std::vector<std::string> keys;
        for (const auto& item : object.items()) keys.push_back(item.key());
        EXPECT_EQ((std::vector<std::string>{"event",
                                            "time",
                                            "version",
                                            "run",
                                            "address",
                                            "types",
                                            "matchBy",
                                            "scopes",
                                            "xAddrs",
                                            "metadataVersion",
                                            "metadata",
                                            "sourceAddress",
                                            "name",
                                            "dimensions",
                                            "dhcpName",
                                            "ipAddress",
                                            "mac",
                                            "services",
                                            "discoveryVersion",
                                            "webPage",
                                            "adapter",
                                            "via",
                                            "height",
                                            "width",
                                            "rows",
                                            "columns",
                                            "host",
                                            "hosts"}),
                  keys);
        const std::string key = object["run"].get<std::string>() + " " + object["address"].get<std::string>();
        // A device is found before it changes.
        EXPECT_EQ(object["event"] == "found", last.count(key) == 0) << object.dump();
        if (object["event"] == "changed") ++changes[key];
        last[key] = object;
    }
    // The player's name may come with a later endpoint: names are judged on the last state.
    std::multiset<std::string> names;
    for (const auto& [key, object] : last) {
        names.insert(object["name"].get<std::string>());
        EXPECT_EQ(object["name"] == "Lobby Player" ? 2 : 0, changes[key]) << key;
        if (object["name"] == "Lobby Player") {
            EXPECT_EQ(3u, object["services"].size()) << object.dump();
        }
    }
    EXPECT_EQ((std::multiset<std::string>{"Lobby Player", "Atrium Wall", "Unknown Lyrax-80", "Stage Bridge"}), names);

    Finished rest = find.Stop(SIGINT, std::chrono::seconds(3));
    ASSERT_TRUE(WIFEXITED(rest.status));
    EXPECT_EQ(130, WEXITSTATUS(rest.status)) << rest.err;
    EXPECT_EQ("", rest.out);  // every device went out as it came
    EXPECT_EQ("", rest.err);
}

TEST(FindEndToEnd, WatchHearsDevicesComeAndGoUntilStoppedThenExits0)
{
    int port = FreeUdpPort();
    RunningFind find(
        {SIGNSEEK_FIND, "-i", "127.0.0.1", "--port", std::to_string(port), "-t", "1", "--watch", "--interval", "2"});
    auto count = [](const std::vector<std::string>& lines, const char* event) {
        int n = 0;
        for (const nlohmann::ordered_json& object : Parsed(lines)) n += object["event"] == event;
        return n;
    };
    std::optional<DemoSimulator> sim;
    sim.emplace(port);  // says Hello as it starts; the next search finds it all the same
    std::vector<std::string> lines = find.LinesUntil(
        [&](const std::vector<std::string>& l) { return count(l, "found") >= 4; }, std::chrono::seconds(10));
    ASSERT_EQ(4, count(lines, "found"));
    // A few more searches of the same devices: nothing is lost, nothing found twice.
    lines = find.LinesUntil([](const std::vector<std::string>&) { return false; }, std::chrono::seconds(5));
    EXPECT_EQ(4, count(lines, "found"));
    EXPECT_EQ(0, count(lines, "lost"));
    std::set<std::string> names;
    for (const nlohmann::ordered_json& object : Parsed(lines))
        names.insert(object["name"].is_null() ? std::string() : object["name"].get<std::string>());
    names.erase("");  // a media player found by an endpoint that does not carry its name
    EXPECT_EQ((std::set<std::string>{"Lobby Player", "Atrium Wall", "Unknown Lyrax-80", "Stage Bridge"}), names);

    // The simulator's devices say Bye as it stops: lost long before three intervals of silence.
    const auto stopped = std::chrono::steady_clock::now();
    sim.reset();
    lines = find.LinesUntil([&](const std::vector<std::string>& l) { return count(l, "lost") >= 4; },
                            std::chrono::seconds(5));
    EXPECT_EQ(4, count(lines, "lost"));
    ExpectMatchesSchema("ndjson", Joined(lines));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count(), 3.0);
    // Answers a search heard before the Byes do not bring the devices back.
    lines = find.LinesUntil([](const std::vector<std::string>&) { return false; }, std::chrono::seconds(3));
    EXPECT_EQ(4, count(lines, "found"));

    Finished rest = find.Stop(SIGINT, std::chrono::seconds(3));
    ASSERT_TRUE(WIFEXITED(rest.status));
    EXPECT_EQ(0, WEXITSTATUS(rest.status)) << rest.err;
    EXPECT_EQ("", rest.err);
}

TEST(FindEndToEnd, SigtermListsWhatWasFoundAndEndsWith143)
{
    int port = FreeUdpPort();
    DemoSimulator sim(port);
    for (const char* format : {"table", "json"}) {
        SCOPED_TRACE(format);
        RunningFind find({SIGNSEEK_FIND, "-i", "127.0.0.1", "--port", std::to_string(port), "-t", "60", "-f", format});
        // The demo devices answer within a tenth of a second of the probes.
        usleep(1500000);
        Finished rest = find.Stop(SIGTERM, std::chrono::seconds(3));
        ASSERT_TRUE(WIFEXITED(rest.status));
        EXPECT_EQ(143, WEXITSTATUS(rest.status)) << rest.err;
        for (const char* name : {"Lobby Player", "Atrium Wall", "Unknown Lyrax-80", "Stage Bridge"})
            EXPECT_NE(std::string::npos, rest.out.find(name)) << rest.out;
        if (std::string(format) == "json") {
            EXPECT_EQ(4u, nlohmann::json::parse(rest.out)["devices"].size()) << rest.out;
        }
    }
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string NetNamespaceOf(const std::string& pid)
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
    // subnet: the first three numbers; the near end is .1, the far end .2.
    // A second link joins the namespace the first one made (newNamespace false).
    explicit GatewaylessLink(const std::string& subnet = "10.77.0", const std::string& tag = "",
                             bool newNamespace = true)
    {
        if (newNamespace && unshare(CLONE_NEWNET) != 0) return;
        int devnull = open("/dev/null", O_WRONLY);
        m_holder = Spawn({"/usr/bin/unshare", "-n", "sleep", "120"}, devnull, devnull);
        close(devnull);
        const std::string self = NetNamespaceOf("self");
        const std::string holder = std::to_string(m_holder);
        for (int i = 0; i < 200 && (NetNamespaceOf(holder).empty() || NetNamespaceOf(holder) == self); ++i)
            usleep(10000);
        const std::string far = "nsenter -t " + holder + " -n ";
        const std::string nearLink = "sgNear" + tag, farLink = "sgFar" + tag;
        m_ready =
            Shell("ip link add " + nearLink + " type veth peer name " + farLink + " netns " + holder) == 0 &&
            Shell("ip addr add " + subnet + ".1/24 dev " + nearLink + " && ip link set " + nearLink + " up") == 0 &&
            Shell(far + "ip addr add " + subnet + ".2/24 dev " + farLink) == 0 &&
            Shell(far + "ip link set " + farLink + " up") == 0;
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

    Finished find = RunProgram(
        {SIGNSEEK_FIND, "--interface", "10.77.0.1", "--port", "3702", "--discovery-timeout", "2", "--format", "json"});
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    unlink(log.c_str());

    EXPECT_EQ(std::string::npos, find.err.find("could not run")) << find.err;
    auto json = nlohmann::json::parse(find.out);
    std::multiset<std::string> runs;
    for (const auto& device : json["devices"]) {
        runs.insert(device["run"].get<std::string>());
        EXPECT_EQ("10.77.0.2", device["sourceAddress"]);
    }
    EXPECT_EQ(3u, runs.count("devices")) << find.out;
    EXPECT_EQ(1u, runs.count("bridges")) << find.out;
}

// Two cards, a device network behind each: one search on every adapter finds
// both networks' devices, each under the adapter it answered through.
TEST(FindEndToEnd, InterfaceAllFindsTheDevicesBehindEachAdapter)
{
    GatewaylessLink first("10.78.1", "1");
    GatewaylessLink second("10.78.2", "2", false);
    if (!first.Ready() || !second.Ready()) GTEST_SKIP() << "cannot make network namespaces and veth pairs here";

    const std::string log = std::string(::testing::TempDir()) + "sim-all-adapters.log";
    std::vector<pid_t> sims;
    int devnull = open("/dev/null", O_WRONLY);
    for (const auto& [far, address] : {std::pair{first.Far(), "10.78.1.2"}, std::pair{second.Far(), "10.78.2.2"}})
        sims.push_back(Spawn({"/usr/bin/nsenter", "-t", std::to_string(far), "-n", SIGNSEEK_SIM, "--demo",
                              "--interface", address, "--port", "3702", "--max-delay", "100", "--log", log + address},
                             devnull, devnull));
    close(devnull);
    usleep(500000);
    for (pid_t sim : sims) ASSERT_EQ(0, waitpid(sim, nullptr, WNOHANG)) << "a simulator did not start";

    Finished find = RunProgram(
        {SIGNSEEK_FIND, "--interface", "all", "--port", "3702", "--discovery-timeout", "2", "--format", "json"});
    for (pid_t sim : sims) {
        kill(sim, SIGTERM);
        waitpid(sim, nullptr, 0);
    }
    unlink((log + "10.78.1.2").c_str());
    unlink((log + "10.78.2.2").c_str());

    EXPECT_EQ(0, find.status) << find.err;
    std::multiset<std::string> found;
    const auto json = nlohmann::json::parse(find.out);
    for (const auto& device : json["devices"]) {
        const std::string adapter = device["adapter"].get<std::string>();
        // Each far end answers only through the card it is cabled to.
        EXPECT_EQ(adapter.substr(0, 7) + ".2", device["sourceAddress"].get<std::string>()) << find.out;
        found.insert(adapter + " " + device["run"].get<std::string>());
    }
    for (const std::string adapter : {"10.78.1.1", "10.78.2.1"}) {
        EXPECT_EQ(3u, found.count(adapter + " devices")) << find.out;
        EXPECT_EQ(1u, found.count(adapter + " bridges")) << find.out;
    }
}

}  // namespace

TEST(FindEndToEnd, TwoSearchesAtOnceBothFindTheDevices)
{
    int port = FreeUdpPort();
    DemoSimulator sim(port);
    const std::vector<std::string> search = {SIGNSEEK_FIND, "-i", "127.0.0.1", "--port", std::to_string(port),
                                             "-t",          "2",  "-f",        "json"};
    RunningFind first(search);
    usleep(500000);  // the first one's listener holds port 8000 by now
    Finished second = RunProgram(search);
    Finished firstDone = first.Stop(0, std::chrono::seconds(5));
    for (const Finished* f : {&firstDone, &second}) {
        ASSERT_TRUE(WIFEXITED(f->status));
        EXPECT_EQ(0, WEXITSTATUS(f->status)) << f->err;
        EXPECT_EQ(4u, nlohmann::json::parse(f->out)["devices"].size()) << f->out;
    }
    EXPECT_EQ("", firstDone.err);
    EXPECT_NE(std::string::npos, second.err.find("TCP port 8000 is held by another Signseek search")) << second.err;
    EXPECT_NE(std::string::npos, second.err.find("so this search takes its answers on TCP port ")) << second.err;
}

}  // namespace signseek
