// Which devices answer which probes: the Types and rfc2396 Scopes rules and
// where an answer goes.

#include "sim/ProbeMatching.h"
#include "sim/DemoSet.h"
#include "sim/LoadSet.h"
#include "sim/ProbeListener.h"
#include "sim/SearchReach.h"
#include "sim/Simulator.h"
#include "wire/NamespaceTable.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {

using sim::Rfc2396ScopeMatches;
using sim::ScopesMatch;
using sim::TypesMatch;

TEST(SimTypesRule, EveryProbeTypeMustBeOfferedByLocalName)
{
    EXPECT_TRUE(TypesMatch("", "x8"));
    EXPECT_TRUE(TypesMatch("", ""));
    EXPECT_TRUE(TypesMatch("x8", "x8"));
    EXPECT_TRUE(TypesMatch("x8", "tns:x8 other"));
    EXPECT_TRUE(TypesMatch("p:Halden", "Halden"));
    EXPECT_TRUE(TypesMatch(" Halden\t", "telnet\nHalden"));
    EXPECT_TRUE(TypesMatch("a b", "b c a"));
    EXPECT_FALSE(TypesMatch("a b", "a c"));
    EXPECT_FALSE(TypesMatch("x8", ""));
    EXPECT_FALSE(TypesMatch("x8", "x7 X8"));  // names are case-sensitive
    EXPECT_FALSE(TypesMatch("x8", "x88"));
}

TEST(SimRfc2396Rule, SchemeAndAuthorityIgnoreCasePathDoesNot)
{
    EXPECT_TRUE(Rfc2396ScopeMatches("HTTP://Schemas.Marvane.COM/a", "http://schemas.marvane.com/a/b"));
    EXPECT_FALSE(Rfc2396ScopeMatches("http://schemas.marvane.com/A", "http://schemas.marvane.com/a"));
    EXPECT_FALSE(Rfc2396ScopeMatches("http://other.com/a", "http://schemas.marvane.com/a"));
    EXPECT_FALSE(Rfc2396ScopeMatches("https://schemas.marvane.com/a", "http://schemas.marvane.com/a"));
    EXPECT_FALSE(Rfc2396ScopeMatches("http://host:81/a", "http://host/a"));
}

TEST(SimRfc2396Rule, PrefixIsBySegmentNotByCharacter)
{
    EXPECT_TRUE(Rfc2396ScopeMatches("http://h/a/b", "http://h/a/b"));
    EXPECT_TRUE(Rfc2396ScopeMatches("http://h/a", "http://h/a/b/c"));
    EXPECT_FALSE(Rfc2396ScopeMatches("http://h/a/b", "http://h/a/bc"));
    EXPECT_FALSE(Rfc2396ScopeMatches("http://h/a/b/c", "http://h/a/b"));
    // A trailing slash ends a path; it adds no segment.
    EXPECT_TRUE(Rfc2396ScopeMatches("http://h/a/", "http://h/a"));
    EXPECT_TRUE(Rfc2396ScopeMatches("http://h/", "http://h"));
    EXPECT_TRUE(Rfc2396ScopeMatches("http://h", "http://h/anything"));
}

TEST(SimRfc2396Rule, QueryFragmentDotsAndBadUris)
{
    EXPECT_TRUE(Rfc2396ScopeMatches("http://h/a?x=1", "http://h/a/b?y=2"));
    EXPECT_TRUE(Rfc2396ScopeMatches("http://h/a#f", "http://h/a/b"));
    EXPECT_FALSE(Rfc2396ScopeMatches("http://h/a/./b", "http://h/a/b"));
    EXPECT_FALSE(Rfc2396ScopeMatches("http://h/a", "http://h/a/../b"));
    EXPECT_FALSE(Rfc2396ScopeMatches("nocolon", "nocolon"));
    EXPECT_FALSE(Rfc2396ScopeMatches("", "http://h/"));
    EXPECT_TRUE(Rfc2396ScopeMatches("urn:x", "URN:x"));
}

TEST(SimScopesRule, EveryProbeScopeNeedsAMatchingDeviceScope)
{
    const std::string device = "http://h/a/b http://k/c";
    EXPECT_TRUE(ScopesMatch("", "", device));
    EXPECT_TRUE(ScopesMatch(" \t", wire::kRfc2396MatchBy, ""));
    EXPECT_TRUE(ScopesMatch("http://h/a http://k/", wire::kRfc2396MatchBy, device));
    EXPECT_FALSE(ScopesMatch("http://h/a http://m/", wire::kRfc2396MatchBy, device));
    EXPECT_FALSE(ScopesMatch("http://h/a", wire::kRfc2396MatchBy, ""));
    EXPECT_TRUE(ScopesMatch("http://h/a", "", device));  // no MatchBy: rfc2396
}

TEST(SimScopesRule, OtherMatchingRules)
{
    const std::string strcmp0 = "http://schemas.xmlsoap.org/ws/2005/04/discovery/strcmp0";
    EXPECT_TRUE(ScopesMatch("http://k/c", strcmp0, "http://h/a http://k/c"));
    EXPECT_FALSE(ScopesMatch("http://k", strcmp0, "http://k/c"));
    EXPECT_FALSE(ScopesMatch("http://h/a", "http://schemas.xmlsoap.org/ws/2005/04/discovery/ldap", "http://h/a"));
}

TEST(SimAnswerDestination, ReplyToElseTheProbeSource)
{
    EXPECT_EQ("http://127.0.0.1:8000/Discovery",
              sim::AnswerDestination("http://127.0.0.1:8000/Discovery", "127.0.0.1", 5000).endpoint);
    EXPECT_EQ("soap.udp://127.0.0.1:5000", sim::AnswerDestination("", "127.0.0.1", 5000).endpoint);
    EXPECT_EQ("soap.udp://127.0.0.1:5000", sim::AnswerDestination(wire::kAnonymousUri, "127.0.0.1", 5000).endpoint);
    EXPECT_EQ("soap.udp://127.0.0.1:5000", sim::AnswerDestination("mailto:x@y", "127.0.0.1", 5000).endpoint);
    EXPECT_EQ("", sim::AnswerDestination("", "", 0).endpoint);
}

// A search's probe carries Types in no namespace; the decoder keeps it as a
// literal element and the listener reads the text back out of it.
TEST(SimUnprefixedElementText, ReadsTheNamedElementOnly)
{
    std::string text = "unchanged";
    EXPECT_TRUE(sim::UnprefixedElementText("<Types xmlns=\"\">x8 p:Halden</Types>", "Types", text));
    EXPECT_EQ("x8 p:Halden", text);
    EXPECT_TRUE(sim::UnprefixedElementText("<Types>a&lt;b &amp;&#233;&#x41;&#x100;</Types>", "Types", text));
    EXPECT_EQ("a<b &\xE9"
              "A&#x100;",
              text);
    EXPECT_TRUE(sim::UnprefixedElementText("<Types xmlns=\"\"/>", "Types", text));
    EXPECT_EQ("", text);
    text = "unchanged";
    EXPECT_FALSE(sim::UnprefixedElementText("<h:Types>x8</h:Types>", "Types", text));
    EXPECT_FALSE(sim::UnprefixedElementText("<TypesX>x8</TypesX>", "Types", text));
    EXPECT_FALSE(sim::UnprefixedElementText("<Types", "Types", text));
    EXPECT_FALSE(sim::UnprefixedElementText("<Types>x8", "Types", text));
    EXPECT_EQ("unchanged", text);
}

TEST(SimSearchReach, DemoAndLoadDevicesAnswerSomeProbe)
{
    for (const sim::Device& d : sim::DemoDevices()) EXPECT_EQ("", sim::WhyNoSearchFinds(d)) << d.address;
    for (const sim::Device& d : sim::LoadDevices(2)) EXPECT_EQ("", sim::WhyNoSearchFinds(d)) << d.address;
}

TEST(SimSearchReach, SaysWhichRuleFailsForEachProbe)
{
    sim::Device noScheme;
    noScheme.address = "urn:a";
    noScheme.types = "x8";
    noScheme.scopes = "schemas.marvane.com/scopes/marvane/Ferro/X8";
    const std::string why = sim::WhyNoSearchFinds(noScheme);
    EXPECT_NE(std::string::npos, why.find("controller probe: no scope under \"http://schemas.marvane.com/scopes/"
                                          "marvane/Ferro/X8\" (scope \"schemas.marvane.com/scopes/marvane/Ferro/X8\": "
                                          "no scheme)"))
        << why;
    EXPECT_NE(std::string::npos, why.find("root-scope probe: "));
    EXPECT_NE(std::string::npos, why.find("bridge probe: Types lack \"Halden\""));

    sim::Device udpPlayer;
    udpPlayer.address = "urn:b";
    udpPlayer.types = "tovo";
    udpPlayer.scopes = "http://schemas.marvane.com/2011/player/tovo";
    EXPECT_EQ("", sim::WhyNoSearchFinds(udpPlayer));  // the root-scope probe finds it
    udpPlayer.answer = sim::AnswerMode::UdpOnly;
    EXPECT_EQ("controller probe: answers only probes without a ReplyTo; root-scope probe: answers only probes "
              "without a ReplyTo; bridge probe: Types lack \"Halden\"",
              sim::WhyNoSearchFinds(udpPlayer));

    sim::Device otherHost = udpPlayer;
    otherHost.answer = sim::AnswerMode::Auto;
    otherHost.scopes = "http://schemas.example.com/x http://schemas.marvane.com/./x";
    EXPECT_NE(std::string::npos, sim::WhyNoSearchFinds(otherHost).find("another host"));
    EXPECT_NE(std::string::npos, sim::WhyNoSearchFinds(otherHost).find("a \".\" or \"..\" segment"));
}

}  // namespace

}  // namespace signseek
