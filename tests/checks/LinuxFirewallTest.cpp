#include "checks/LinuxFirewall.h"
#include "tests/checks/CheckTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace signseek;
using namespace signseek::test;
using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

namespace {

const char UFW_HEAD[] = "Status: active\nLogging: on (low)\nDefault: deny (incoming), allow (outgoing), disabled "
                        "(routed)\nNew profiles: skip\n\nTo                         Action      From\n"
                        "--                         ------      ----\n";
const char UFW_ALLOW_HEAD[] = "Status: active\nLogging: on (low)\nDefault: allow (incoming), allow (outgoing), "
                              "disabled (routed)\nNew profiles: skip\n\nTo                         Action      From\n"
                              "--                         ------      ----\n";
const std::string UFW_CLOSED = std::string(UFW_HEAD) + "22/tcp                     ALLOW IN    Anywhere\n";
const std::string UFW_OPEN =
    UFW_CLOSED + "8000/tcp                   ALLOW IN    Anywhere                   # Marvane Discovery Protocol\n"
                 "3703:3718/udp              ALLOW IN    Anywhere                   # Marvane Discovery Protocol\n"
                 "8000/tcp (v6)              ALLOW IN    Anywhere (v6)              # Marvane Discovery Protocol\n";

const char ZONE_HEAD[] = "public (active)\n  target: default\n  icmp-block-inversion: no\n  interfaces: eth0\n"
                         "  sources: \n";
std::string Zone(const std::string& services, const std::string& ports, const std::string& rich = "",
                 const std::string& head = ZONE_HEAD)
{
    return head + "  services: " + services + "\n  ports: " + ports +
           "\n  protocols: \n  forward: yes\n  masquerade: no\n  forward-ports: \n  source-ports: \n"
           "  icmp-blocks: \n  rich rules: \n" +
           rich;
}

std::string Nft(const std::string& chainBody, const std::string& family = "inet", const std::string& table = "filter",
                const std::string& chain = "input")
{
    return "table " + family + " " + table + " {\n\tchain " + chain + " {\n" + chainBody + "\t}\n}\n";
}
const char NFT_DROP[] = "\t\ttype filter hook input priority filter; policy drop;\n";
const char NFT_ACCEPT[] = "\t\ttype filter hook input priority filter; policy accept;\n";

std::wstring WidenAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

const PortOfProtocol TCP8000{"tcp", 8000}, UDP3703{"udp", 3703}, UDP3718{"udp", 3718}, UDP8000{"udp", 8000};
const std::vector<Ipv4Network> DEVICE_NET{{0x0A4D0000u, 24}};  // 10.77.0.0/24

}  // namespace

// The rules text as each tool prints it, and what it means for one port.
TEST(FirewallRules, EachToolsTextAsItPrintsIt)
{
    enum Tool { Ufw, Firewalld, NftRules };
    struct Case {
        const char* what;
        Tool tool;
        std::string text;
        PortOfProtocol port;
        bool allowed;
    } cases[] = {
        {"ufw: the exception", Ufw, UFW_OPEN, TCP8000, true},
        {"ufw: the bridge range", Ufw, UFW_OPEN, UDP3718, true},
        {"ufw: deny by default", Ufw, UFW_CLOSED, TCP8000, false},
        {"ufw: TCP only is no UDP", Ufw, UFW_CLOSED + "8000/tcp ALLOW IN Anywhere\n", UDP8000, false},
        {"ufw: both protocols", Ufw, UFW_CLOSED + "8000 ALLOW IN Anywhere\n", UDP8000, true},
        {"ufw: a range", Ufw, UFW_CLOSED + "7000:9000/tcp ALLOW IN Anywhere\n", TCP8000, true},
        {"ufw: a range not covering", Ufw, UFW_CLOSED + "8001:9000/tcp ALLOW IN Anywhere\n", TCP8000, false},
        {"ufw: a list", Ufw, UFW_CLOSED + "80,443,8000/tcp ALLOW IN Anywhere\n", TCP8000, true},
        {"ufw: limit", Ufw, UFW_CLOSED + "8000/tcp LIMIT IN Anywhere\n", TCP8000, true},
        {"ufw: everything", Ufw, UFW_CLOSED + "Anywhere ALLOW IN Anywhere\n", UDP3703, true},
        {"ufw: from the device subnet", Ufw, UFW_CLOSED + "8000/tcp ALLOW IN 10.77.0.0/24\n", TCP8000, true},
        {"ufw: from a wider net", Ufw, UFW_CLOSED + "8000/tcp ALLOW IN 10.0.0.0/8\n", TCP8000, true},
        {"ufw: from another subnet", Ufw, UFW_CLOSED + "8000/tcp ALLOW IN 10.78.0.0/24\n", TCP8000, false},
        {"ufw: from one device only", Ufw, UFW_CLOSED + "8000/tcp ALLOW IN 10.77.0.5\n", TCP8000, false},
        {"ufw: IPv6 only", Ufw, UFW_CLOSED + "8000/tcp (v6) ALLOW IN Anywhere (v6)\n", TCP8000, false},
        {"ufw: one interface", Ufw, UFW_CLOSED + "8000/tcp on eth0 ALLOW IN Anywhere\n", TCP8000, false},
        {"ufw: one address", Ufw, UFW_CLOSED + "10.0.0.5 8000/tcp ALLOW IN Anywhere\n", TCP8000, false},
        {"ufw: outgoing", Ufw, UFW_CLOSED + "8000/tcp ALLOW OUT Anywhere\n", TCP8000, false},
        {"ufw: an app profile", Ufw, UFW_CLOSED + "OpenSSH ALLOW IN Anywhere\n", TCP8000, false},
        {"ufw: the first rule wins", Ufw, UFW_CLOSED + "8000/tcp DENY IN Anywhere\n8000/tcp ALLOW IN Anywhere\n",
         TCP8000, false},
        {"ufw: allow by default", Ufw, std::string(UFW_ALLOW_HEAD) + "22/tcp ALLOW IN Anywhere\n", UDP3703, true},
        {"ufw: allow by default, the port denied", Ufw,
         std::string(UFW_ALLOW_HEAD) + "3700:3800/udp DENY IN Anywhere\n", UDP3703, false},
        {"ufw: allow by default, denied to a part of the devices' net", Ufw,
         std::string(UFW_ALLOW_HEAD) + "8000/tcp REJECT IN 10.77.0.128/25\n", TCP8000, false},
        {"ufw: allow by default, denied to others", Ufw,
         std::string(UFW_ALLOW_HEAD) + "8000/tcp DENY IN 192.168.0.0/16\n", TCP8000, true},

        {"firewalld: no port", Firewalld, Zone("dhcpv6-client ssh", ""), TCP8000, false},
        {"firewalld: the ports", Firewalld, Zone("ssh", "8000/tcp 3703-3718/udp"), UDP3718, true},
        {"firewalld: a port of the other protocol", Firewalld, Zone("ssh", "8000/udp"), TCP8000, false},
        {"firewalld: a service with the port", Firewalld, Zone("ssh signseek", ""), TCP8000, true},
        {"firewalld: a zone that accepts", Firewalld,
         Zone("", "", "", "trusted (active)\n  target: ACCEPT\n  interfaces: eth0\n"), UDP3703, true},
        {"firewalld: a zone that drops", Firewalld,
         Zone("", "", "", "drop (active)\n  target: DROP\n  interfaces: eth0\n"), UDP3703, false},
        {"firewalld: rich rule", Firewalld,
         Zone("", "", "\trule family=\"ipv4\" port port=\"8000\" protocol=\"tcp\" accept\n"), TCP8000, true},
        {"firewalld: rich rule from the device subnet", Firewalld,
         Zone("", "",
              "\trule family=\"ipv4\" source address=\"10.77.0.0/24\" port port=\"3703-3718\" protocol=\"udp\" "
              "accept\n"),
         UDP3703, true},
        {"firewalld: rich rule from elsewhere", Firewalld,
         Zone("", "",
              "\trule family=\"ipv4\" source address=\"192.168.1.0/24\" port port=\"8000\" protocol=\"tcp\" "
              "accept\n"),
         TCP8000, false},
        {"firewalld: rich rule for a service", Firewalld,
         Zone("", "", "\trule family=\"ipv4\" service name=\"signseek\" accept\n"), TCP8000, true},
        {"firewalld: rich rule that rejects", Firewalld,
         Zone("", "", "\trule family=\"ipv4\" port port=\"8000\" protocol=\"tcp\" reject\n"), TCP8000, false},
        {"firewalld: rich rule for IPv6", Firewalld,
         Zone("", "", "\trule family=\"ipv6\" port port=\"8000\" protocol=\"tcp\" accept\n"), TCP8000, false},

        {"nft: no rules, policy drop", NftRules, Nft(NFT_DROP), TCP8000, false},
        {"nft: accept-all ruleset", NftRules, Nft(NFT_ACCEPT + std::string("\t\ttcp dport 22 accept\n")), UDP3703,
         true},
        {"nft: the port", NftRules, Nft(NFT_DROP + std::string("\t\ttcp dport 8000 accept\n")), TCP8000, true},
        {"nft: a set", NftRules, Nft(NFT_DROP + std::string("\t\tudp dport { 53, 3700-3800 } accept\n")), UDP3718,
         true},
        {"nft: the other protocol", NftRules, Nft(NFT_DROP + std::string("\t\ttcp dport 3703 accept\n")), UDP3703,
         false},
        {"nft: an interface only", NftRules, Nft(NFT_DROP + std::string("\t\tiifname \"lo\" accept\n")), TCP8000,
         false},
        {"nft: established only", NftRules, Nft(NFT_DROP + std::string("\t\tct state established,related accept\n")),
         UDP3703, false},
        {"nft: a final reject", NftRules,
         Nft(NFT_ACCEPT + std::string("\t\ttcp dport { 22, 8000 } accept\n\t\treject with icmpx admin-prohibited\n")),
         UDP3703, false},
        {"nft: before the final reject", NftRules,
         Nft(NFT_ACCEPT + std::string("\t\ttcp dport { 22, 8000 } accept\n\t\treject with icmpx admin-prohibited\n")),
         TCP8000, true},
        {"iptables: policy drop, the port", NftRules,
         "# Warning: table ip filter is managed by iptables-nft, do not touch!\n" +
             Nft(NFT_DROP + std::string("\t\ttcp dport 8000 counter packets 0 bytes 0 accept\n"), "ip", "filter",
                 "INPUT"),
         TCP8000, true},
        {"iptables: from the device subnet, final reject", NftRules,
         Nft(NFT_ACCEPT + std::string("\t\tip saddr 10.77.0.0/24 udp dport 3703-3718 counter packets 0 bytes 0 "
                                      "accept\n\t\tcounter packets 0 bytes 0 reject\n"),
             "ip", "filter", "INPUT"),
         UDP3718, true},
        {"iptables: from elsewhere", NftRules,
         Nft(NFT_DROP + std::string("\t\tip saddr 10.78.0.0/24 udp dport 3703-3718 counter packets 0 bytes 0 "
                                    "accept\n"),
             "ip", "filter", "INPUT"),
         UDP3718, false},
        {"nft: a chain on another hook does not count", NftRules,
         Nft("\t\ttype filter hook forward priority filter; policy drop;\n"), TCP8000, true},
    };
    const std::map<std::string, std::vector<std::string>> services{{"ssh", {"22/tcp"}},
                                                                   {"signseek", {"8000/tcp", "3703-3718/udp"}}};
    for (const Case& c : cases) {
        bool allowed = false;
        if (c.tool == Ufw) {
            allowed = UfwAllows(c.text, c.port, DEVICE_NET);
        } else if (c.tool == Firewalld) {
            allowed = FirewalldZoneAllows(ParseFirewalldZone(c.text), services, c.port, DEVICE_NET);
        } else {
            allowed = true;
            for (const NftInputChain& chain : NftInputChains(c.text))
                allowed = allowed && NftChainAllows(chain, c.port, DEVICE_NET);
        }
        EXPECT_EQ(allowed, c.allowed) << c.what;
    }

    // Which nft rulesets are a firewall at all, and where a rule goes.
    EXPECT_TRUE(NftInputChains(Nft(NFT_DROP)).at(0).blocks);
    EXPECT_FALSE(NftInputChains(Nft(NFT_ACCEPT + std::string("\t\tip saddr 10.0.0.0/8 drop\n"))).at(0).blocks);
    std::vector<NftInputChain> chains = NftInputChains(
        Nft(NFT_ACCEPT + std::string("\t\tcounter packets 3 bytes 180 drop\n"), "ip", "filter", "INPUT"));
    ASSERT_EQ(chains.size(), 1u);
    EXPECT_TRUE(chains[0].blocks);
    EXPECT_EQ(chains[0].family + " " + chains[0].table + " " + chains[0].chain, "ip filter INPUT");
    EXPECT_TRUE(NftInputChains(Nft("\t\ttype filter hook output priority filter; policy drop;\n")).empty());

    EXPECT_EQ(FirewalldZonesOfInterfaces("home\n  interfaces: wlan0 eth1\npublic\n  interfaces: eth0\n"
                                         "trusted\n  sources: 10.0.0.0/8\n"),
              (std::map<std::string, std::string>{{"eth0", "public"}, {"eth1", "home"}, {"wlan0", "home"}}));
    EXPECT_EQ(FirewalldServicePorts("signseek\n  ports: 8000/tcp 3703-3718/udp\n  protocols: \n"),
              (Lines{"8000/tcp", "3703-3718/udp"}));
    EXPECT_EQ(FirewalldServicePorts(""), Lines{});
}

TEST(FirewallRules, NetworksAndPortLists)
{
    ASSERT_TRUE(ParseIpv4Network("10.77.0.9/24"));
    EXPECT_EQ(ParseIpv4Network("10.77.0.9/24")->address, 0x0A4D0000u);  // masked
    EXPECT_EQ(ParseIpv4Network("10.77.0.9")->prefix, 32);
    EXPECT_EQ(ParseIpv4Network("0.0.0.0/0")->address, 0u);
    for (const char* bad : {"", "10.77.0", "10.77.0.256", "10.77.0.1/33", "10..0.1", "Anywhere", "10.77.0.1/x"})
        EXPECT_FALSE(ParseIpv4Network(bad)) << bad;
    EXPECT_TRUE(SourceCovers(*ParseIpv4Network("0.0.0.0/0"), DEVICE_NET[0]));
    EXPECT_FALSE(SourceCovers(*ParseIpv4Network("10.77.0.0/25"), DEVICE_NET[0]));

    EXPECT_TRUE(PortListCovers("3703-3718", 3718));
    EXPECT_TRUE(PortListCovers("22,3700:3800", 3703));
    EXPECT_FALSE(PortListCovers("3703-3718", 3719));
    EXPECT_FALSE(PortListCovers("x-8000,8000x,:8000", 8000));

    // The exception: TCP 8000 and each bridge port.
    std::vector<PortOfProtocol> ports = ExceptionPorts();
    ASSERT_EQ(ports.size(), 17u);
    EXPECT_EQ(ports.front().protocol + std::to_string(ports.front().port), "tcp8000");
    EXPECT_EQ(ports.back().protocol + std::to_string(ports.back().port), "udp3718");
}

TEST(UfwConfig, EnabledOnlyWithYes)
{
    EXPECT_TRUE(UfwConfigEnabled("ENABLED=yes\n"));
    EXPECT_TRUE(UfwConfigEnabled("  ENABLED=\"yes\"  \r\n"));
    EXPECT_TRUE(UfwConfigEnabled("ENABLED=no\nENABLED=YES\n"));  // the last one counts
    EXPECT_FALSE(UfwConfigEnabled("ENABLED=no\n"));
    EXPECT_FALSE(UfwConfigEnabled("# ENABLED=yes\n"));
    EXPECT_FALSE(UfwConfigEnabled("XENABLED=yes\nENABLED=yesplease\n"));
    EXPECT_FALSE(UfwConfigEnabled(""));
    EXPECT_TRUE(UfwStatusIsActive(UFW_CLOSED));
    EXPECT_FALSE(UfwStatusIsActive("Status: inactive\n"));
}

namespace {

// Stand-ins for firewall-cmd, ufw and nft in a private folder that comes
// first on the search path; each records its calls in calls.log. They print
// what the real tools print, so these run the same reading as on a machine.
class FirewallTools : public ::testing::Test {
protected:
    void FirewallCmd(const std::string& body) { WriteScript(dir / "firewall-cmd", RecordCall(Log()) + body); }
    void Ufw(const std::string& body) { WriteScript(dir / "ufw", RecordCall(Log()) + body); }
    void NftTool(const std::string& body) { WriteScript(dir / "nft", RecordCall(Log()) + body); }
    std::string Log() const { return dir / "calls.log"; }
    Lines Calls() const { return LogLines(Log()); }

    LinuxFirewall Firewall(std::chrono::milliseconds query = 5s, const CredentialSource* who = nullptr)
    {
        return LinuxFirewall(runner, diagnostics, {query, 5s}, dir / "ufw.conf", who ? who : &root);
    }

    // A firewalld whose zone's listing lives in a file, so an add shows. The
    // test namespace has no adapter but loopback, so the default zone judges.
    void RunningFirewalld()
    {
        WriteFile(dir / "zone", Zone("dhcpv6-client ssh", ""));
        FirewallCmd("case \"$*\" in\n"
                    "  --state) echo running ;;\n"
                    "  --get-default-zone) echo public ;;\n"
                    "  --get-active-zones) printf 'public\\n  interfaces: eth0\\n' ;;\n"
                    "  '--zone=public --list-all') cat '" +
                    dir / "zone" +
                    "' ;;\n"
                    "  --info-service=ssh) printf 'ssh\\n  ports: 22/tcp\\n' ;;\n"
                    "  --info-service=*) echo 'Error: INVALID_SERVICE'; exit 101 ;;\n"
                    "  '--zone=public --add-port=8000/tcp --add-port=3703-3718/udp') printf '%s' \"$(cat '" +
                    dir / "open-zone" + "')\" > '" + dir / "zone" +
                    "'; echo success ;;\n"
                    "  '--permanent --zone=public --add-port=8000/tcp --add-port=3703-3718/udp') echo success ;;\n"
                    "  *) exit 2 ;;\n"
                    "esac\n");
        WriteFile(dir / "open-zone", Zone("dhcpv6-client ssh", "8000/tcp 3703-3718/udp"));
    }
    void NoFirewalld() { FirewallCmd("echo 'not running'; exit 252\n"); }

    TempFolder dir;
    ProcessRunner runner{dir.Path() + ":/usr/bin:/bin"};
    std::ostringstream diagnostics;
    FakeCredentials root{ROOT}, user{USER};
};

const char CLOSED_LINES[] =
    "Port 8000 is not open in the firewall.\nPorts 3703-3718/udp are not open in the firewall.\n";
const char OPEN_LINES[] = "Port 8000 is open in the firewall.\nPorts 3703-3718/udp are open in the firewall.\n";

}  // namespace

TEST_F(FirewallTools, FirewalldZoneWithoutTheExceptionGetsItNowAndPermanently)
{
    RunningFirewalld();
    Ufw("echo 'Status: active'\n");  // never asked while firewalld runs
    LinuxFirewall firewall = Firewall();
    EXPECT_EQ(firewall.IsFirewallOn(), 1);
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
    EXPECT_EQ(firewall.ManualCommand(), "");  // a click adds it
    std::filesystem::remove(Log());
    firewall.OpenFirewallPort();
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 1);
    const Lines read{"firewall-cmd|--state",
                     "firewall-cmd|--get-default-zone",
                     "firewall-cmd|--get-active-zones",
                     "firewall-cmd|--zone=public|--list-all",
                     "firewall-cmd|--info-service=dhcpv6-client",
                     "firewall-cmd|--info-service=ssh"};
    Lines expected = read;
    expected.push_back("firewall-cmd|--zone=public|--add-port=8000/tcp|--add-port=3703-3718/udp");
    expected.push_back("firewall-cmd|--permanent|--zone=public|--add-port=8000/tcp|--add-port=3703-3718/udp");
    expected.insert(expected.end(), read.begin(), read.end());
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(diagnostics.str(), std::string("The firewall is on.\n") + CLOSED_LINES +
                                     "Port 8000 is now open in the firewall.\n" + OPEN_LINES);

    // Already open: nothing is added.
    std::filesystem::remove(Log());
    firewall.OpenFirewallPort();
    EXPECT_EQ(Calls(), read);
}

TEST_F(FirewallTools, FirewalldForAUserWithoutRightsSaysWhatToRunAndTriesNothing)
{
    RunningFirewalld();
    LinuxFirewall firewall = Firewall(5s, &user);
    EXPECT_EQ(firewall.ManualCommand(),
              "sudo firewall-cmd --zone=public --add-port=8000/tcp --add-port=3703-3718/udp && "
              "sudo firewall-cmd --permanent --zone=public --add-port=8000/tcp --add-port=3703-3718/udp");
    std::filesystem::remove(Log());
    firewall.OpenFirewallPort();
    for (const std::string& call : Calls()) EXPECT_EQ(call.find("--add-port"), std::string::npos) << call;
    EXPECT_NE(diagnostics.str().find("To add the exception, run: sudo firewall-cmd"), std::string::npos);
}

TEST_F(FirewallTools, AFailedAddIsReportedAndNotMadePermanent)
{
    RunningFirewalld();
    FirewallCmd("case \"$*\" in\n"
                "  --state) echo running ;;\n"
                "  --get-default-zone) echo public ;;\n"
                "  '--zone=public --list-all') cat '" +
                dir / "zone" +
                "' ;;\n"
                "  --info-service=*) exit 101 ;;\n"
                "  *) echo 'Authorization failed.' >&2; exit 13 ;;\n"
                "esac\n");
    Firewall().OpenFirewallPort();
    Lines calls = Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "firewall-cmd|--zone=public|--add-port=8000/tcp|--add-port=3703-3718/udp");
    EXPECT_EQ(diagnostics.str(), "Add failed: 0x0000000d\n");
}

TEST_F(FirewallTools, UfwActiveWhenFirewalldIsNotRunning)
{
    NoFirewalld();
    std::string rules = dir / "rules";
    WriteFile(rules, UFW_CLOSED);
    WriteFile(dir / "open", UFW_OPEN);
    Ufw("case \"$1\" in status) cat '" + rules + "' ;; allow) cp '" + dir / "open" + "' '" + rules +
        "'; echo 'Rule added' ;; *) exit 2 ;; esac\n");
    LinuxFirewall firewall = Firewall();
    EXPECT_EQ(firewall.IsFirewallOn(), 1);
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
    firewall.OpenFirewallPort();
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 1);
    Lines calls = Calls();
    ASSERT_EQ(calls.size(), 10u);
    EXPECT_EQ(calls[0], "firewall-cmd|--state");
    EXPECT_EQ(calls[1], "ufw|status|verbose");
    EXPECT_EQ(calls[6], "ufw|allow|8000/tcp|comment|Marvane Discovery Protocol");
    EXPECT_EQ(calls[7], "ufw|allow|3703:3718/udp|comment|Marvane Discovery Protocol");
    EXPECT_EQ(diagnostics.str(), std::string("The firewall is on.\n") + CLOSED_LINES +
                                     "Port 8000 is now open in the firewall.\n" + OPEN_LINES);
}

TEST_F(FirewallTools, OffWhenNothingBlocksOrNothingIsInstalled)
{
    {
        NoFirewalld();
        Ufw("echo 'Status: inactive'\n");
        NftTool("printf '" + Nft(NFT_ACCEPT) + "'\n");  // an accept-all ruleset
        LinuxFirewall firewall = Firewall();
        EXPECT_EQ(firewall.IsFirewallOn(), 0);
        EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
        firewall.OpenFirewallPort();  // nothing to open
        EXPECT_EQ(Calls().size(), 9u);
        EXPECT_EQ(diagnostics.str(), std::string("The firewall is off.\n") + CLOSED_LINES);
    }
    diagnostics.str("");
    ProcessRunner empty(dir / "nothing-here");
    LinuxFirewall none(empty, diagnostics, {});
    EXPECT_EQ(none.IsFirewallOn(), 0);
    none.OpenFirewallPort();
    EXPECT_EQ(diagnostics.str(), "The firewall is off.\n");  // a missing tool is no failure
}

TEST_F(FirewallTools, NetfilterRulesWithoutAFrontEndAreOnAndSayTheNftCommand)
{
    NoFirewalld();
    Ufw("echo 'Status: inactive'\n");
    NftTool("printf '" + Nft(NFT_DROP + std::string("\t\ttcp dport 8000 accept\n")) + "'\n");
    LinuxFirewall firewall = Firewall();
    EXPECT_EQ(firewall.IsFirewallOn(), 1);
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
    EXPECT_EQ(firewall.ManualCommand(), "nft insert rule inet filter input tcp dport 8000 accept && "
                                        "nft insert rule inet filter input udp dport 3703-3718 accept");
    CFirewallManipulator check(firewall);
    int ok = -1;
    EXPECT_EQ(check.GetStatus(&ok), FIREWALL_STATUS_BLOCKING_BY_HAND +
                                        WidenAscii("nft insert rule inet filter input tcp dport 8000 accept && "
                                                   "nft insert rule inet filter input udp dport 3703-3718 accept"));
    EXPECT_EQ(ok, 0);
    std::filesystem::remove(Log());
    check.Manipulate();
    for (const std::string& call : Calls()) EXPECT_EQ(call.find("insert"), std::string::npos) << call;  // by hand only

    // Without rights nft answers nothing: off, as an unreadable firewall is.
    diagnostics.str("");
    NftTool("echo 'Error: Operation not permitted' >&2; exit 1\n");
    EXPECT_EQ(firewall.IsFirewallOn(), 0);
    EXPECT_EQ(diagnostics.str(), "nft failed: 0x00000001\nThe firewall is off.\n");
}

TEST_F(FirewallTools, HangingOrFailingToolsReadAsUnreadable)
{
    FirewallCmd("sleep 30\n");
    Ufw("echo 'ERROR: You need to be root to run this script' >&2; exit 1\n");
    LinuxFirewall firewall = Firewall(300ms);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(firewall.IsFirewallOn(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(diagnostics.str(), "firewall-cmd failed: 0x80004005\nufw failed: 0x00000001\nThe firewall is off.\n");

    // Running, but its zones cannot be read: closed.
    diagnostics.str("");
    FirewallCmd("[ \"$1\" = --state ] && echo running && exit 0\nsleep 30\n");
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
    EXPECT_EQ(diagnostics.str(), std::string("firewall-cmd failed: 0x80004005\n") + CLOSED_LINES);
}

TEST_F(FirewallTools, UfwRefusingAUserIsOnByItsConfigurationAndSaysWhatToRun)
{
    NoFirewalld();
    Ufw("echo 'ERROR: You need to be root to run this script' >&2; exit 1\n");
    WriteFile(dir / "ufw.conf",
              "# /etc/ufw/ufw.conf\n#\n\n# Set to yes to start on boot.\nENABLED=yes\nLOGLEVEL=low\n");
    LinuxFirewall firewall = Firewall(5s, &user);
    EXPECT_EQ(firewall.IsFirewallOn(), 1);
    EXPECT_EQ(firewall.IsFirewallPortOpen(), FIREWALL_PORT_UNREADABLE);
    const std::string manual = "sudo ufw allow 8000/tcp && sudo ufw allow 3703:3718/udp";
    EXPECT_EQ(firewall.ManualCommand(), manual);
    CFirewallManipulator check(firewall);
    int ok = -1;
    EXPECT_EQ(check.GetStatus(&ok), FIREWALL_STATUS_UNREADABLE_BY_HAND + WidenAscii(manual));
    EXPECT_EQ(ok, 0);
    // Nothing is tried that ufw would refuse.
    diagnostics.str("");
    std::filesystem::remove(Log());
    firewall.OpenFirewallPort();
    EXPECT_EQ(Calls(), (Lines{"firewall-cmd|--state", "ufw|status|verbose"}));
    EXPECT_EQ(diagnostics.str(), "ufw failed: 0x00000001\nTo add the exception, run: " + manual + "\n");

    // Disabled in its configuration, or no configuration: off.
    WriteFile(dir / "ufw.conf", "ENABLED=no\n");
    EXPECT_EQ(firewall.IsFirewallOn(), 0);
    std::filesystem::remove(dir / "ufw.conf");
    EXPECT_EQ(firewall.IsFirewallOn(), 0);
}
