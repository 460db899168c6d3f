#include "checks/LinuxFirewall.h"
#include "tests/checks/CheckTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace signseek;
using namespace signseek::test;
using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

namespace {

const char UFW_ACTIVE_OPEN[] =
    "Status: active\n\nTo                         Action      From\n--                         ------      ----\n"
    "22/tcp                     ALLOW       Anywhere\n"
    "8000/tcp                   ALLOW       Anywhere                   # Marvane Discovery Protocol\n"
    "8000/tcp (v6)              ALLOW       Anywhere (v6)              # Marvane Discovery Protocol\n";
const char UFW_ACTIVE_CLOSED[] =
    "Status: active\n\nTo                         Action      From\n--                         ------      ----\n"
    "22/tcp                     ALLOW       Anywhere\n";

// Stand-ins for firewall-cmd and ufw in a private folder that comes first on
// the search path; each records its calls in calls.log.
class FirewallTools : public ::testing::Test {
protected:
    void FirewallCmd(const std::string& body) { WriteScript(dir / "firewall-cmd", RecordCall(Log()) + body); }
    void Ufw(const std::string& body) { WriteScript(dir / "ufw", RecordCall(Log()) + body); }
    std::string Log() const { return dir / "calls.log"; }
    Lines Calls() const { return LogLines(Log()); }

    LinuxFirewall Firewall(std::chrono::milliseconds query = 5s)
    {
        return LinuxFirewall(runner, diagnostics, {query, 5s}, dir / "ufw.conf");
    }

    // A firewalld whose port state lives in a file, so an add shows.
    void RunningFirewalld()
    {
        std::string state = dir / "port-open";
        FirewallCmd("case \"$*\" in\n"
                    "  --state) echo running ;;\n"
                    "  --query-port=8000/tcp) if [ -e '" +
                    state +
                    "' ]; then echo yes; else echo no; exit 1; fi ;;\n"
                    "  --add-port=8000/tcp) touch '" +
                    state +
                    "'; echo success ;;\n"
                    "  '--permanent --add-port=8000/tcp') echo success ;;\n"
                    "  *) exit 2 ;;\n"
                    "esac\n");
    }

    TempFolder dir;
    ProcessRunner runner{dir.Path() + ":/usr/bin:/bin"};
    std::ostringstream diagnostics;
};

}  // namespace

TEST_F(FirewallTools, FirewalldRunningWithThePortClosedGetsItOpenedNowAndPermanently)
{
    RunningFirewalld();
    Ufw("echo 'Status: active'\n");  // never asked while firewalld runs
    LinuxFirewall firewall = Firewall();
    EXPECT_EQ(firewall.IsFirewallOn(), 1);
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
    firewall.OpenFirewallPort();
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 1);
    EXPECT_EQ(Calls(), (Lines{"firewall-cmd|--state", "firewall-cmd|--state", "firewall-cmd|--query-port=8000/tcp",
                              "firewall-cmd|--state", "firewall-cmd|--query-port=8000/tcp",
                              "firewall-cmd|--add-port=8000/tcp", "firewall-cmd|--permanent|--add-port=8000/tcp",
                              "firewall-cmd|--state", "firewall-cmd|--query-port=8000/tcp"}));
    EXPECT_EQ(diagnostics.str(),
              "The firewall is on.\nPort 8000 is not open in the firewall.\nPort 8000 is not open in the firewall.\n"
              "Port 8000 is now open in the firewall.\nPort 8000 is open in the firewall.\n");

    // Already open: nothing is added.
    std::filesystem::remove(Log());
    firewall.OpenFirewallPort();
    EXPECT_EQ(Calls(), (Lines{"firewall-cmd|--state", "firewall-cmd|--query-port=8000/tcp"}));
}

TEST_F(FirewallTools, AFailedAddIsReportedAndNotMadePermanent)
{
    FirewallCmd("case \"$1\" in --state) echo running ;; --query-port=*) echo no; exit 1 ;;"
                " *) echo 'Authorization failed.' >&2; exit 13 ;; esac\n");
    Firewall().OpenFirewallPort();
    EXPECT_EQ(Calls(), (Lines{"firewall-cmd|--state", "firewall-cmd|--query-port=8000/tcp",
                              "firewall-cmd|--add-port=8000/tcp"}));
    EXPECT_EQ(diagnostics.str(), "Port 8000 is not open in the firewall.\nAdd failed: 0x0000000d\n");
}

TEST_F(FirewallTools, UfwActiveWhenFirewalldIsNotRunning)
{
    FirewallCmd("echo 'not running'; exit 252\n");
    std::string rules = dir / "rules";
    WriteFile(rules, UFW_ACTIVE_CLOSED);
    Ufw("case \"$1\" in status) cat '" + rules + "' ;; allow) cp '" + dir / "open" + "' '" + rules +
        "'; echo 'Rule added' ;; *) exit 2 ;; esac\n");
    WriteFile(dir / "open", UFW_ACTIVE_OPEN);
    LinuxFirewall firewall = Firewall();
    EXPECT_EQ(firewall.IsFirewallOn(), 1);
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
    firewall.OpenFirewallPort();
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 1);
    Lines calls = Calls();
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[0], "firewall-cmd|--state");
    EXPECT_EQ(calls[1], "ufw|status");
    EXPECT_EQ(calls[6], "ufw|allow|8000/tcp|comment|Marvane Discovery Protocol");
    EXPECT_EQ(diagnostics.str(),
              "The firewall is on.\nPort 8000 is not open in the firewall.\nPort 8000 is not open in the firewall.\n"
              "Port 8000 is now open in the firewall.\nPort 8000 is open in the firewall.\n");
}

TEST_F(FirewallTools, OffWhenNeitherRunsOrNeitherIsInstalled)
{
    {
        FirewallCmd("echo 'not running'; exit 252\n");
        Ufw("echo 'Status: inactive'\n");
        LinuxFirewall firewall = Firewall();
        EXPECT_EQ(firewall.IsFirewallOn(), 0);
        EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
        firewall.OpenFirewallPort();  // nothing to open
        EXPECT_EQ(Calls().size(), 6u);
        EXPECT_EQ(diagnostics.str(), "The firewall is off.\nPort 8000 is not open in the firewall.\n");
    }
    diagnostics.str("");
    ProcessRunner empty(dir / "nothing-here");
    LinuxFirewall none(empty, diagnostics, {});
    EXPECT_EQ(none.IsFirewallOn(), 0);
    none.OpenFirewallPort();
    EXPECT_EQ(diagnostics.str(), "The firewall is off.\n");  // a missing tool is no failure
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

    // Running, but the port query hangs: the port counts as closed.
    diagnostics.str("");
    FirewallCmd("[ \"$1\" = --state ] && echo running && exit 0\nsleep 30\n");
    EXPECT_EQ(firewall.IsFirewallPortOpen(), 0);
    EXPECT_EQ(diagnostics.str(), "firewall-cmd failed: 0x80004005\nPort 8000 is not open in the firewall.\n");
}

TEST_F(FirewallTools, UfwRefusingAUserIsOnByItsConfigurationWithRulesThatCannotBeRead)
{
    FirewallCmd("echo 'not running'; exit 252\n");
    Ufw("case \"$1\" in status) echo 'ERROR: You need to be root to run this script' >&2; exit 1 ;;"
        " allow) echo 'ERROR: You need to be root to run this script' >&2; exit 1 ;; esac\n");
    WriteFile(dir / "ufw.conf",
              "# /etc/ufw/ufw.conf\n#\n\n# Set to yes to start on boot.\nENABLED=yes\nLOGLEVEL=low\n");
    LinuxFirewall firewall = Firewall();
    EXPECT_EQ(firewall.IsFirewallOn(), 1);
    EXPECT_EQ(firewall.IsFirewallPortOpen(), FIREWALL_PORT_UNREADABLE);
    CFirewallManipulator check(firewall);
    int ok = -1;
    EXPECT_EQ(check.GetStatus(&ok), FIREWALL_STATUS_UNREADABLE);
    EXPECT_EQ(ok, 0);
    // The add is tried, and refused.
    diagnostics.str("");
    firewall.OpenFirewallPort();
    EXPECT_EQ(diagnostics.str(),
              "ufw failed: 0x00000001\nThe firewall's rules cannot be read.\nAdd failed: 0x00000001\n");

    // Disabled in its configuration, or no configuration: off.
    WriteFile(dir / "ufw.conf", "ENABLED=no\n");
    EXPECT_EQ(firewall.IsFirewallOn(), 0);
    std::filesystem::remove(dir / "ufw.conf");
    EXPECT_EQ(firewall.IsFirewallOn(), 0);
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
}

TEST(UfwStatus, ActiveAndTheRulesThatOpenTcp8000)
{
    EXPECT_TRUE(UfwStatusIsActive(UFW_ACTIVE_CLOSED));
    EXPECT_FALSE(UfwStatusIsActive("Status: inactive\n"));
    EXPECT_FALSE(UfwStatusIsActive(""));

    auto allows = [](const std::string& rule) {
        return UfwStatusAllowsPort("Status: active\n\nTo Action From\n-- ------ ----\n" + rule + "\n", 8000);
    };
    EXPECT_TRUE(UfwStatusAllowsPort(UFW_ACTIVE_OPEN, 8000));
    EXPECT_FALSE(UfwStatusAllowsPort(UFW_ACTIVE_CLOSED, 8000));
    EXPECT_TRUE(allows("8000                       ALLOW       Anywhere"));  // both protocols
    EXPECT_TRUE(allows("8000/tcp                   ALLOW IN    Anywhere"));
    EXPECT_TRUE(allows("7000:9000/tcp              ALLOW       Anywhere"));
    EXPECT_TRUE(allows("80,443,8000/tcp            ALLOW       Anywhere"));
    EXPECT_TRUE(allows("8000/tcp                   LIMIT       Anywhere"));
    EXPECT_TRUE(allows("Anywhere                   ALLOW       Anywhere"));
    EXPECT_FALSE(allows("8000/udp                   ALLOW       Anywhere"));
    EXPECT_FALSE(allows("3702/tcp                   ALLOW       Anywhere"));
    EXPECT_FALSE(allows("8001:9000/tcp              ALLOW       Anywhere"));
    EXPECT_FALSE(allows("8000/tcp (v6)              ALLOW       Anywhere (v6)"));
    EXPECT_FALSE(allows("8000/tcp on eth0           ALLOW       Anywhere"));
    EXPECT_FALSE(allows("10.0.0.5 8000/tcp          ALLOW       Anywhere"));
    EXPECT_FALSE(allows("8000/tcp                   ALLOW       10.0.0.0/8"));
    EXPECT_FALSE(allows("8000/tcp                   ALLOW OUT   Anywhere"));
    EXPECT_FALSE(allows("8000/tcp                   DENY        Anywhere\n8000/tcp ALLOW Anywhere"));  // first wins
    EXPECT_TRUE(allows("8000/tcp                   ALLOW       Anywhere\n8000/tcp DENY Anywhere"));
    EXPECT_FALSE(allows("OpenSSH                    ALLOW       Anywhere"));
}
