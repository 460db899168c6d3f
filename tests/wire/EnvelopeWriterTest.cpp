// The bytes of outgoing messages: probes of the three forms, escaping,
// attribute order and the fault bodies.

#include "WireTestSupport.h"
#include "wire/Envelope.h"
#include "wire/FaultWriter.h"
#include "wire/MessageHeader.h"
#include "wire/ProbeBody.h"
#include "wire/ProbeSender.h"
#include "wire/WireState.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace signseek {

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const std::string kEnvelopeStart = "<b:Envelope xmlns:b=\"http://www.w3.org/2003/05/soap-envelope\" "
                                   "xmlns:c=\"http://schemas.xmlsoap.org/soap/encoding/\" "
                                   "xmlns:e=\"http://www.w3.org/2001/XMLSchema-instance\" "
                                   "xmlns:f=\"http://www.w3.org/2001/XMLSchema\" "
                                   "xmlns:g=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
                                   "xmlns:h=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
                                   "xmlns:v=\"http://schemas.marvane.com/contracts/Quorvel_3_0\">";
const std::string kMessageId = "0f8fad5b-d9cb-469f-a165-70867728950e";
const std::string kRule = "http://schemas.xmlsoap.org/ws/2005/04/discovery/rfc2396";

std::string ExpectedProbe(const std::string& replyTo, const std::string& types, const std::string& scopes)
{
    std::string s = kDecl + kEnvelopeStart + "<b:Header><g:MessageID>" + kMessageId + "</g:MessageID>";
    if (!replyTo.empty())
        s += "<g:ReplyTo b:mustUnderstand=\"true\"><g:Address e:type=\"f:string\">" + replyTo +
             "</g:Address></g:ReplyTo>";
    s += "<g:To b:mustUnderstand=\"true\">urn:schemas-xmlsoap-org:ws:2005:04:discovery</g:To>"
         "<g:Action b:mustUnderstand=\"true\">http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</g:Action>"
         "<AppSequence e:type=\"h:AppSequenceType\" MessageNumber=\"0\" InstanceId=\"0\"></AppSequence>"
         "</b:Header><b:Body>"
         "<Probe e:type=\"h:ProbeType\" xmlns=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\">";
    if (!types.empty()) s += "<Types xmlns=\"\">" + types + "</Types>";
    s += "<Scopes e:type=\"h:ScopesType\" MatchBy=\"" + kRule + "\">" + scopes +
         "</Scopes></Probe></b:Body></b:Envelope>";
    return s;
}

struct ProbeForm {
    const char* name;
    const char* replyTo;
    const char* types;
    const char* scopes;
};

const ProbeForm kForms[] = {
    {"controller", "http://127.0.0.1:8000/Discovery", "x8", "http://schemas.marvane.com/scopes/marvane/Ferro/X8"},
    {"root", "http://127.0.0.1:8000/Discovery", "", "http://schemas.marvane.com/"},
    {"bridge", "", "Halden", "http://schemas.marvane.com/scopes/marvane/Halden/Bridge"},
};

std::string WriteProbe(soap* ctx, const ProbeForm& form, std::string types, std::string scopes)
{
    wire::SetProbeHeader(ctx, kMessageId.c_str());
    if (*form.replyTo) wire::AddReplyTo(ctx, form.replyTo);
    disc__ProbeType probe;
    disc__ScopesType scopesRecord;
    scopesRecord.__item = scopes.data();
    scopesRecord.MatchBy = const_cast<char*>(kRule.c_str());
    probe.Types = types.data();
    probe.Scopes = &scopesRecord;
    wire::StringOutput out;
    EXPECT_EQ(0, wire::WriteEnvelope(ctx, out, [&](wire::XmlWriter& w) { wire::WriteProbeBody(w, probe); }));
    return out.text;
}

TEST(ProbeEnvelope, EachFormIsWrittenByteForByte)
{
    for (const ProbeForm& form : kForms) {
        wire::ProbeProxy proxy;
        EXPECT_EQ(ExpectedProbe(form.replyTo, form.types, form.scopes),
                  WriteProbe(&proxy, form, form.types, form.scopes))
            << form.name;
    }
}

TEST(ProbeEnvelope, SecondProbeOfAContextKeepsTheSameBytes)
{
    wire::ProbeProxy proxy;
    WriteProbe(&proxy, kForms[0], kForms[0].types, kForms[0].scopes);
    // The message's data is released as after a send, header included.
    soap_destroy(&proxy);
    soap_end(&proxy);
    proxy.header = nullptr;
    EXPECT_EQ(ExpectedProbe(kForms[2].replyTo, kForms[2].types, kForms[2].scopes),
              WriteProbe(&proxy, kForms[2], kForms[2].types, kForms[2].scopes));
}

TEST(ProbeEnvelope, TextIsEscapedAndLatin1BecomesUtf8)
{
    wire::ProbeProxy proxy;
    std::string text = WriteProbe(&proxy, kForms[0], "a<b", "x&y \"q\" >\r\n\t\xE9");
    EXPECT_NE(std::string::npos, text.find("<Types xmlns=\"\">a&lt;b</Types>"));
    EXPECT_NE(std::string::npos, text.find(">x&amp;y \"q\" &gt;&#xD;&#xA;\t\xC3\xA9</Scopes>"));
}

TEST(ProbeEnvelope, AttributeValuesUseTheirOwnEscapes)
{
    EXPECT_EQ("&amp;&lt;>&quot;&#x9;&#xA;&#xD;\xC3\xBF", wire::EscapeAttribute("&<>\"\t\n\r\xFF"));
}

TEST(ProbeHeader, AddReplyToNeedsAHeaderAndIgnoresNull)
{
    wire::ProbeProxy proxy;
    EXPECT_EQ(-1, wire::AddReplyTo(&proxy, "http://x/"));
    EXPECT_EQ(nullptr, proxy.header);
    wire::SetProbeHeader(&proxy, nullptr);
    EXPECT_EQ(0, wire::AddReplyTo(&proxy, nullptr));
    EXPECT_EQ(nullptr, proxy.header->wsa__ReplyTo);
    EXPECT_EQ(nullptr, proxy.header->wsa__MessageID);
}

TEST(ProbeHeader, SetProbeHeaderClearsWhatAnEarlierMessageSet)
{
    wire::ProbeProxy proxy;
    wire::SetProbeHeader(&proxy, "one");
    wire::AddReplyTo(&proxy, "http://x/");
    proxy.header->AppSequence.MessageNumber = 7;
    wire::SetProbeHeader(&proxy, "two");
    EXPECT_STREQ("two", proxy.header->wsa__MessageID);
    EXPECT_EQ(nullptr, proxy.header->wsa__ReplyTo);
    EXPECT_EQ(0u, proxy.header->AppSequence.MessageNumber);
}

TEST(ProbeEnvelope, ReceivedOverridesChangeLaterDeclarations)
{
    wire::ProbeProxy proxy;
    wire::StateOf(&proxy).overrides[wire::kRowEncoding] = std::string("http://www.w3.org/2003/05/soap-encoding");
    std::string text = WriteProbe(&proxy, kForms[2], "Halden", "s");
    EXPECT_NE(std::string::npos, text.find("xmlns:c=\"http://www.w3.org/2003/05/soap-encoding\""));
}

TEST(FaultBody, Soap12FaultHasCodeSubcodeReasonAndDetail)
{
    wire::ProbeProxy ctx;
    wire::StringOutput out;
    wire::XmlWriter w(&ctx, out);
    wire::WriteFaultBody(w, {"b:Sender", "g:ActionNotSupported", "why & how", "<x>1</x>"});
    EXPECT_EQ("<b:Fault><b:Code><b:Value>b:Sender</b:Value><b:Subcode><b:Value>g:ActionNotSupported</b:Value>"
              "</b:Subcode></b:Code><b:Reason><b:Text xml:lang=\"en\">why &amp; how</b:Text></b:Reason>"
              "<b:Detail><x>1</x></b:Detail></b:Fault>",
              out.text);
}

TEST(FaultBody, Soap11FaultUsesTheOldElementsAndMustUnderstandOne)
{
    wire::ProbeProxy ctx;
    wire::StateOf(&ctx).version = 1;
    wire::StringOutput out;
    wire::XmlWriter w(&ctx, out);
    wire::WriteFaultBody(w, {"b:Client", "", "bad", ""});
    w.TextElement("g:To", "t", nullptr, true);
    EXPECT_EQ("<b:Fault><faultcode>b:Client</faultcode><faultstring e:type=\"f:string\">bad</faultstring></b:Fault>"
              "<g:To b:mustUnderstand=\"1\">t</g:To>",
              out.text);
}

TEST(ProbeSocket, EachFormArrivesOnTheGroupExactlyAsWritten)
{
    int port = 0;
    int probe = wiretest::LoopbackUdp(port);  // reserve a port number for the group listener
    close(probe);
    int listener = wiretest::GroupListener(port);
    for (const ProbeForm& form : kForms) {
        wire::ProbeProxy writer;
        std::string expected = WriteProbe(&writer, form, form.types, form.scopes);

        wire::ProbeProxy proxy;
        wire::SetProbeHeader(&proxy, kMessageId.c_str());
        if (*form.replyTo) wire::AddReplyTo(&proxy, form.replyTo);
        std::string types = form.types, scopes = form.scopes;
        disc__ScopesType scopesRecord;
        scopesRecord.__item = scopes.data();
        scopesRecord.MatchBy = const_cast<char*>(kRule.c_str());
        disc__ProbeType body;
        body.Types = types.data();
        body.Scopes = &scopesRecord;
        std::string endpoint = "soap.udp://239.255.255.250:" + std::to_string(port);
        ASSERT_EQ(0, wire::SendProbeMessage(&proxy, endpoint.c_str(), body, "127.0.0.1", 1)) << form.name;

        sockaddr_in from{};
        EXPECT_EQ(expected, wiretest::ReadDatagram(listener, 2000, &from)) << form.name;
        EXPECT_EQ(wire::LocalPort(&proxy), ntohs(from.sin_port)) << form.name;
    }
    close(listener);
}

}  // namespace

}  // namespace signseek
