#include "cli/FindOptions.h"

#include <gtest/gtest.h>

namespace {

ParsedOptions Parse(std::vector<std::string> args) { return ParseFindOptions(args); }

TEST(FindOptions, DefaultsMatchTheSettingsDefaults)
{
    auto parsed = Parse({});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(3702, parsed.options->discoveryPort);
    EXPECT_EQ(2, parsed.options->ttl);
    EXPECT_EQ(8, parsed.options->discoveryTimeout);
    EXPECT_EQ(1, parsed.options->receiveTimeout);
    EXPECT_EQ(OutputFormat::Table, parsed.options->format);
    EXPECT_TRUE(parsed.options->interface.empty());
}

TEST(FindOptions, ValuesBothSeparateAndInline)
{
    auto parsed = Parse({"--interface", "eth0 (Intel)", "--port=4000", "--ttl", "50", "--discovery-timeout", "600",
                         "--receive-timeout=1", "--format", "json"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ("eth0 (Intel)", parsed.options->interface);
    EXPECT_EQ(4000, parsed.options->discoveryPort);
    EXPECT_EQ(50, parsed.options->ttl);
    EXPECT_EQ(600, parsed.options->discoveryTimeout);
    EXPECT_EQ(OutputFormat::Json, parsed.options->format);
}

TEST(FindOptions, ValuesOutsideTheSettingsRangesAreRefused)
{
    struct Case {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"--ttl", "51"}, "--ttl needs an integer between 1 and 50"},
        {{"--ttl", "0"}, "--ttl needs an integer between 1 and 50"},
        {{"--port", "65536"}, "--port needs an integer between 1 and 65535"},
        {{"--port", "-1"}, "--port needs an integer between 1 and 65535"},
        {{"--discovery-timeout", "601"}, "--discovery-timeout needs an integer between 1 and 600"},
        {{"--receive-timeout", "8x"}, "--receive-timeout needs an integer between 1 and 600"},
        {{"--receive-timeout", "99999999999999999999"}, "--receive-timeout needs an integer between 1 and 600"},
        {{"--format", "xml"}, "--format must be table, json or csv"},
        {{"--port"}, "--port needs a value"},
        {{"--interface", ""}, "--interface needs an adapter or an address"},
        {{"--bogus"}, "unknown option --bogus (see --help)"},
    };
    for (const Case &c : cases) {
        auto parsed = Parse(c.args);
        EXPECT_FALSE(parsed.options) << c.args[0];
        EXPECT_EQ(c.error, parsed.error);
    }
}

TEST(FindOptions, HelpAndVersion)
{
    EXPECT_TRUE(Parse({"--help"}).options->help);
    EXPECT_TRUE(Parse({"--version"}).options->version);
    EXPECT_NE(std::string::npos, FindUsage().find("--discovery-timeout"));
}

}  // namespace
