#include "wire/FaultWriter.h"

#include "soapH.h"
#include "wire/Envelope.h"
#include "wire/EnvelopeReader.h"
#include "wire/HttpExchange.h"
#include "wire/NamespaceTable.h"
#include "wire/Transport.h"
#include "wire/WireState.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/socket.h>

namespace wire {
namespace {

// A socket that cannot be written, or has an error pending, gets no fault.
bool CanTakeFault(const soap *ctx)
{
    if (!soap_valid_socket(ctx->socket)) return false;
    pollfd p{ctx->socket, POLLOUT, 0};
    if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLOUT)) return false;
    int pending = 0;
    socklen_t len = sizeof pending;
    if (getsockopt(ctx->socket, SOL_SOCKET, SO_ERROR, &pending, &len) == 0 && pending) return false;
    return true;
}

std::string AddressOf(const wsa__EndpointReferenceType *epr)
{
    return epr && epr->Address ? epr->Address : "";
}

// Builds the header of an ActionNotSupported fault in place of the received one.
// Returns the FaultTo address the fault must travel to, if it must.
std::optional<std::string> ReplaceHeaderForFault(soap *ctx)
{
    const MessageHeader *received = ctx->header;
    // An element that is present counts, even with empty text.
    const bool hasMessageId = received && received->wsa__MessageID;
    std::string messageId = hasMessageId ? received->wsa__MessageID : "";
    const bool hasFaultTo = received && received->wsa__FaultTo && received->wsa__FaultTo->Address;
    std::string faultTo = received ? AddressOf(received->wsa__FaultTo) : "";
    std::string from = received ? AddressOf(received->wsa__From) : "";
    const bool hasFrom = received && received->wsa__From;

    auto *h = soap_new_SOAP_ENV__Header(ctx);
    soap_default_SOAP_ENV__Header(ctx, h);
    h->AppSequence.soap_default(ctx);
    if (hasMessageId) {
        h->wsa__RelatesTo = soap_new_wsa__Relationship(ctx);
        soap_default_wsa__Relationship(ctx, h->wsa__RelatesTo);
        h->wsa__RelatesTo->__item = soap_strdup(ctx, messageId.c_str());
    }
    h->wsa__Action = soap_strdup(ctx, kAddressingFaultAction);
    std::string to;
    std::optional<std::string> redirect;
    if (hasFaultTo && faultTo != kAnonymousUri) {
        to = faultTo;
        if (!hasFrom || from != faultTo) redirect = faultTo;
    } else if (hasFrom) {
        to = from;
    } else {
        to = kAnonymousUri;
    }
    h->wsa__To = soap_strdup(ctx, to.c_str());
    ctx->header = h;
    return redirect;
}

std::string FaultEnvelope(soap *ctx, const FaultDescription &fault)
{
    StringOutput out;
    WriteEnvelope(ctx, out, [&fault](XmlWriter &w) { WriteFaultBody(w, fault); });
    return out.text;
}

// Sends the fault as a new request to the FaultTo address from a context of
// its own, so the listener's exchange is left alone.
void SendFaultElsewhere(soap *listener, const std::string &address, const FaultDescription &fault)
{
    soap sender;  // the runtime's constructor and destructor init and release it
    PrepareContext(&sender, TransportMode::Tcp);
    StateOf(&sender).version = StateOf(listener).version;
    StateOf(&sender).overrides = StateOf(listener).overrides;
    sender.connect_timeout = listener->recv_timeout > 0 ? listener->recv_timeout : 1;
    sender.send_timeout = sender.connect_timeout;
    if (Connect(&sender, address.c_str(), kAddressingFaultAction) == SOAP_OK) {
        sender.header = listener->header;
        SendMessage(&sender, [&fault](XmlWriter &w) { WriteFaultBody(w, fault); });
        sender.header = nullptr;
    }
    soap_destroy(&sender);
    soap_end(&sender);
}

}  // namespace

void WriteFaultBody(XmlWriter &w, const FaultDescription &f)
{
    w.StartElement("b:Fault");
    if (w.Version() == 1) {
        w.TextElement("faultcode", f.code);
        w.TextElement("faultstring", f.reason, "f:string");
        if (!f.detail.empty()) {
            w.StartElement("detail");
            w.Literal(f.detail);
            w.EndElement("detail");
        }
    } else {
        w.StartElement("b:Code");
        w.TextElement("b:Value", f.code);
        if (!f.subcode.empty()) {
            w.StartElement("b:Subcode");
            w.TextElement("b:Value", f.subcode);
            w.EndElement("b:Subcode");
        }
        w.EndElement("b:Code");
        w.StartElement("b:Reason");
        w.QueueAttribute("xml:lang", "en");
        w.TextElement("b:Text", f.reason);
        w.EndElement("b:Reason");
        if (!f.detail.empty()) {
            w.StartElement("b:Detail");
            w.Literal(f.detail);
            w.EndElement("b:Detail");
        }
    }
    w.EndElement("b:Fault");
}

int SendFault(soap *ctx)
{
    const int code = ctx->error;
    if (code == kErrStop) return SOAP_OK;
    if (code == SOAP_EOF && (ctx->recv_timeout || ctx->send_timeout)) return SOAP_OK;
    if (!CanTakeFault(ctx)) return SOAP_OK;

    FaultDescription fault;
    std::optional<std::string> redirect;
    if (code == SOAP_NO_METHOD && AddressingEnabled(ctx)) {
        fault.code = StateOf(ctx).version == 1 ? "b:Client" : "b:Sender";
        fault.subcode = "g:ActionNotSupported";
        fault.reason = "The [action] cannot be processed at the receiver.";
        // The action is device text: escaped, so it cannot break the fault open.
        if (auto action = CurrentAction(ctx)) fault.detail = EscapeContent(*action);
        redirect = ReplaceHeaderForFault(ctx);
    } else {
        fault = DescribeError(ctx);
        ctx->header = nullptr;  // only the ActionNotSupported fault carries a header
    }

    if (redirect) {
        // An address that cannot be reached (an empty one among them) gets nothing.
        SendEmptyResponse(ctx, 202);
        SendFaultElsewhere(ctx, *redirect, fault);
        ctx->header = nullptr;
        ctx->error = code;
        return SOAP_OK;
    }

    std::string envelope = FaultEnvelope(ctx, fault);
    ctx->header = nullptr;
    int rc;
    if (IsUdp(ctx)) {
        rc = SendBytes(ctx, envelope);
    } else {
        int status = fault.code == "b:Sender" || fault.code == "b:Client" ? 400 : 500;
        rc = SendBytes(ctx, HttpResponse(status, "application/soap+xml; charset=utf-8", envelope));
    }
    ctx->error = code;
    return rc;
}

}  // namespace wire
