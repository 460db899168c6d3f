// Decoding throughput of one ProbeMatches message: the whole receive path of
// a listener (envelope, header, recognition, body, prefix check, handler),
// read from memory so that only decoding is measured. --print-message writes
// the message instead, so another parser can be timed on the same bytes.
// --runtime-only decodes the same bytes with the runtime and the generated
// reader alone, in the runtime's own lifecycle (no text filter, prefix check
// or header rules): the floor under the listener's figure.

#include "soapH.h"
#include "wire/EnvelopeReader.h"
#include "wire/MatchServiceBase.h"
#include "wire/NamespaceTable.h"
#include "wire/PrefixCheck.h"
#include "wire/ReceivedText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace signseek;

namespace {

const std::string kMessage =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
    "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
    "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><s:Header>"
    "<a:MessageID>urn:uuid:6d1a0c55-7f0e-4c3a-9a51-0000000001a1</a:MessageID>"
    "<a:RelatesTo>0f8fad5b-d9cb-469f-a165-70867728950e</a:RelatesTo>"
    "<a:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:To>"
    "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</a:Action>"
    "<d:AppSequence InstanceId=\"7\" MessageNumber=\"1\"></d:AppSequence></s:Header><s:Body>"
    "<d:ProbeMatches><d:ProbeMatch><a:EndpointReference><a:Address>urn:uuid:6d1a0c55-7f0e-4c3a-9a51-000000000401"
    "</a:Address></a:EndpointReference><d:Types>x8</d:Types>"
    "<d:Scopes>http://schemas.marvane.com/scopes/marvane/Ferro/X8 http://www.marvane.com</d:Scopes>"
    "<d:XAddrs>http://10.20.30.40:80/</d:XAddrs><d:MetadataVersion>3</d:MetadataVersion>"
    "<Description>Atrium Wall</Description><Height>2160</Height><Width>3840</Width>"
    "<MAC>00-1B-44-11-3A-B7</MAC><DHCPName>ferro-atrium</DHCPName><ComputerName>FERRO-ATRIUM</ComputerName>"
    "<DiscoveryVersion>3.0.2</DiscoveryVersion>"
    "<Services>ns3:quellad:8080 ns4:quellad:8081 playerd:8082 zamrod:8083 vsftpd:21</Services>"
    "</d:ProbeMatch></d:ProbeMatches></s:Body></s:Envelope>";

struct Source {
    const std::string* text;
    std::size_t offset;
};

size_t ReadFromMemory(soap* ctx, char* buffer, size_t length)
{
    auto* source = static_cast<Source*>(ctx->user);
    std::size_t n = std::min(length, source->text->size() - source->offset);
    std::memcpy(buffer, source->text->data() + source->offset, n);
    source->offset += n;
    return n;
}

class CountingListener : public wire::MatchServiceBase {
public:
    CountingListener() : MatchServiceBase(wire::TransportMode::Udp) { wire::EnableAddressing(this); }
    int ProbeMatches(disc__ProbeMatchesType* m) override
    {
        if (!m->ProbeMatch.empty() && m->ProbeMatch[0]->__size == 8) ++decoded;
        return 0;
    }
    long decoded = 0;
};

// The bare runtime: one message from begin to end, as its own services do.
bool DecodeBare(soap* ctx)
{
    disc__ProbeMatchesType* m = nullptr;
    if (!soap_begin_recv(ctx) && !soap_envelope_begin_in(ctx) && !soap_recv_header(ctx) && !soap_body_begin_in(ctx))
        m = soap_in_disc__ProbeMatchesType(ctx, "disc:ProbeMatches", nullptr, nullptr);
    const bool ok = m && !soap_body_end_in(ctx) && !soap_envelope_end_in(ctx) && !soap_end_recv(ctx) &&
                    !m->ProbeMatch.empty() && m->ProbeMatch[0]->__size == 8;
    soap_destroy(ctx);
    soap_end(ctx);
    return ok;
}

// Messages a second of `serveOne` reaches, over `seconds`.
template <typename F> double Measure(const char* what, double seconds, F serveOne)
{
    long served = 0, decoded = 0;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = std::chrono::duration<double>::zero();
    while (elapsed.count() < seconds) {
        for (int i = 0; i < 1000; ++i) {
            decoded += serveOne() ? 1 : 0;
            ++served;
        }
        elapsed = std::chrono::steady_clock::now() - start;
    }
    if (decoded != served) {
        std::fprintf(stderr, "decode failed: %ld of %ld messages decoded\n", decoded, served);
        std::exit(1);
    }
    const double rate = served / elapsed.count();
    if (what)
        std::printf("%s: %zu-byte message, %ld messages in %.2f s = %.0f messages/s on one core\n", what,
                    kMessage.size(), served, elapsed.count(), rate);
    return rate;
}

}  // namespace

int main(int argc, char** argv)
{
    // The message itself, for a comparison with another parser on the same bytes.
    if (argc > 1 && std::strcmp(argv[1], "--print-message") == 0) {
        std::fwrite(kMessage.data(), 1, kMessage.size(), stdout);
        return 0;
    }
    const bool runtimeOnly = argc > 1 && std::strcmp(argv[1], "--runtime-only") == 0;
    const int secondsArg = runtimeOnly ? 2 : 1;
    const double seconds = argc > secondsArg ? std::atof(argv[secondsArg]) : 3.0;
    Source source{&kMessage, 0};
    if (runtimeOnly) {
        soap* ctx = soap_new1(SOAP_IO_UDP | SOAP_ENC_PLAIN | SOAP_XML_TREE);
        soap_set_namespaces(ctx, wire::NamespaceTable());
        ctx->frecv = ReadFromMemory;
        ctx->user = &source;
        Measure("ProbeMatches decoding, runtime alone", seconds, [&] {
            source.offset = 0;
            return DecodeBare(ctx);
        });
        soap_free(ctx);
        return 0;
    }
    CountingListener listener;
    listener.frecv = ReadFromMemory;
    listener.user = &source;
    const double decodes = Measure("ProbeMatches decoding", seconds, [&] {
        source.offset = 0;
        const long before = listener.decoded;
        listener.ServeOne();
        return listener.decoded == before + 1;
    });
    // The listener's own passes over the bytes (text filter, prefix check)
    // alone, for their share of a decode.
    std::string bytes = kMessage, kept;
    wire::ReceivedTextFilter filter;
    const double passes = Measure(nullptr, seconds / 3, [&] {
        std::copy(kMessage.begin(), kMessage.end(), bytes.begin());
        kept.clear();
        bool tooLong = false;
        filter.Reset(false);
        filter.Feed(bytes.data(), bytes.size(), kept, bytes.size(), tooLong);
        const auto found = filter.Prefixes();
        return found == wire::PrefixScopes::Finding::Unknown ? wire::AllPrefixesDeclared(kept)
                                                             : found == wire::PrefixScopes::Finding::AllDeclared;
    });
    std::printf("of which the text filter and prefix check: %.1f%%\n", 100 * decodes / passes);
    return 0;
}
