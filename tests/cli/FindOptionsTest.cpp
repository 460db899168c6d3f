#include "cli/FindOptions.h"
#include "settings/DiscoverySettings.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {

ParsedOptions Parse(std::vector<std::string> args) { return ParseFindOptions(args); }

TEST(FindOptions, DefaultsMatchTheSettingsDefaults)
{
    auto parsed = Parse({});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ((DiscoveryValues{8, 1, 3702, 2}), parsed.options->values);
    EXPECT_NE(std::string::npos, FindUsage().find("without it 3702, 2, 8 and 1);\n"));
    EXPECT_EQ(OutputFormat::Table, parsed.options->format);
    EXPECT_TRUE(parsed.options->interface.empty());
}

TEST(FindOptions, ValuesBothSeparateAndInline)
{
    auto parsed = Parse({"--interface", "eth0 (Intel)", "--port=4000", "--ttl", "50", "--discovery-timeout", "600",
                         "--receive-timeout=1", "--format", "json"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ("eth0 (Intel)", parsed.options->interface);
    EXPECT_EQ((DiscoveryValues{600, 1, 4000, 50}), parsed.options->values);
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
        {{"--format", "xml"}, "--format must be table, json, csv or ndjson"},
        {{"--port"}, "--port needs a value"},
        {{"--interface", ""}, "--interface needs an adapter or an address"},
        {{"--bogus"}, "unknown option --bogus (see --help)"},
        {{"--bogus=1"}, "unknown option --bogus (see --help)"},
        {{"-x"}, "unknown option -x (see --help)"},
        {{"-t"}, "--discovery-timeout needs a value"},
        {{"-t", "0"}, "--discovery-timeout needs an integer between 1 and 600"},
        {{"-f", "xml"}, "--format must be table, json, csv or ndjson"},
        {{"--publish", "mqtt://b/p"}, "--publish needs --watch"},
        {{"--watch", "--publish", "mqtt://b"},
         "--publish: the broker address names no topic prefix (mqtt://host/PREFIX)"},
        {{"--watch", "--publish", "mqtt://b/p", "--site", "a/b"},
         "--site needs a name without /, +, #, control characters or a leading $"},
        {{"--watch", "--site", "north"}, "--site needs --publish"},
        {{"--watch", "--from", "mqtt://b/p"}, "--from lists a broker's devices; it does not watch"},
        {{"--mqtt-cafile", "ca.pem"}, "the --mqtt options need --publish or --from"},
        {{"--from", "mqtt://b/p", "--mqtt-cert", "c.pem"}, "--mqtt-cert and --mqtt-key go together"},
        {{"--rate", "0"}, "--rate needs an integer between 1 and 10000"},
        {{"--watch", "10.0.0.1"}, "--watch watches an adapter, not targets"},
        {{"-i", "all", "--target", "10.0.0.1"}, "targets go with one adapter (--interface) or none, not all"},
    };
    for (const Case& c : cases) {
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

TEST(FindOptions, ShortFormsAndFlags)
{
    auto parsed = Parse({"-i", "lo", "-f", "csv", "-t", "3", "-v", "--list-interfaces"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ("lo", parsed.options->interface);
    EXPECT_EQ(OutputFormat::Csv, parsed.options->format);
    EXPECT_EQ(OutputFormat::Ndjson, Parse({"--format=ndjson"}).options->format);
    EXPECT_EQ(3, parsed.options->values.discoveryTimeout);
    EXPECT_TRUE(parsed.options->verbose);
    EXPECT_TRUE(parsed.options->listInterfaces);
    EXPECT_TRUE(Parse({"-h"}).options->help);
    EXPECT_TRUE(Parse({"-V"}).options->version);
    EXPECT_TRUE(Parse({"-fjson", "-vt2"}).options->verbose);
    // A second parse starts afresh.
    EXPECT_EQ(8, Parse({}).options->values.discoveryTimeout);
}

TEST(FindOptions, WatchPrintsNdjsonAndOnlyItTakesAnInterval)
{
    auto parsed = Parse({"--watch", "--interval", "5"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_TRUE(parsed.options->watch);
    EXPECT_EQ(5, parsed.options->watchInterval);
    EXPECT_EQ(OutputFormat::Ndjson, parsed.options->format);
    EXPECT_EQ(60, Parse({"--watch"}).options->watchInterval);
    EXPECT_TRUE(Parse({"--watch", "-f", "ndjson"}).options);

    EXPECT_EQ("--interval needs --watch", Parse({"--interval", "5"}).error);
    EXPECT_EQ("--watch watches one adapter, not all", Parse({"--watch", "-i", "all"}).error);
    EXPECT_EQ("--watch prints NDJSON events; --format must be ndjson", Parse({"--watch", "--format", "csv"}).error);
    EXPECT_EQ("--interval needs an integer between 1 and 86400", Parse({"--watch", "--interval", "0"}).error);
    EXPECT_EQ("--interval needs an integer between 1 and 86400", Parse({"--watch", "--interval=1.5"}).error);
}

TEST(FindOptions, SavedSettingsAreTheDefaultsAndOptionsOverrideThem)
{
    CDiscoverySettings saved;
    saved.ParseLine("3,20,3702,5");                 // receive, discovery, port, TTL
    saved.m_values.discoveryPort = 0x10000 + 3800;  // passed on whole; a run uses the low 16 bits
    FindOptions defaults = OptionsFromSettings(saved);
    EXPECT_EQ((DiscoveryValues{20, 3, 0x10000 + 3800, 5}), defaults.values);

    auto parsed = ParseFindOptions({"--ttl", "9", "-t", "4"}, defaults);
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ((DiscoveryValues{4, 3, 0x10000 + 3800, 9}), parsed.options->values);
    EXPECT_NE(std::string::npos, FindUsage().find("override"));
}

TEST(FindOptions, UsageDocumentsExitStatusesAndJsonKeys)
{
    const std::string usage = FindUsage();
    for (const char* text : {"Exit status", "  0  ", "  1  ", "  2  ", "discoveryVersion", "webPage", "sourceAddress",
                             "-i, --interface", "-t, --discovery-timeout", "-v, --verbose", "--list-interfaces"})
        EXPECT_NE(std::string::npos, usage.find(text)) << text;
}

}  // namespace

}  // namespace signseek
