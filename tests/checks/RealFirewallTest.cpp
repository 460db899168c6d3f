// The firewall check against the real tools (ufw, nft, iptables) on a
// throwaway firewall: each case moves this process into a mount and network
// namespace of its own with a private /etc and /run, so ufw's files and the
// netfilter tables are its own and the machine's are never touched. Under
// ctest every case runs in a process of its own. Skipped without root.

#include "checks/AdminUserManipulator.h"
#include "checks/LinuxFirewall.h"
#include "discovery/DiscoveryRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

using namespace signseek;

namespace {

int Shell(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()); }

std::string Output(const std::string& command)
{
    CommandResult result = RunCommand({"/bin/sh", "-c", command}, SYSTEM_SEARCH_PATH, std::chrono::seconds(30));
    return result.output + result.errors;
}

class RealFirewall : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0) GTEST_SKIP() << "a firewall of its own needs root";
        if (!std::filesystem::exists("/usr/sbin/ufw") || !std::filesystem::exists("/usr/sbin/nft"))
            GTEST_SKIP() << "ufw and nftables are not installed (scripts/install-deps.sh test)";
        if (::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0)
            GTEST_SKIP() << "cannot make a mount and network namespace: " << std::strerror(errno);
        ASSERT_EQ(0, ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr)) << std::strerror(errno);
        char pattern[] = "/tmp/signseek-firewall-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern));
        m_scratch = pattern;
        // The scratch folder itself is a tmpfs of this namespace: it goes with it.
        ASSERT_EQ(0, ::mount("none", m_scratch.c_str(), "tmpfs", 0, nullptr)) << std::strerror(errno);
        std::filesystem::create_directories(m_scratch + "/upper");
        std::filesystem::create_directories(m_scratch + "/work");
        const std::string options = "lowerdir=/etc,upperdir=" + m_scratch + "/upper,workdir=" + m_scratch + "/work";
        if (::mount("overlay", "/etc", "overlay", 0, options.c_str()) != 0) {
            // No overlay here: copies of what ufw writes, mounted over the originals.
            for (const char* folder : {"/etc/ufw", "/etc/default"}) {
                const std::string copy = m_scratch + folder;
                std::filesystem::create_directories(copy);
                ASSERT_EQ(0, Shell("cp -a " + std::string(folder) + "/. " + copy));
                ASSERT_EQ(0, ::mount(copy.c_str(), folder, nullptr, MS_BIND, nullptr)) << std::strerror(errno);
            }
        }
        ASSERT_EQ(0, ::mount("none", "/run", "tmpfs", 0, nullptr)) << std::strerror(errno);
        ASSERT_EQ(0, Shell("ip link set lo up"));
        // Whatever the copied configuration said, start from an inactive ufw.
        ASSERT_EQ(0, Shell("ufw --force reset && ufw disable"));
    }
    void TearDown() override
    {
        if (m_sim > 0) {
            ::kill(m_sim, SIGTERM);
            ::waitpid(m_sim, nullptr, 0);
        }
        // The folder itself is on the machine's /tmp, under this namespace's tmpfs.
        if (!m_scratch.empty() && ::umount2(m_scratch.c_str(), MNT_DETACH) == 0) ::rmdir(m_scratch.c_str());
    }

    // The row as the issue list shows it, from the product's own check.
    std::pair<std::wstring, int> Row()
    {
        CFirewallManipulator check(m_firewall);
        int ok = -1;
        std::wstring status = check.GetStatus(&ok);
        return {status, ok};
    }
    void Click() { CFirewallManipulator(m_firewall).Manipulate(); }

    std::string m_scratch;
    ProcessRunner m_runner{SYSTEM_SEARCH_PATH};
    std::ostringstream m_diagnostics;
    LinuxFirewall m_firewall{m_runner, m_diagnostics, {}};
    pid_t m_sim = -1;
};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

TEST_F(RealFirewall, UfwGivesItsRowAndTheFixOpensIt)
{
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_OFF), 1));

    // ufw as installed: deny by default.
    ASSERT_EQ(0, Shell("ufw default deny incoming && ufw --force enable"));
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_BLOCKING), 0));
    Click();
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_OPEN), 1)) << m_diagnostics.str();
    const std::string rules = Output("ufw status");
    EXPECT_NE(std::string::npos, rules.find("8000/tcp")) << rules;
    EXPECT_NE(std::string::npos, rules.find("3703:3718/udp")) << rules;

    // Allowing everything by default lets the answers in without a rule.
    ASSERT_EQ(0, Shell("ufw --force reset && ufw default allow incoming && ufw --force enable"));
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_OPEN), 1));
    // Until a rule denies the bridge ports.
    ASSERT_EQ(0, Shell("ufw deny 3710/udp"));
    EXPECT_EQ(Row().second, 0);
}

TEST_F(RealFirewall, RulesWithoutAFrontEndGiveTheirRowAndTheCommandItNamesOpensThem)
{
    // The row names the nft command, and that command works.
    ASSERT_EQ(0, Shell("nft add table inet filter && nft add chain inet filter input "
                       "'{ type filter hook input priority 0; policy drop; }' && "
                       "nft add rule inet filter input tcp dport 22 accept"));
    auto [status, ok] = Row();
    EXPECT_EQ(ok, 0);
    const std::string manual = m_firewall.ManualCommand();
    EXPECT_EQ(status, FIREWALL_STATUS_BLOCKING_BY_HAND + Wide(manual));
    EXPECT_EQ(manual, "nft insert rule inet filter input tcp dport 8000 accept && "
                      "nft insert rule inet filter input udp dport 3703-3718 accept");
    ASSERT_EQ(0, Shell(manual));
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_OPEN), 1));

    // iptables' own rules show the same way.
    ASSERT_EQ(0, Shell("nft flush ruleset && iptables -P INPUT DROP"));
    EXPECT_EQ(Row().second, 0);
    ASSERT_EQ(0, Shell("iptables -A INPUT -p tcp --dport 8000 -j ACCEPT && "
                       "iptables -A INPUT -p udp --dport 3703:3718 -j ACCEPT"));
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_OPEN), 1));
    ASSERT_EQ(0, Shell("iptables -P INPUT ACCEPT && iptables -F INPUT"));
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_OFF), 1));
}

// CAP_NET_ADMIN without root, or root whose capabilities were taken away,
// is no administrator, as ufw itself says.
TEST_F(RealFirewall, OnlyRootWithItsCapabilitiesMayChangeTheFirewall)
{
    ASSERT_EQ(0, Shell("ufw --force enable"));
    struct Case {
        const char* as;
        bool admin;
    } cases[] = {
        {"", true},
        {"setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=+net_admin --ambient-caps=+net_admin", false},
        {"setpriv --inh-caps=-all --bounding-set=-all", false},
    };
    for (const Case& c : cases) {
        const std::string prefix = std::string(c.as) + (*c.as ? " " : "");
        std::optional<Credentials> credentials = ParseProcStatus(Output(prefix + "cat /proc/self/status"));
        ASSERT_TRUE(credentials) << c.as;
        struct Fixed : CredentialSource {
            std::optional<Credentials> value;
            std::optional<Credentials> Read() const override { return value; }
        } source;
        source.value = credentials;
        EXPECT_EQ(IsAdminUser(source), c.admin) << c.as;
        EXPECT_EQ(Shell(prefix + "ufw allow 8000/tcp") == 0, c.admin) << c.as;
    }
}

// The whole way: the demo devices in a second namespace behind a veth pair,
// ufw denying by default. Red, the answers kept out; the click; green, and
// both runs find every device and the bridge again.
TEST_F(RealFirewall, BehindUfwEveryDeviceAndBridgeIsFoundAfterTheFix)
{
    ASSERT_EQ(0, Shell("ip netns add signseek-devices"));
    ASSERT_EQ(0, Shell("ip link add sgNear type veth peer name sgFar netns signseek-devices"));
    ASSERT_EQ(0, Shell("ip addr add 10.77.0.1/24 dev sgNear && ip link set sgNear up && "
                       "ip route add 224.0.0.0/4 dev sgNear"));
    const std::string far = "ip netns exec signseek-devices ";
    ASSERT_EQ(0, Shell(far + "ip addr add 10.77.0.2/24 dev sgFar && " + far + "ip link set sgFar up && " + far +
                       "ip link set lo up && " + far + "ip route add 224.0.0.0/4 dev sgFar"));

    const std::string log = m_scratch + "/sim.log";
    std::vector<std::string> args{"/usr/sbin/ip", "netns",  "exec",        "signseek-devices",
                                  SIGNSEEK_SIM,   "--demo", "--interface", "10.77.0.2",
                                  "--max-delay",  "100",    "--log",       log};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ASSERT_EQ(0, posix_spawn(&m_sim, argv[0], nullptr, nullptr, argv.data(), environ));
    usleep(500000);
    ASSERT_EQ(0, waitpid(m_sim, nullptr, WNOHANG)) << "the simulator did not start";

    auto search = [] {
        DiscoveryRequest request;
        request.listenPort = REPLY_PORT;
        request.values.discoveryTimeout = 2;
        request.values.receiveTimeout = 1;
        request.interfaceAddress = "10.77.0.1";
        RunResult bridges;
        std::thread other([&] { bridges = RunDiscovery(RunKind::Bridges, request); });
        RunResult devices = RunDiscovery(RunKind::Devices, request);
        other.join();
        // A device with several endpoints is listed under whichever answered first.
        std::set<std::string> bridgeNames;
        for (const DeviceRecord& record : bridges.records) bridgeNames.insert(record.address);
        return std::pair{std::make_pair(devices.records.size(), bridges.records.size()), bridgeNames};
    };

    const auto everything = search();
    ASSERT_EQ(everything.first, std::make_pair(std::size_t{3}, std::size_t{1}));  // without a firewall

    ASSERT_EQ(0, Shell("ufw default deny incoming && ufw --force enable"));
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_BLOCKING), 0));
    EXPECT_EQ(search().first, std::make_pair(std::size_t{0}, std::size_t{0}));

    Click();
    EXPECT_EQ(Row(), std::make_pair(std::wstring(FIREWALL_STATUS_OPEN), 1)) << m_diagnostics.str();
    EXPECT_EQ(search(), everything);
}
