// The load set: N devices found in each run of a search, every one distinct
// by endpoint address and by XAddrs host (a search folds one host into one device).

#include "common/TextHelpers.h"
#include "common/VendorConstants.h"
#include "sim/AnswerSource.h"
#include "sim/LoadSet.h"
#include "sim/Simulator.h"
#include "wire/NamespaceTable.h"

#include <gtest/gtest.h>
#include <set>

namespace signseek {

namespace {

sim::ReceivedProbe Probe(const std::string& types, const std::string& scopePath, bool replyTo)
{
    sim::ReceivedProbe p;
    p.sourceHost = "127.0.0.1";
    p.sourcePort = 40000;
    p.types = types;
    p.scopes = std::string(VENDOR_URI_ROOT) + scopePath;
    p.matchBy = wire::kRfc2396MatchBy;
    if (replyTo) p.replyTo = "http://127.0.0.1:8000/Discovery";
    return p;
}

// Devices that answer the probe, by endpoint address.
std::set<std::string> Answering(const std::vector<sim::Device>& devices, const sim::ReceivedProbe& p)
{
    sim::Destination to = sim::AnswerDestination(p.replyTo, p.sourceHost, p.sourcePort);
    std::set<std::string> found;
    for (const sim::Device& d : devices)
        if (sim::DeviceAnswers(d, p, to)) found.insert(d.address);
    return found;
}

TEST(SimLoadSet, EachRunFindsNDistinctDevices)
{
    for (int n : {1, 100, 1000}) {
        std::vector<sim::Device> devices = sim::LoadDevices(n);
        ASSERT_EQ(2u * n, devices.size());
        std::set<std::string> addresses, hosts;
        for (const sim::Device& d : devices) {
            addresses.insert(d.address);
            hosts.insert(HostOfUrl(d.xAddrs));
        }
        EXPECT_EQ(devices.size(), addresses.size()) << n;
        EXPECT_EQ(devices.size(), hosts.size()) << n;

        std::set<std::string> controller = Answering(devices, Probe("x8", "scopes/marvane/Ferro/X8", true));
        std::set<std::string> root = Answering(devices, Probe("", "", true));
        std::set<std::string> bridge = Answering(devices, Probe("Halden", "scopes/marvane/Halden/Bridge", false));
        EXPECT_EQ(static_cast<std::size_t>(n), controller.size()) << n;
        EXPECT_EQ(controller, root) << n;  // the HTTP run finds the controllers, and only them
        EXPECT_EQ(static_cast<std::size_t>(n), bridge.size()) << n;
        for (const std::string& a : bridge) EXPECT_EQ(0u, controller.count(a));
    }
}

// On loopback a device answers from its own XAddrs host, elsewhere from the
// simulator's interface.
TEST(SimAnswerSource, LoopbackDevicesAnswerFromTheirOwnAddress)
{
    const struct {
        const char* xAddrs;
        const char* interfaceAddress;
        const char* source;
    } cases[] = {
        {"http://127.0.0.21:81/scheduler", "127.0.0.1", "127.0.0.21"},
        {"http://[::1]/ http://127.0.0.30/", "127.0.0.1", "127.0.0.30"},
        {"http://10.0.0.5/x", "127.0.0.1", "127.0.0.1"},
        {"", "127.0.0.1", "127.0.0.1"},
        {"http://127.0.0.22/", "10.1.0.2", "10.1.0.2"},
        {"http://127.0.0.22/", "0.0.0.0", ""},
        {"http://127.0.0.22/", "lo", ""},
    };
    for (const auto& c : cases) {
        sim::Device device;
        device.xAddrs = c.xAddrs;
        EXPECT_EQ(c.source, sim::AnswerSource(device, c.interfaceAddress)) << c.xAddrs << " on " << c.interfaceAddress;
    }
}

TEST(SimLoadSet, CountOutsideTheRangeGivesNothing)
{
    EXPECT_TRUE(sim::LoadDevices(0).empty());
    EXPECT_TRUE(sim::LoadDevices(-3).empty());
    EXPECT_TRUE(sim::LoadDevices(sim::kMaxLoadCount + 1).empty());
    std::vector<sim::Device> most = sim::LoadDevices(sim::kMaxLoadCount);
    std::set<std::string> hosts;
    for (const sim::Device& d : most) hosts.insert(HostOfUrl(d.xAddrs));
    EXPECT_EQ(most.size(), hosts.size());
}

}  // namespace

}  // namespace signseek
