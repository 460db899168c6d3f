#include "common/TextHelpers.h"
#include "common/TransportAddress.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace signseek {

using Pieces = std::vector<std::string>;

TEST(SplitString, DropsEmptyPiecesBetweenDelimiterRuns)
{
    EXPECT_EQ(SplitString("  a\t\tb \r\nc ", " \t\n\r"), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(SplitString("one", " "), (Pieces{"one"}));
    EXPECT_TRUE(SplitString(" \t\r\n ", " \t\n\r").empty());
    EXPECT_TRUE(SplitString("", " ").empty());
    EXPECT_EQ(SplitString("a,b;;c", ",;"), (Pieces{"a", "b", "c"}));
}

TEST(SplitString, KeepsBytesThatAreNotDelimiters)
{
    const std::string text("x\0y z\xff", 6);
    EXPECT_EQ(SplitString(text, " "), (Pieces{std::string("x\0y", 3), "z\xff"}));
}

struct UrlCase {
    const char* xAddrs;
    const char* host;
    const char* port;
};

TEST(HostAndPortOfUrl, FollowTheLastAddressAndColon)
{
    const UrlCase cases[] = {
        {"http://10.1.2.3:8080/svc", "10.1.2.3", "8080"},
        {"http://10.1.2.3/svc", "10.1.2.3/svc", ""},
        {"10.1.2.3", "10.1.2.3", ""},
        {"", "", ""},
        {"http://a:80/x http://b:81/y", "b", "81"},
        {"http://", "", ""},
        {":", "", ""},
        {"host:", "host", ""},
        {"urn:uuid:1234", "urn:uuid", "1234"},
    };
    for (const UrlCase& c : cases) {
        EXPECT_EQ(HostOfUrl(c.xAddrs), c.host) << c.xAddrs;
        EXPECT_EQ(PortOfUrl(c.xAddrs), c.port) << c.xAddrs;
    }
}

// Where HostOfUrl follows its merge rule, a device's host is read as a URL.
TEST(TransportAddress, ReadsHostPortAndPathOfEachForm)
{
    struct Case {
        const char* text;
        std::optional<TransportAddress> parsed;
    } cases[] = {
        {"http://10.1.2.3:8080/svc", TransportAddress{"http", "10.1.2.3", "8080", "/svc"}},
        {"http://h/path", TransportAddress{"http", "h", "", "/path"}},
        {"https://x", TransportAddress{"https", "x", "", ""}},
        {"HTTP://Lobby.Example:80?q#f", TransportAddress{"http", "lobby.example", "80", "?q#f"}},
        {"http://[fe80::1]/", TransportAddress{"http", "fe80::1", "", "/"}},
        {"http://[fe80::1%25eth0]:8080/x", TransportAddress{"http", "fe80::1%25eth0", "8080", "/x"}},
        {"soap.udp://user@10.0.0.5:3702", TransportAddress{"soap.udp", "10.0.0.5", "3702", ""}},
        {"10.1.2.3", TransportAddress{"", "10.1.2.3", "", ""}},  // a merged record's xAddrs
        {"[fe80::2]", TransportAddress{"", "fe80::2", "", ""}},
        {"fe80::3", TransportAddress{"", "fe80::3", "", ""}},
        {"10.1.2.3:81", TransportAddress{"", "10.1.2.3", "81", ""}},
        {"", std::nullopt},
        {"http://", std::nullopt},
        {"http:///path", std::nullopt},
        {"http://[fe80::1", std::nullopt},
        {"http://[fe80::1]x/", std::nullopt},
        {"http://h:99999/", std::nullopt},
        {"http://h:8o/", std::nullopt},
        {"http://a::1/", std::nullopt},
    };
    for (const Case& c : cases) {
        auto parsed = ParseTransportAddress(c.text);
        ASSERT_EQ(parsed.has_value(), c.parsed.has_value()) << c.text;
        if (!parsed) continue;
        EXPECT_EQ(parsed->scheme, c.parsed->scheme) << c.text;
        EXPECT_EQ(parsed->host, c.parsed->host) << c.text;
        EXPECT_EQ(parsed->port, c.parsed->port) << c.text;
        EXPECT_EQ(parsed->path, c.parsed->path) << c.text;
    }
}

TEST(TransportAddress, EveryAddressOfAnXAddrsCountsOnce)
{
    EXPECT_EQ(TransportHosts("http://a:80/x http://b:81/y\thttp://A:82/z"), (Pieces{"a", "b"}));
    EXPECT_EQ(TransportHosts("http://[fe80::1]:80/ http://10.0.0.5/ junk://"), (Pieces{"fe80::1", "10.0.0.5"}));
    EXPECT_TRUE(TransportHosts(" \t").empty());
}

TEST(LeadingInteger, ReadsBlanksSignAndDigits)
{
    EXPECT_EQ(LeadingInteger("96"), 96);
    EXPECT_EQ(LeadingInteger("  -12px"), -12);
    EXPECT_EQ(LeadingInteger("\t+7 8"), 7);
    EXPECT_EQ(LeadingInteger(" \n\v\f\r12s"), 12);
    EXPECT_EQ(LeadingInteger("-0"), 0);
    EXPECT_EQ(LeadingInteger("x12"), 0);
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("-"), 0);
    EXPECT_EQ(LeadingInteger("- 5"), 0);
}

TEST(LeadingInteger, WithoutDigitsLeadingDigitsIsEmpty)
{
    EXPECT_EQ(LeadingDigits("0"), 0);
    EXPECT_EQ(LeadingDigits("-0"), 0);
    EXPECT_EQ(LeadingDigits("  8080x"), 8080);
    EXPECT_EQ(LeadingDigits(""), std::nullopt);
    EXPECT_EQ(LeadingDigits("  "), std::nullopt);
    EXPECT_EQ(LeadingDigits("-"), std::nullopt);
    EXPECT_EQ(LeadingDigits("+x1"), std::nullopt);
    EXPECT_EQ(LeadingDigits("http"), std::nullopt);
}

TEST(LeadingInteger, SaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(LeadingInteger("2147483647"), INT_MAX);
    EXPECT_EQ(LeadingInteger("2147483648"), INT_MAX);
    EXPECT_EQ(LeadingInteger("99999999999"), INT_MAX);
    EXPECT_EQ(LeadingInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(LeadingInteger("-99999999999"), INT_MIN);
    EXPECT_EQ(LeadingInteger("-99999999999999999999999999"), INT_MIN);
    EXPECT_EQ(LeadingInteger(std::string(5000, '9')), INT_MAX);
    EXPECT_EQ(LeadingDigits(std::string(5000, '9')), INT_MAX);
}

TEST(CompareIgnoringAsciiCase, FoldsAsciiLettersOnlyAndPutsPrefixesFirst)
{
    EXPECT_EQ(CompareIgnoringAsciiCase("LOBBY", "lobby"), 0);
    EXPECT_EQ(CompareIgnoringAsciiCase("apple", "Banana"), -1);
    EXPECT_EQ(CompareIgnoringAsciiCase("ab", "ABC"), -1);
    EXPECT_EQ(CompareIgnoringAsciiCase("ABC", "ab"), 1);
    EXPECT_EQ(CompareIgnoringAsciiCase("", ""), 0);
    // '<' (0x3c) lies between upper and lower case letters: folding first matters.
    EXPECT_EQ(CompareIgnoringAsciiCase("<none>", "a"), -1);
    EXPECT_EQ(CompareIgnoringAsciiCase("[", "a"), -1);
    EXPECT_EQ(CompareIgnoringAsciiCase("[", "A"), -1);
    // Bytes above 0x7f compare unsigned and are not folded.
    EXPECT_EQ(CompareIgnoringAsciiCase("\xe9", "z"), 1);
    EXPECT_EQ(CompareIgnoringAsciiCase("\xe9", "\xc9"), 1);
}

}  // namespace signseek
