#include "wire/EnvelopeReader.h"

#include "soapH.h"
#include "wire/NamespaceTable.h"
#include "wire/WireState.h"

#include <cstring>

namespace wire {
namespace {

const char kAddressingPluginId[] = "SOAP-WSA-1.2";

int CreateAddressingPlugin(soap *, soap_plugin *p, void *)
{
    p->id = kAddressingPluginId;
    p->data = nullptr;
    p->fcopy = nullptr;
    p->fdelete = nullptr;
    return SOAP_OK;
}

std::string_view LocalName(const char *tag)
{
    const char *colon = std::strrchr(tag, ':');
    return colon ? colon + 1 : tag;
}

}  // namespace

int BeginReceive(soap *ctx)
{
    WireState &state = StateOf(ctx);
    state.currentAction.reset();
    state.failureReason.clear();
    state.failureDetail.clear();
    state.failedElement.clear();
    state.lookupError = 0;
    state.datagramTaken = false;
    ctx->action = nullptr;
    ctx->errnum = 0;
    if (soap_begin_recv(ctx)) return ctx->error;
    if (ctx->action) state.currentAction = ctx->action;
    SeedInputOverrides(ctx);
    return 0;
}

int ReadEnvelopeStart(soap *ctx)
{
    // The runtime would take a SOAP 1.1 envelope as well; only 1.2 is ours.
    if (soap_peek_element(ctx)) return ctx->error;
    KeepInputOverrides(ctx);
    if (LocalName(ctx->tag) != "Envelope") return ctx->error = SOAP_TAG_MISMATCH;
    const char *uri = soap_current_namespace_tag(ctx, ctx->tag);
    if (!uri || std::strcmp(uri, kSoapEnvelope12) != 0) return ctx->error = SOAP_VERSIONMISMATCH;
    if (soap_element_begin_in(ctx, "SOAP-ENV:Envelope", 0, nullptr)) return ctx->error;

    WireState &state = StateOf(ctx);
    state.version = 2;
    ctx->version = 2;
    state.overrides[kRowEncoding] = std::string(kSoapEncoding12);
    return 0;
}

int ReadHeader(soap *ctx)
{
    if (soap_recv_header(ctx)) {
        if (ctx->error == SOAP_MUSTUNDERSTAND) StateOf(ctx).failedElement = ctx->tag;
        return ctx->error;
    }
    KeepInputOverrides(ctx);
    WireState &state = StateOf(ctx);
    if (state.addressing && ctx->header && ctx->header->wsa__Action) state.currentAction = ctx->header->wsa__Action;
    return 0;
}

int ReadBodyStart(soap *ctx)
{
    if (soap_body_begin_in(ctx)) return ctx->error;
    KeepInputOverrides(ctx);
    return 0;
}

int ReadBodyEnd(soap *ctx) { return soap_body_end_in(ctx) ? ctx->error : 0; }

int ReadEnvelopeEnd(soap *ctx) { return soap_envelope_end_in(ctx) ? ctx->error : 0; }

int FinishMessage(soap *ctx)
{
    if (ReadBodyEnd(ctx) || ReadEnvelopeEnd(ctx) || soap_end_recv(ctx)) return ctx->error;
    return 0;
}

int EnableAddressing(soap *ctx)
{
    if (soap_register_plugin_arg(ctx, CreateAddressingPlugin, nullptr)) return ctx->error;
    StateOf(ctx).addressing = true;
    return 0;
}

bool AddressingEnabled(soap *ctx) { return StateOf(ctx).addressing; }

std::optional<std::string> CurrentAction(soap *ctx) { return StateOf(ctx).currentAction; }

}  // namespace wire
