// The simulator's command line: defaults, every option, and refusals.

#include "sim/CommandLine.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {

sim::CommandLine Parse(std::vector<std::string> args) { return sim::ParseCommandLine(args); }

TEST(SimCommandLine, DefaultsAndOptions)
{
    sim::CommandLine c = Parse({"--demo"});
    ASSERT_EQ("", c.error);
    EXPECT_EQ("127.0.0.1", c.sim.interfaceAddress);
    EXPECT_EQ(3702, c.sim.port);
    EXPECT_EQ(500, c.sim.maxDelayMs);
    EXPECT_TRUE(c.sim.announce);
    EXPECT_FALSE(c.durationSeconds.has_value());
    EXPECT_EQ("", c.logFile);

    c = Parse({"--count", "1000", "--port", "13702", "--max-delay", "0", "--duration", "30", "--no-announce"});
    ASSERT_EQ("", c.error);
    EXPECT_FALSE(c.sim.announce);
    EXPECT_EQ(1000, c.count);
    EXPECT_EQ(13702, c.sim.port);
    EXPECT_EQ(0, c.sim.maxDelayMs);
    EXPECT_EQ(30, c.durationSeconds);
    c = Parse({"--scenario", "devices.json"});
    EXPECT_EQ("devices.json", c.scenarioFile);
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_EQ("", Parse({"--help"}).error);
    EXPECT_TRUE(Parse({"--version"}).version);
    EXPECT_TRUE(Parse({"-V"}).version);
    EXPECT_EQ("", Parse({"--version"}).error);
}

TEST(SimCommandLine, Refusals)
{
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "exactly one of"},
        {{"--demo", "--count", "5"}, "exactly one of"},
        {{"--demo", "--verbose"}, "unknown option \"--verbose\""},
        {{"--count"}, "--count needs a number"},
        {{"--count", "0"}, "--count needs a number"},
        {{"--count", "12x"}, "--count needs a number"},
        {{"--count", "65001"}, "--count needs a number"},
        {{"--demo", "--port", "70000"}, "--port needs"},
        {{"--demo", "--interface", "localhost"}, "--interface needs a dotted IPv4 address"},
        {{"--demo", "--max-delay", "-1"}, "--max-delay needs"},
        {{"--demo", "--duration", "0"}, "--duration needs"},
        {{"--demo", "--workers", "0"}, "--workers needs"},
        {{"--scenario"}, "--scenario needs a file name"},
        {{"--demo", "--log"}, "--log needs a file name"},
    };
    for (const Case& c : cases) {
        std::string error = Parse(c.args).error;
        EXPECT_NE(std::string::npos, error.find(c.message)) << error;
    }
}

}  // namespace

}  // namespace signseek
