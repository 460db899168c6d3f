// Scenario files: a full device read back field by field, and bad files that
// must give a message naming the place of the fault.

#include "sim/Scenario.h"
#include "sim/Presence.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace signseek {

namespace {

TEST(SimScenario, FullDeviceIsReadInFileOrder)
{
    sim::ScenarioResult r = sim::ParseScenario(R"({"devices": [
      {"address": "urn:uuid:1", "types": ["x8", "tns:y"], "scopes": "http://a/x http://b/",
       "xAddrs": "http://10.0.0.5:80/", "metadataVersion": 4294967295,
       "extensions": {"Width": 1920, "Description": "Caf\u00e9 <Lobby>", "Height": "1080"},
       "answer": "udp", "hello": true, "maxDelayMs": 20,
       "schedule": {"afterMs": 100, "stayMs": 2000, "awayMs": 500}},
      {"address": "urn:uuid:2", "schedule": {"stayMs": 1}}
    ]})");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(2u, r.devices.size());
    const sim::Device& d = r.devices[0];
    EXPECT_EQ("urn:uuid:1", d.address);
    EXPECT_EQ("x8 tns:y", d.types);
    EXPECT_EQ("http://a/x http://b/", d.scopes);
    EXPECT_EQ("http://10.0.0.5:80/", d.xAddrs);
    EXPECT_EQ(4294967295u, d.metadataVersion);
    using Item = std::pair<std::string, std::string>;
    EXPECT_EQ((std::vector<Item>{{"Width", "1920"}, {"Description", "Caf\xE9 <Lobby>"}, {"Height", "1080"}}),
              d.extensions);
    EXPECT_EQ(sim::AnswerMode::UdpOnly, d.answer);
    EXPECT_TRUE(d.hello);
    EXPECT_EQ(20, d.maxDelayMs);
    ASSERT_TRUE(d.schedule);
    EXPECT_EQ(100, d.schedule->afterMs);
    EXPECT_EQ(2000, d.schedule->stayMs);
    EXPECT_EQ(500, d.schedule->awayMs);

    const sim::Device& plain = r.devices[1];
    EXPECT_EQ("", plain.types);
    EXPECT_EQ(1u, plain.metadataVersion);
    EXPECT_EQ(sim::AnswerMode::Auto, plain.answer);
    EXPECT_FALSE(plain.hello);
    EXPECT_FALSE(plain.maxDelayMs.has_value());
    ASSERT_TRUE(plain.schedule);
    EXPECT_EQ(0, plain.schedule->afterMs);
    EXPECT_FALSE(plain.schedule->awayMs);
}

TEST(SimScenario, BadFilesNameTheFault)
{
    struct Case {
        const char* json;
        const char* message;  // part of the error text
    } cases[] = {
        {"", "not valid JSON"},
        {"{\"devices\": [", "not valid JSON"},
        {"{\"devices\": [{\"address\": \"a\",}]}", "not valid JSON"},
        {"[]", "expected an object with a \"devices\" array"},
        {"{\"devices\": {}}", "expected an object with a \"devices\" array"},
        {"{\"devices\": [], \"extra\": 1}", "scenario.extra: unknown field"},
        {"{\"devices\": [7]}", "devices[0]: expected an object"},
        {"{\"devices\": [{}]}", "devices[0]: missing \"address\""},
        {"{\"devices\": [{\"address\": \"\"}]}", "devices[0].address: must not be empty"},
        {"{\"devices\": [{\"address\": 5}]}", "devices[0].address: expected a string"},
        {"{\"devices\": [{\"address\": \"a\"}, {\"address\": \"a\"}]}", "devices[1].address: \"a\" is used twice"},
        {"{\"devices\": [{\"address\": \"a\", \"adress\": \"b\"}]}", "devices[0].adress: unknown field"},
        {"{\"devices\": [{\"address\": \"a\", \"types\": [\"x8\", 3]}]}", "devices[0].types[1]: expected a string"},
        {"{\"devices\": [{\"address\": \"a\", \"scopes\": [\"a b\"]}]}", "devices[0].scopes[0]: an item must be"},
        {"{\"devices\": [{\"address\": \"a\", \"xAddrs\": {}}]}", "devices[0].xAddrs: expected a string or an array"},
        {"{\"devices\": [{\"address\": \"a\", \"metadataVersion\": -1}]}", "metadataVersion: out of range"},
        {"{\"devices\": [{\"address\": \"a\", \"metadataVersion\": 4294967296}]}", "metadataVersion: out of range"},
        {"{\"devices\": [{\"address\": \"a\", \"metadataVersion\": 1.5}]}", "metadataVersion: expected an integer"},
        {"{\"devices\": [{\"address\": \"a\", \"extensions\": {\"Name\": \"x\"}}]}",
         "devices[0].extensions.Name: unknown extension element"},
        {"{\"devices\": [{\"address\": \"a\", \"extensions\": {\"Height\": [1]}}]}",
         "extensions.Height: expected a string or an integer"},
        {"{\"devices\": [{\"address\": \"a\", \"extensions\": []}]}", "extensions: expected an object"},
        {"{\"devices\": [{\"address\": \"\\u20ac\"}]}", "devices[0].address: text must be valid UTF-8"},
        {"{\"devices\": [{\"address\": \"a\", \"answer\": \"tcp\"}]}", "devices[0].answer: expected \"auto\""},
        {"{\"devices\": [{\"address\": \"a\", \"hello\": 1}]}", "devices[0].hello: expected true or false"},
        {"{\"devices\": [{\"address\": \"a\", \"maxDelayMs\": 70000}]}", "maxDelayMs: out of range 0..60000"},
        {"{\"devices\": [{\"address\": \"a\", \"schedule\": 5}]}", "devices[0].schedule: expected an object"},
        {"{\"devices\": [{\"address\": \"a\", \"schedule\": {}}]}", "devices[0].schedule: missing \"stayMs\""},
        {"{\"devices\": [{\"address\": \"a\", \"schedule\": {\"stayMs\": 0}}]}", "schedule.stayMs: out of range 1.."},
        {"{\"devices\": [{\"address\": \"a\", \"schedule\": {\"stayMs\": 1, \"awayMs\": 0}}]}",
         "schedule.awayMs: out of range 1.."},
        {"{\"devices\": [{\"address\": \"a\", \"schedule\": {\"stayMs\": 1, \"afterMs\": -1}}]}",
         "schedule.afterMs: out of range 0.."},
        {"{\"devices\": [{\"address\": \"a\", \"schedule\": {\"stayMs\": 1, \"every\": 2}}]}",
         "devices[0].schedule.every: unknown field"},
    };
    for (const Case& c : cases) {
        sim::ScenarioResult r = sim::ParseScenario(c.json);
        EXPECT_FALSE(r.ok()) << c.json;
        EXPECT_NE(std::string::npos, r.error.find(c.message)) << c.json << " gave: " << r.error;
        EXPECT_TRUE(r.devices.empty()) << c.json;
    }
}

TEST(SimScenario, ScheduledDevicesComeAndGoByTheClock)
{
    using std::chrono::milliseconds;
    sim::Device always;
    EXPECT_TRUE(sim::PresentAt(always, milliseconds(0)));
    EXPECT_FALSE(sim::NextChange(always, milliseconds(0)));

    sim::Device cycling;
    cycling.schedule = sim::Schedule{100, 50, 30};  // away 0..99, then here 50, away 30, here 50, ...
    EXPECT_FALSE(sim::PresentAt(cycling, milliseconds(99)));
    EXPECT_TRUE(sim::PresentAt(cycling, milliseconds(100)));
    EXPECT_TRUE(sim::PresentAt(cycling, milliseconds(149)));
    EXPECT_FALSE(sim::PresentAt(cycling, milliseconds(150)));
    EXPECT_FALSE(sim::PresentAt(cycling, milliseconds(179)));
    EXPECT_TRUE(sim::PresentAt(cycling, milliseconds(180)));
    EXPECT_TRUE(sim::PresentAt(cycling, milliseconds(100 + 80 * 1000)));
    EXPECT_EQ(milliseconds(100), sim::NextChange(cycling, milliseconds(0)));
    EXPECT_EQ(milliseconds(150), sim::NextChange(cycling, milliseconds(100)));
    EXPECT_EQ(milliseconds(180), sim::NextChange(cycling, milliseconds(150)));
    EXPECT_EQ(milliseconds(180 + 50), sim::NextChange(cycling, milliseconds(200)));

    // Without awayMs a device leaves once and does not come back.
    sim::Device once;
    once.schedule = sim::Schedule{0, 40, std::nullopt};
    EXPECT_TRUE(sim::PresentAt(once, milliseconds(39)));
    EXPECT_FALSE(sim::PresentAt(once, milliseconds(40)));
    EXPECT_FALSE(sim::PresentAt(once, milliseconds(1000000)));
    EXPECT_EQ(milliseconds(40), sim::NextChange(once, milliseconds(10)));
    EXPECT_FALSE(sim::NextChange(once, milliseconds(40)));
}

TEST(SimScenario, DeeplyNestedJsonIsAnErrorNotACrash)
{
    std::string deep(100000, '[');
    sim::ScenarioResult r = sim::ParseScenario("{\"devices\": " + deep);
    EXPECT_NE(std::string::npos, r.error.find("not valid JSON"));
}

TEST(SimScenario, Files)
{
    EXPECT_EQ("cannot read scenario file /nonexistent/x.json", sim::LoadScenarioFile("/nonexistent/x.json").error);
    char path[] = "/tmp/sim-scenario-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << "{\"devices\": [{\"address\": 1}]}";
    EXPECT_EQ(std::string(path) + ": devices[0].address: expected a string", sim::LoadScenarioFile(path).error);
    std::remove(path);

    sim::ScenarioResult r = sim::LoadScenarioFile(SIGNSEEK_SIM_EXAMPLE);  // the shipped example
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(2u, r.devices.size());
    EXPECT_EQ("Halden telnet", r.devices[1].types);
    EXPECT_EQ(sim::AnswerMode::UdpOnly, r.devices[1].answer);
}

}  // namespace

}  // namespace signseek
