#include "wire/Envelope.h"

#include "wire/MessageHeader.h"
#include "wire/WireState.h"

namespace signseek::wire {

int WriteEnvelope(soap* ctx, Output& out, const BodyWriter& body)
{
    WireState& state = StateOf(ctx);
    // The runtime's encoding style would otherwise add b:encodingStyle.
    ctx->encodingStyle = nullptr;

    XmlWriter w(ctx, out);
    w.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    std::string start = "<b:Envelope";
    for (int row = 0; row < kNamespaceRows; ++row) {
        std::string uri = state.OutputUri(row);
        start += " xmlns:";
        start += kOutputPrefixes[row];
        start += "=\"";
        start += EscapeAttribute(uri);
        start += '"';
    }
    start += '>';
    w.Raw(start);
    if (ctx->header) {
        w.StartElement("b:Header");
        WriteHeaderBlocks(w, *ctx->header);
        w.EndElement("b:Header");
    }
    w.StartElement("b:Body");
    if (body) body(w);
    w.EndElement("b:Body");
    w.EndElement("b:Envelope");
    return w.Error();
}

}  // namespace signseek::wire