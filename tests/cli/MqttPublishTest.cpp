// The watch's MQTT agent against a broker in memory, and the names and
// texts it reads and writes.

#include "cli/mqtt/BrokerAddress.h"
#include "cli/mqtt/DeviceTopic.h"
#include "cli/mqtt/FleetDevices.h"
#include "cli/mqtt/FleetReader.h"
#include "cli/mqtt/WatchPublisher.h"
#include "present/ResultPrinter.h"
#include "tests/cli/FakeBroker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace signseek {

namespace {

// Until the condition holds, for at most five seconds.
bool Eventually(const std::function<bool()>& condition)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

struct Agent {
    std::shared_ptr<FakeBroker> broker = std::make_shared<FakeBroker>();
    std::mutex noticesMutex;
    std::vector<std::string> notices;
    std::unique_ptr<WatchPublisher> publisher;

    explicit Agent(PublisherSettings settings = {}, std::map<std::string, std::string> retained = {})
    {
        broker->retained = std::move(retained);
        settings.root = "fleet/north";
        settings.brokerName = "broker:1883";
        settings.firstRetryMillis = 5;
        settings.lastRetryMillis = 20;
        publisher = std::make_unique<WatchPublisher>(std::make_unique<FakeLink>(broker), settings,
                                                     [this](const std::string& line) {
                                                         std::lock_guard lock(noticesMutex);
                                                         notices.push_back(line);
                                                     });
        publisher->Start();
    }
    void SetUp(bool up)
    {
        std::lock_guard lock(broker->mutex);
        broker->up = up;
        if (!up) broker->retained.clear();  // a broker that forgets
    }
    int NoticesWith(const std::string& part)
    {
        std::lock_guard lock(noticesMutex);
        return static_cast<int>(std::count_if(notices.begin(), notices.end(),
                                              [&](const std::string& n) { return n.find(part) != std::string::npos; }));
    }
};

const std::string kA = "fleet/north/devices/a";
const std::string kB = "fleet/north/devices/b";
const std::string kC = "fleet/north/devices/c";
const std::string kStatus = "fleet/north/status";

TEST(WatchPublisher, BrokerBackGetsEveryDevicesLatestStateAndNoLostOne)
{
    Agent agent;
    agent.publisher->Tell("a", "{\"a\":1}", "found a");
    agent.publisher->Tell("b", "{\"b\":1}", "found b");
    using Map = std::map<std::string, std::string>;
    ASSERT_TRUE(Eventually([&] {
        return agent.broker->Retained() == Map{{kA, "{\"a\":1}"}, {kB, "{\"b\":1}"}, {kStatus, "online"}};
    }));

    agent.SetUp(false);
    ASSERT_TRUE(Eventually([&] { return agent.NoticesWith("lost the broker broker:1883") == 1; }));
    agent.publisher->Tell("a", "{\"a\":2}", "changed a");
    agent.publisher->Tell("b", "", "lost b");
    agent.publisher->Tell("c", "{\"c\":1}", "found c");
    agent.publisher->Tell("c", "{\"c\":2}", "changed c");
    agent.SetUp(true);

    EXPECT_TRUE(Eventually([&] {
        return agent.broker->Retained() == Map{{kA, "{\"a\":2}"}, {kC, "{\"c\":2}"}, {kStatus, "online"}};
    })) << "retained: "
        << agent.broker->Retained().size();
    EXPECT_TRUE(Eventually([&] { return agent.NoticesWith("is back") == 1; }));
    EXPECT_TRUE(Eventually([&] { return agent.publisher->Idle(); }));
    std::lock_guard lock(agent.broker->mutex);
    EXPECT_EQ((std::vector<std::string>{"found a", "found b", "changed a", "lost b", "found c", "changed c"}),
              agent.broker->events);
}

TEST(WatchPublisher, DevicesAnEarlierRunLeftAreClearedWhenTheWatchNoLongerListsThem)
{
    PublisherSettings settings;
    settings.staleAfterMillis = 300;
    Agent agent(settings, {{kA, "{\"a\":0}"}, {kB, "{\"b\":0}"}, {"fleet/south/devices/x", "{}"}});
    agent.publisher->Tell("a", "{\"a\":1}", "found a");
    using Map = std::map<std::string, std::string>;
    EXPECT_TRUE(Eventually([&] {
        return agent.broker->Retained() == Map{{kA, "{\"a\":1}"}, {"fleet/south/devices/x", "{}"}, {kStatus, "online"}};
    }));
    EXPECT_EQ(1, agent.NoticesWith("cleared 1 devices an earlier run left"));
}

TEST(WatchPublisher, StoppingSaysOfflineAfterHandingOverWhatWaits)
{
    Agent agent;
    ASSERT_TRUE(Eventually([&] { return agent.broker->Retained().count(kStatus) == 1; }));
    for (int i = 0; i < 500; ++i) agent.publisher->Tell("d" + std::to_string(i), "{}", "found");
    agent.publisher->Stop();
    const auto retained = agent.broker->Retained();
    EXPECT_EQ(501u, retained.size());
    EXPECT_EQ("offline", retained.at(kStatus));
}

TEST(WatchPublisher, RefusingBrokerIsSaidOnceAndNeverHoldsTheWatch)
{
    PublisherSettings settings;
    settings.maxEvents = 100;
    settings.maxDevices = 50;
    Agent agent(settings);
    {
        std::lock_guard lock(agent.broker->mutex);
        agent.broker->refuse = true;
    }
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 20000; ++i) agent.publisher->Tell("d" + std::to_string(i % 80), "{}", "event");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard lock(agent.broker->mutex);
        return agent.broker->connects > 3;
    }));
    EXPECT_EQ(1, agent.NoticesWith("the broker refused the connection: not authorised."));
    EXPECT_EQ(1, agent.NoticesWith("more devices than the publisher keeps (50)"));
    const WatchPublisher::Counters counters = agent.publisher->Count();
    EXPECT_EQ(20000u - 100u, counters.droppedEvents);
    EXPECT_EQ(30u * 20000u / 80u, counters.droppedDevices);
    EXPECT_EQ(0u, counters.published);
}

struct AddressCase {
    const char* text;
    bool valid;
    bool tls = false;
    const char* user = "";
    const char* password = "";
    const char* host = "";
    int port = 0;
    const char* path = "";
};

// Names each case by its text (control bytes as \xNN), not by its bytes in memory.
void PrintTo(const AddressCase& c, std::ostream* os)
{
    for (const char* p = c.text; *p; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte >= 0x20 && byte < 0x7F) {
            *os << *p;
        } else {
            const char digits[] = "0123456789ABCDEF";
            *os << "\\x" << digits[byte >> 4] << digits[byte & 15];
        }
    }
}

class BrokerAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(BrokerAddressTest, Parses)
{
    const AddressCase& c = GetParam();
    ParsedBrokerAddress parsed = ParseBrokerAddress(c.text);
    ASSERT_EQ(c.valid, parsed.address.has_value()) << parsed.error;
    if (!c.valid) {
        EXPECT_FALSE(parsed.error.empty());
        return;
    }
    EXPECT_EQ(c.tls, parsed.address->tls);
    EXPECT_EQ(c.user, parsed.address->user);
    EXPECT_EQ(c.password, parsed.address->password);
    EXPECT_EQ(c.host, parsed.address->host);
    EXPECT_EQ(c.port, parsed.address->port);
    EXPECT_EQ(c.path, parsed.address->path);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, BrokerAddressTest,
    ::testing::Values(AddressCase{"mqtt://broker/fleet", true, false, "", "", "broker", 1883, "fleet"},
                      AddressCase{"mqtts://broker/fleet", true, true, "", "", "broker", 8883, "fleet"},
                      AddressCase{"mqtt://ops:p%40ss:w@10.0.0.1:1884/a/b", true, false, "ops", "p@ss:w", "10.0.0.1",
                                  1884, "a/b"},
                      AddressCase{"mqtt://[::1]:99/x", true, false, "", "", "::1", 99, "x"},
                      AddressCase{"http://broker/fleet", false}, AddressCase{"mqtt:///fleet", false},
                      AddressCase{"mqtt://broker", false}, AddressCase{"mqtt://broker/", false},
                      AddressCase{"mqtt://broker:0/x", false}, AddressCase{"mqtt://broker:65536/x", false},
                      AddressCase{"mqtt://broker:1x/x", false}, AddressCase{"mqtt://broker/a//b", false},
                      AddressCase{"mqtt://broker/a/+", false}, AddressCase{"mqtt://broker/#", false},
                      AddressCase{"mqtt://broker/$SYS", false}, AddressCase{"mqtt://broker/a\tb", false},
                      AddressCase{"mqtt://u:%4@broker/x", false}, AddressCase{"mqtt://:pw@broker/x", false}));

TEST(DeviceTopicId, StableSafeAndApartPerAdapter)
{
    DeviceRecord record;
    record.address = "urn:uuid:1/+#\x01 \xff";
    const std::string byAddress = DeviceTopicId(record, "10.0.0.1");
    EXPECT_TRUE(IsSafeTopicLevel(byAddress)) << byAddress;
    EXPECT_EQ(byAddress, DeviceTopicId(record, "10.0.0.1"));
    record.xAddrs = "http://10.1.2.3:80/a";
    const std::string byHost = DeviceTopicId(record, "10.0.0.1");
    EXPECT_TRUE(byHost.starts_with("10.1.2.3-")) << byHost;
    // A media player answers from another endpoint next time, or by Hello: still the same device.
    record.address = "urn:uuid:2";
    record.adapter = "10.0.0.1";
    EXPECT_EQ(byHost, DeviceTopicId(record, "10.0.0.1"));
    EXPECT_NE(byHost, DeviceTopicId(record, "10.0.0.2"));
    EXPECT_EQ("----", SiteFromHostName("$/+#"));
    EXPECT_EQ("site", SiteFromHostName(""));
    EXPECT_EQ("lobby-7.example", SiteFromHostName("lobby 7.example"));
}

TEST(SiteOfDeviceTopic, ReadsThePrefixOrTheSite)
{
    EXPECT_EQ("north", SiteOfDeviceTopic("fleet", "fleet/north/devices/x"));
    EXPECT_EQ("north", SiteOfDeviceTopic("fleet/north", "fleet/north/devices/x"));
    EXPECT_EQ("", SiteOfDeviceTopic("fleet", "fleet/north/events"));
    EXPECT_EQ("", SiteOfDeviceTopic("fleet", "fleetx/north/devices/x"));
    EXPECT_EQ("", SiteOfDeviceTopic("fleet", "fleet/north/devices/x/y"));
}

TEST(DeviceFromJson, ReadsBackWhatThePublisherWrote)
{
    FoundDevice device{"bridges", {}};
    DeviceRecord& r = device.record;
    r.address = "urn:uuid:caf\xe9";
    r.types = "Halden";
    r.scopes = "http://schemas.marvane.com/scopes/marvane/Halden/Bridge";
    r.xAddrs = "http://10.0.0.9:80/";
    r.metadataVersion = 7;
    r.metadata = {"<Description>Lobby \xc3\xa9</Description>", "<MAC>00-11</MAC>"};
    r.sourceAddress = "10.0.0.9";
    r.adapter = "10.0.0.1";
    std::optional<FoundDevice> read = DeviceFromJson(FormatJsonDevice(device), "north");
    ASSERT_TRUE(read);
    EXPECT_EQ(r, read->record);
    EXPECT_EQ("bridges", read->run);
    EXPECT_EQ("north", read->site);

    for (const char* bad :
         {"", "[]", "{\"address\":1}", "{\"types\":\"x\"}", "{", "{\"address\":\"a\",\"m\":[[[[1]]]]}"})
        EXPECT_FALSE(DeviceFromJson(bad, "north")) << bad;
}

}  // namespace

}  // namespace signseek
