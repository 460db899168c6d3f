// Reading received envelopes: recognition, record decoding, header rules and
// the errors each bad message gives.

#include "WireTestSupport.h"
#include "wire/EnvelopeReader.h"
#include "wire/NamespaceTable.h"
#include "wire/ReceivedText.h"
#include "wire/UnsignedCodec.h"
#include "wire/WireState.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {

using wiretest::Envelope;
using wiretest::ProbeMatch;
using wiretest::RecordingService;
using wiretest::ServeText;

const std::string kPmAction = "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</a:Action>";

std::string Matches(const std::string& inner) { return "<d:ProbeMatches>" + inner + "</d:ProbeMatches>"; }

struct Decoder : ::testing::Test {
    Decoder() { wire::EnableAddressing(&service); }
    RecordingService service{wire::TransportMode::Udp};
};

TEST_F(Decoder, ProbeMatchesIsRecognisedByActionOrByElementUnderAnyPrefix)
{
    EXPECT_EQ(0, ServeText(service, Envelope(kPmAction, Matches(ProbeMatch("urn:a")))));
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(ProbeMatch("urn:b")))));
    // Default namespace for discovery, "wsa" words for addressing.
    std::string other = "<?xml version=\"1.0\"?><env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" "
                        "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\"><env:Body>"
                        "<ProbeMatches xmlns=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><ProbeMatch>"
                        "<wsa:EndpointReference><wsa:Address>urn:c</wsa:Address></wsa:EndpointReference>"
                        "<MetadataVersion>3</MetadataVersion></ProbeMatch></ProbeMatches></env:Body></env:Envelope>";
    EXPECT_EQ(0, ServeText(service, other));
    ASSERT_EQ(3u, service.probeMatches.size());
    EXPECT_EQ("urn:a", service.probeMatches[0][0].address);
    EXPECT_EQ("urn:b", service.probeMatches[1][0].address);
    EXPECT_EQ("urn:c", service.probeMatches[2][0].address);
    EXPECT_EQ(3u, service.probeMatches[2][0].metadataVersion);
}

TEST_F(Decoder, HelloIsRecognisedWithAndWithoutItsAction)
{
    std::string hello = "<d:Hello><a:EndpointReference><a:Address>urn:h</a:Address></a:EndpointReference>"
                        "<d:MetadataVersion>2</d:MetadataVersion></d:Hello>";
    EXPECT_EQ(0,
              ServeText(service,
                        Envelope("<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Hello</a:Action>", hello)));
    EXPECT_EQ(0, ServeText(service, Envelope("", hello)));
    ASSERT_EQ(2u, service.hellos.size());
    EXPECT_EQ("urn:h", service.hellos[1].address);
}

TEST_F(Decoder, ByeIsReadOnlyByAListenerThatWatchesAnnouncements)
{
    std::string bye = "<d:Bye><a:EndpointReference><a:Address>urn:gone</a:Address></a:EndpointReference></d:Bye>";
    EXPECT_EQ(0, ServeText(service,
                           Envelope("<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Bye</a:Action>", bye)));
    EXPECT_EQ(0, ServeText(service, Envelope("", bye)));
    ASSERT_EQ(2u, service.byes.size());
    EXPECT_EQ("urn:gone", service.byes[1]);

    service.acceptByes = false;
    EXPECT_EQ(SOAP_NO_METHOD, ServeText(service, Envelope("", bye)));
    EXPECT_EQ(2u, service.byes.size());
}

TEST_F(Decoder, ResolveMatchesIsAcceptedAndIgnored)
{
    EXPECT_EQ(0, ServeText(service, Envelope("", "<d:ResolveMatches></d:ResolveMatches>")));
    EXPECT_EQ(1, service.resolveMatches);
}

TEST_F(Decoder, ActionDecidesBeforeTheElementName)
{
    std::string probeAction = "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action>";
    EXPECT_EQ(SOAP_NO_METHOD, ServeText(service, Envelope(probeAction, Matches(ProbeMatch("urn:a")))));
    EXPECT_EQ(SOAP_NO_METHOD, ServeText(service, Envelope("<a:Action>urn:other</a:Action>", Matches(""))));
    // Recognised as ProbeMatches by its action, but the body is a Hello.
    EXPECT_EQ(SOAP_TAG_MISMATCH, ServeText(service, Envelope(kPmAction, "<d:Hello></d:Hello>")));
    EXPECT_TRUE(service.probeMatches.empty());
    EXPECT_TRUE(service.hellos.empty());
}

TEST_F(Decoder, WithoutAddressingTheHeaderActionIsNotCaptured)
{
    RecordingService plain{wire::TransportMode::Udp};
    std::string probeAction = "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action>";
    EXPECT_EQ(0, ServeText(plain, Envelope(probeAction, Matches(ProbeMatch("urn:a")))));
    EXPECT_EQ(1u, plain.probeMatches.size());
}

TEST_F(Decoder, BodyWithoutChildIsNoTagAndUnknownChildIsNoMethod)
{
    EXPECT_EQ(SOAP_NO_TAG, ServeText(service, Envelope("", "")));
    EXPECT_EQ(SOAP_NO_METHOD, ServeText(service, Envelope("", "<d:Probe></d:Probe>")));
}

TEST_F(Decoder, TwoMatchesComeInDocumentOrderWithExtensionsAsLiteralText)
{
    std::string vendor = "<Height>96</Height><v:Width xmlns:v=\"urn:v\">192</v:Width>";
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(ProbeMatch("urn:1", vendor) + ProbeMatch("urn:2")))));
    ASSERT_EQ(1u, service.probeMatches.size());
    const auto& entries = service.probeMatches[0];
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("urn:1", entries[0].address);
    EXPECT_EQ("urn:2", entries[1].address);
    EXPECT_EQ("x8", entries[0].types);
    EXPECT_EQ("scope:a scope:b", entries[0].scopes);
    EXPECT_EQ("rule", entries[0].matchBy);
    EXPECT_EQ("http://127.0.0.1:80/", entries[0].xAddrs);
    EXPECT_EQ(1u, entries[0].metadataVersion);
    ASSERT_EQ(2u, entries[0].extensions.size());
    EXPECT_EQ("<Height>96</Height>", entries[0].extensions[0]);
    EXPECT_NE(std::string::npos, entries[0].extensions[1].find(">192</v:Width>"));
    EXPECT_TRUE(entries[1].extensions.empty());
}

TEST_F(Decoder, SecondTypesElementBecomesAnExtension)
{
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(ProbeMatch("urn:1", "<d:Types>again</d:Types>")))));
    ASSERT_EQ(1u, service.probeMatches.at(0).at(0).extensions.size());
    EXPECT_EQ("x8", service.probeMatches[0][0].types);
}

TEST_F(Decoder, EntitiesAndUtf8BecomeLatin1Text)
{
    std::string match = "<d:ProbeMatch><a:EndpointReference><a:Address>a&amp;b&#x41;&lt;\xC3\xA9</a:Address>"
                        "</a:EndpointReference></d:ProbeMatch>";
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(match))));
    EXPECT_EQ("a&bA<\xE9", service.probeMatches.at(0).at(0).address);
    EXPECT_EQ(0u, service.probeMatches[0][0].metadataVersion);  // missing gives 0
}

TEST(MetadataVersion, TextRules)
{
    EXPECT_EQ(12u, wire::ParseUnsigned32("12 "));
    EXPECT_EQ(12u, wire::ParseUnsigned32("\n 12\t"));
    EXPECT_EQ(0u, wire::ParseUnsigned32(""));
    EXPECT_EQ(4294967295u, wire::ParseUnsigned32("4294967295"));
    EXPECT_EQ(4294967295u, wire::ParseUnsigned32("-1"));
    EXPECT_FALSE(wire::ParseUnsigned32("4294967296"));
    EXPECT_FALSE(wire::ParseUnsigned32("99999999999999999999999"));
    EXPECT_FALSE(wire::ParseUnsigned32("12a"));
    EXPECT_FALSE(wire::ParseUnsigned32("1 2"));
    EXPECT_FALSE(wire::ParseUnsigned32("+"));
}

TEST_F(Decoder, MetadataVersionFailuresFailTheWholeMessage)
{
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(ProbeMatch("urn:a", "", "12 ")))));
    EXPECT_EQ(12u, service.probeMatches.at(0).at(0).metadataVersion);
    EXPECT_EQ(SOAP_TYPE, ServeText(service, Envelope("", Matches(ProbeMatch("urn:a", "", "12a")))));
    EXPECT_EQ(SOAP_TYPE, ServeText(service, Envelope("", Matches(ProbeMatch("urn:a", "", "4294967296")))));
    EXPECT_EQ(1u, service.probeMatches.size());
}

TEST_F(Decoder, AnnouncedTypesMustBeUnsigned)
{
    auto withType = [](const std::string& type) {
        return Matches("<d:ProbeMatch><d:MetadataVersion xmlns:x=\"http://www.w3.org/2001/XMLSchema-instance\" "
                       "xmlns:t=\"urn:t\" x:type=\"" +
                       type + "\">5</d:MetadataVersion></d:ProbeMatch>");
    };
    EXPECT_EQ(0, ServeText(service, Envelope("", withType("t:unsignedShort"))));
    EXPECT_EQ(SOAP_TYPE, ServeText(service, Envelope("", withType("t:string"))));
    ASSERT_EQ(1u, service.probeMatches.size());
    EXPECT_EQ(5u, service.probeMatches[0][0].metadataVersion);
}

TEST_F(Decoder, EnvelopeMustBeSoap12)
{
    std::string soap11 = "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                         "<s:Body><d:ProbeMatches xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"/>"
                         "</s:Body></s:Envelope>";
    EXPECT_EQ(SOAP_VERSIONMISMATCH, ServeText(service, soap11));
    EXPECT_EQ(SOAP_TAG_MISMATCH, ServeText(service, "<html><body>hello</body></html>"));
    EXPECT_TRUE(service.probeMatches.empty());
}

TEST_F(Decoder, MustUnderstandHeaderBlocks)
{
    std::string body = Matches(ProbeMatch("urn:a"));
    std::string unknown = "<x:Thing xmlns:x=\"urn:x\" s:mustUnderstand=\"true\">1</x:Thing>";
    std::string elsewhere = "<x:Thing xmlns:x=\"urn:x\" s:mustUnderstand=\"1\" s:role=\"urn:someone-else\">1</x:Thing>";
    std::string optional = "<x:Thing xmlns:x=\"urn:x\">1</x:Thing>";
    std::string next = "<x:Thing xmlns:x=\"urn:x\" s:mustUnderstand=\"1\" "
                       "s:role=\"http://www.w3.org/2003/05/soap-envelope/role/next\">1</x:Thing>";
    EXPECT_EQ(SOAP_MUSTUNDERSTAND, ServeText(service, Envelope(unknown, body)));
    EXPECT_EQ(0, ServeText(service, Envelope(elsewhere, body)));
    EXPECT_EQ(0, ServeText(service, Envelope(optional, body)));
    EXPECT_EQ(SOAP_MUSTUNDERSTAND, ServeText(service, Envelope(next, body)));
    EXPECT_EQ(2u, service.probeMatches.size());

    // The actor spelling counts in a SOAP 1.2 envelope too, each with its own "next".
    auto block = [](const std::string& attributes) {
        return "<x:Thing xmlns:x=\"urn:x\" " + attributes + ">1</x:Thing>";
    };
    const std::string next11 = "http://schemas.xmlsoap.org/soap/actor/next";
    const std::string next12 = "http://www.w3.org/2003/05/soap-envelope/role/next";
    const std::pair<std::string, int> cases[] = {
        {"s:mustUnderstand=\"true\" s:actor=\"urn:someone-else\"", 0},
        {"s:mustUnderstand=\"true\" s:actor=\"" + next12 + "\"", 0},
        {"s:mustUnderstand=\"true\" s:role=\"" + next11 + "\"", 0},
        {"s:mustUnderstand=\"true\" s:actor=\"" + next11 + "\"", SOAP_MUSTUNDERSTAND},
        {"s:mustUnderstand=\"true\" s:actor=\"" + next11 + "\" s:role=\"" + next12 + "\"", SOAP_MUSTUNDERSTAND},
        {"s:mustUnderstand=\"false\"", 0},
        {"s:mustUnderstand=\"0\"", 0},
        {"s:mustUnderstand=\"1\" x:role=\"urn:someone-else\"", SOAP_MUSTUNDERSTAND},
    };
    for (const auto& [attributes, expected] : cases)
        EXPECT_EQ(expected, ServeText(service, Envelope(block(attributes), body))) << attributes;
}

TEST_F(Decoder, AppSequenceIsTakenInAnyNamespace)
{
    for (std::string ns : {"http://schemas.xmlsoap.org/ws/2005/04/discovery", "urn:elsewhere"}) {
        std::string seq = "<q:AppSequence xmlns:q=\"" + ns +
                          "\" s:mustUnderstand=\"true\" InstanceId=\"4\" MessageNumber=\"9\"></q:AppSequence>";
        EXPECT_EQ(0, ServeText(service, Envelope(seq, Matches(ProbeMatch("urn:a"))))) << ns;
    }
    EXPECT_EQ(2u, service.probeMatches.size());
}

TEST_F(Decoder, UnknownElementInTheEnvelopeNamespaceIsATagMismatch)
{
    EXPECT_EQ(SOAP_TAG_MISMATCH, ServeText(service, Envelope("<s:Strange>1</s:Strange>", Matches(""))));
}

TEST_F(Decoder, UndeclaredPrefixIsASyntaxErrorWherever)
{
    EXPECT_EQ(SOAP_SYNTAX_ERROR, ServeText(service, Envelope("", "<zz:ProbeMatches></zz:ProbeMatches>")));
    EXPECT_EQ(SOAP_SYNTAX_ERROR, ServeText(service, Envelope("", "<d:ProbeMatches zz:a=\"1\"></d:ProbeMatches>")));
    EXPECT_EQ(SOAP_SYNTAX_ERROR, ServeText(service, Envelope("", Matches(ProbeMatch("urn:a", "<zz:Foo/>")))));
    EXPECT_EQ(SOAP_SYNTAX_ERROR, ServeText(service, Envelope("<zz:Block>1</zz:Block>", Matches(ProbeMatch("urn:a")))));
    // A declaration ends with its element, empty or not; a comment before the
    // prefix changes nothing.
    EXPECT_EQ(SOAP_SYNTAX_ERROR,
              ServeText(service, Envelope("", Matches(ProbeMatch("urn:a", "<y:Foo xmlns:y=\"urn:y\"/><y:Bar/>")))));
    EXPECT_EQ(
        SOAP_SYNTAX_ERROR,
        ServeText(service, Envelope("", Matches(ProbeMatch("urn:a", "<y:Foo xmlns:y='urn:y'></y:Foo><y:Bar/>")))));
    EXPECT_EQ(SOAP_SYNTAX_ERROR, ServeText(service, Envelope("", Matches(ProbeMatch("urn:a", "<!-- x --><zz:Foo/>")))));
    // Declared on an inner element, or the reserved xml prefix: fine.
    EXPECT_EQ(0, ServeText(service,
                           Envelope("", Matches(ProbeMatch("urn:a", "<zz:Foo xmlns:zz=\"urn:z\" xml:lang=\"en\"/>")))));
    EXPECT_EQ(1u, service.probeMatches.size());
}

TEST_F(Decoder, HandlerResultFailsTheMessage)
{
    service.handlerResult = SOAP_USER_ERROR;
    EXPECT_EQ(SOAP_USER_ERROR, ServeText(service, Envelope("", Matches(ProbeMatch("urn:a")))));
}

TEST_F(Decoder, OtherSchemaEditionsAreRememberedForLaterOutput)
{
    std::string decl = "xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
                       "xmlns:i=\"http://www.w3.org/1999/XMLSchema-instance\" "
                       "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
                       "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"";
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(ProbeMatch("urn:a")), decl)));
    wire::WireState& state = wire::StateOf(&service);
    EXPECT_EQ("http://www.w3.org/1999/XMLSchema-instance", state.OutputUri(wire::kRowInstance));
    EXPECT_EQ(wire::kSoapEncoding12, state.OutputUri(wire::kRowEncoding));
    EXPECT_EQ(wire::kXmlSchema, state.OutputUri(wire::kRowSchema));
    // A later message with the 2001 edition clears it again.
    std::string decl2001 = "xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
                           "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\" "
                           "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
                           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"";
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(ProbeMatch("urn:a")), decl2001)));
    EXPECT_EQ(wire::kXmlSchemaInstance, state.OutputUri(wire::kRowInstance));
    // Declared inside the Body, on a match, it is learned all the same.
    std::string inner = "<d:ProbeMatch xmlns:i=\"http://www.w3.org/1999/XMLSchema-instance\"><a:EndpointReference>"
                        "<a:Address>urn:b</a:Address></a:EndpointReference></d:ProbeMatch>";
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(inner), decl2001)));
    EXPECT_EQ("http://www.w3.org/1999/XMLSchema-instance", state.OutputUri(wire::kRowInstance));
}

TEST_F(Decoder, MatchByIsTakenByItsLocalName)
{
    std::string match = "<d:ProbeMatch><a:EndpointReference><a:Address>urn:a</a:Address></a:EndpointReference>"
                        "<d:Scopes d:MatchBy=\"rule:d\">s</d:Scopes></d:ProbeMatch>";
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(match))));
    EXPECT_EQ("rule:d", service.probeMatches.at(0).at(0).matchBy);
}

TEST_F(Decoder, PrettyPrintedMatchWithStrayTextKeepsEveryChild)
{
    std::string match = "<d:ProbeMatch>\n  <a:EndpointReference>\n    <a:Address>urn:a</a:Address>\n  "
                        "</a:EndpointReference>\n  <d:Types>x8</d:Types>\n  stray text &amp; more\n  "
                        "<d:Scopes MatchBy=\"r\">s</d:Scopes>\n\t<Description>Lobby</Description>\r\n  odd "
                        "<d:XAddrs>http://h/</d:XAddrs>\n  <Height>96</Height>\n  <d:MetadataVersion>4"
                        "</d:MetadataVersion>\n</d:ProbeMatch>\n";
    EXPECT_EQ(0, ServeText(service, Envelope("", Matches(match))));
    const wiretest::SeenMatch& seen = service.probeMatches.at(0).at(0);
    EXPECT_EQ("urn:a", seen.address);
    EXPECT_EQ("x8", seen.types);
    EXPECT_EQ("s", seen.scopes);
    EXPECT_EQ("http://h/", seen.xAddrs);
    EXPECT_EQ(4u, seen.metadataVersion);
    EXPECT_EQ((std::vector<std::string>{"<Description>Lobby</Description>", "<Height>96</Height>"}), seen.extensions);
}

// However a datagram opens, a listener that has served messages before reads
// it as one that has not (whose first message the runtime starts itself),
// and reads the next message as well.
struct DatagramOpening : ::testing::TestWithParam<std::string> {};

TEST_P(DatagramOpening, IsReadAsOnAFreshListenerAndTheNextMessageToo)
{
    RecordingService fresh{wire::TransportMode::Udp}, served{wire::TransportMode::Udp};
    wire::EnableAddressing(&fresh);
    wire::EnableAddressing(&served);
    const std::string good = Envelope("", Matches(ProbeMatch("urn:good")));
    ASSERT_EQ(0, ServeText(served, good));
    served.probeMatches.clear();

    EXPECT_EQ(ServeText(fresh, GetParam()), ServeText(served, GetParam()));
    ASSERT_EQ(fresh.probeMatches.size(), served.probeMatches.size());
    if (!fresh.probeMatches.empty()) {
        EXPECT_EQ(fresh.probeMatches[0].at(0).address, served.probeMatches[0].at(0).address);
    }

    served.probeMatches.clear();
    EXPECT_EQ(0, ServeText(served, good));
    ASSERT_EQ(1u, served.probeMatches.size());
    EXPECT_EQ("urn:good", served.probeMatches[0].at(0).address);
}

const std::string kMatch = Envelope("", Matches(ProbeMatch("urn:a")));

INSTANTIATE_TEST_SUITE_P(Openings, DatagramOpening,
                         ::testing::Values(kMatch, " \r\n\t" + kMatch, "\xEF\xBB\xBF" + kMatch, "\xFE\xFF" + kMatch, "",
                                           " \n ",
                                           "--part\r\nContent-Type: application/soap+xml\r\n\r\n" + kMatch +
                                               "\r\n--part--\r\n",
                                           std::string("\x0C\x20\x00\x00", 4) + kMatch, "garbage " + kMatch,
                                           kMatch.substr(0, kMatch.size() / 2)));

// The filter sees a message in the pieces the runtime reads; where they are
// cut must not change what it blanks or keeps (but for a record attribute's
// prefix, which is blanked only when its name starts in the same piece).
TEST(ReceivedText, BytesCutAnywhereAreFilteredAsInOnePiece)
{
    const std::string stray =
        Envelope("<a:ReplyTo>\n x <a:Address>urn:r</a:Address> y\n</a:ReplyTo>",
                 Matches("<d:ProbeMatch> stray <a:EndpointReference> z <a:Address>urn:a</a:Address>"
                         "</a:EndpointReference><d:Scopes MatchBy='r'>s</d:Scopes><!-- c > d --> w "
                         "<![CDATA[ <q> ]]><x:Ext xmlns:x=\"urn:x\" x:a=\"1 > 2\">keep</x:Ext>"
                         "<d:AppSequence InstanceId=\"1\"/></d:ProbeMatch>"));
    const std::string messages[] = {stray, "POST / HTTP/1.1\r\nContent-Length: 9\r\n\r\n" + stray};
    for (const std::string& message : messages) {
        const bool http = message.starts_with("POST");
        std::string whole = message, wholeXml;
        bool tooLong = false;
        wire::ReceivedTextFilter filter;
        filter.Reset(http);
        filter.Feed(whole.data(), whole.size(), wholeXml, 1 << 20, tooLong);
        ASSERT_NE(message, whole);  // something was blanked
        for (std::size_t cut = 1; cut < message.size(); ++cut) {
            std::string pieces = message, xml;
            filter.Reset(http);
            filter.Feed(pieces.data(), cut, xml, 1 << 20, tooLong);
            filter.Feed(pieces.data() + cut, pieces.size() - cut, xml, 1 << 20, tooLong);
            ASSERT_EQ(whole, pieces) << "cut at " << cut;
            ASSERT_EQ(wholeXml, xml) << "cut at " << cut;
        }
    }
}

}  // namespace

}  // namespace signseek
