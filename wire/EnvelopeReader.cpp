#include "wire/EnvelopeReader.h"

#include "soapH.h"
#include "wire/ErrorTable.h"
#include "wire/InputStart.h"
#include "wire/NamespaceTable.h"
#include "wire/PrefixCheck.h"
#include "wire/WireState.h"

#include <cstring>
#include <utility>

namespace signseek::wire {
namespace {

const char kAddressingPluginId[] = "SOAP-WSA-1.2";
const char kSoap11NextActor[] = "http://schemas.xmlsoap.org/soap/actor/next";
const char kSoap12NextRole[] = "http://www.w3.org/2003/05/soap-envelope/role/next";

// The runtime registers only plug-ins that can be deleted.
void DeleteAddressingPlugin(soap*, soap_plugin*) {}

int CreateAddressingPlugin(soap*, soap_plugin* p, void*)
{
    p->id = kAddressingPluginId;
    p->data = nullptr;
    p->fcopy = nullptr;
    p->fdelete = DeleteAddressingPlugin;
    return SOAP_OK;
}

// A block is for another node when its actor (SOAP 1.1 spelling) or role
// names anything but the "next" node of that spelling. The runtime checks
// only the spelling of the envelope's own version, so both are read here.
bool ForAnotherNode(soap* ctx)
{
    for (const struct soap_attribute* a = ctx->attributes; a; a = a->next) {
        if (!a->visible || !a->value) continue;
        if (!soap_match_att(ctx, a->name, "SOAP-ENV:actor") && std::strcmp(a->value, kSoap11NextActor) != 0)
            return true;
        if (!soap_match_att(ctx, a->name, "SOAP-ENV:role") && std::strcmp(a->value, kSoap12NextRole) != 0) return true;
    }
    return false;
}

std::string_view LocalName(const char* tag)
{
    const char* colon = std::strrchr(tag, ':');
    return colon ? colon + 1 : tag;
}

// The optional Header: each known block at most once, AppSequence by its local
// name in any namespace, everything else skipped unless it must be understood.
int ReadHeaderBlocks(soap* ctx)
{
    ctx->header = nullptr;
    if (soap_element_begin_in(ctx, "SOAP-ENV:Header", 0, nullptr)) {
        if (ctx->error == SOAP_TAG_MISMATCH || ctx->error == SOAP_NO_TAG) return ctx->error = SOAP_OK;
        return ctx->error;
    }
    auto* h = soap_new_SOAP_ENV__Header(ctx);
    if (!h) return ctx->error = SOAP_EOM;
    soap_default_SOAP_ENV__Header(ctx, h);
    h->AppSequence.soap_default(ctx);
    if (!ctx->body) {
        ctx->header = h;
        return SOAP_OK;
    }
    bool messageId = false, relatesTo = false, from = false, replyTo = false, faultTo = false, to = false,
         action = false, sequence = false;
    auto take = [ctx](bool& taken, const char* name) {
        if (taken || soap_match_tag(ctx, ctx->tag, name)) return false;
        taken = true;
        return true;
    };
    for (;;) {
        if (soap_peek_element(ctx)) {
            if (ctx->error == SOAP_NO_TAG) break;
            return ctx->error;
        }
        ClearOverridesDeclaredExactly(ctx);
        bool ok = true;
        if (take(messageId, "wsa:MessageID")) {
            ok = soap_in__wsa__MessageID(ctx, "wsa:MessageID", &h->wsa__MessageID, "") != nullptr;
        } else if (take(relatesTo, "wsa:RelatesTo")) {
            ok = soap_in_PointerTo_wsa__RelatesTo(ctx, "wsa:RelatesTo", &h->wsa__RelatesTo, "") != nullptr;
        } else if (take(from, "wsa:From")) {
            ok = soap_in_PointerTo_wsa__From(ctx, "wsa:From", &h->wsa__From, "") != nullptr;
        } else if (take(replyTo, "wsa:ReplyTo")) {
            ok = soap_in_PointerTo_wsa__ReplyTo(ctx, "wsa:ReplyTo", &h->wsa__ReplyTo, "") != nullptr;
        } else if (take(faultTo, "wsa:FaultTo")) {
            ok = soap_in_PointerTo_wsa__FaultTo(ctx, "wsa:FaultTo", &h->wsa__FaultTo, "") != nullptr;
        } else if (take(to, "wsa:To")) {
            ok = soap_in__wsa__To(ctx, "wsa:To", &h->wsa__To, "") != nullptr;
        } else if (take(action, "wsa:Action")) {
            ok = soap_in__wsa__Action(ctx, "wsa:Action", &h->wsa__Action, "") != nullptr;
        } else if (!sequence && LocalName(ctx->tag) == "AppSequence") {
            sequence = true;
            ok = soap_in_disc__AppSequenceType(ctx, nullptr, &h->AppSequence, nullptr) != nullptr;
        } else {
            if (ForAnotherNode(ctx)) ctx->other = 1;
            if (soap_ignore_element(ctx)) {
                if (ctx->error == SOAP_NO_TAG) break;
                return ctx->error;
            }
        }
        if (!ok) return ctx->error;
    }
    if (soap_element_end_in(ctx, "SOAP-ENV:Header")) return ctx->error;
    ctx->header = h;
    return SOAP_OK;
}

// A message refused before the runtime parsed it: no element is current.
int Refuse(soap* ctx, int code)
{
    ctx->tag[0] = '\0';
    return ctx->error = code;
}

}  // namespace

int BeginReceive(soap* ctx)
{
    WireState& state = StateOf(ctx);
    const int refused = std::exchange(state.refusal, 0);  // set for a request collected beforehand
    state.currentAction.reset();
    state.failureReason.clear();
    state.failureDetail.clear();
    state.failedElement.clear();
    state.lookupError = 0;
    state.datagramTaken = false;
    state.received.clear();
    state.receivedTooLong = false;
    state.receivedFilter.Reset((ctx->imode & SOAP_IO_UDP) == 0);
    ctx->action = nullptr;
    ctx->errnum = 0;
    if (refused) return Refuse(ctx, refused);
    if (StartInput(ctx)) {
        if (state.refusal) return Refuse(ctx, std::exchange(state.refusal, 0));
        // The runtime answers a method it does not know (TRACE and the like)
        // with a bare 405; it is refused like every other method but POST.
        if (ctx->error == 405 && (ctx->imode & SOAP_IO_UDP) == 0) ctx->error = kErrHttpMethod;
        return ctx->error;
    }
    if (ctx->action) state.currentAction = ctx->action;
    ForgetRuntimeBindings(ctx);
    return 0;
}

int ReadEnvelopeStart(soap* ctx)
{
    // The runtime would take a SOAP 1.1 envelope as well; only 1.2 is ours.
    if (soap_peek_element(ctx)) return ctx->error;
    ClearOverridesDeclaredExactly(ctx);
    KeepInputOverrides(ctx);
    if (LocalName(ctx->tag) != "Envelope") return ctx->error = SOAP_TAG_MISMATCH;
    const char* uri = soap_current_namespace_tag(ctx, ctx->tag);
    if (!uri || std::strcmp(uri, kSoapEnvelope12) != 0) return ctx->error = SOAP_VERSIONMISMATCH;
    if (soap_element_begin_in(ctx, "SOAP-ENV:Envelope", 0, nullptr)) return ctx->error;

    WireState& state = StateOf(ctx);
    state.version = 2;
    ctx->version = 2;
    state.overrides[kRowEncoding] = std::string(kSoapEncoding12);
    return 0;
}

int ReadHeader(soap* ctx)
{
    ctx->part = SOAP_IN_HEADER;
    int rc = ReadHeaderBlocks(ctx);
    ctx->part = SOAP_END_HEADER;
    if (rc) {
        if (rc == SOAP_MUSTUNDERSTAND) StateOf(ctx).failedElement = ctx->tag;
        return ctx->error = rc;
    }
    KeepInputOverrides(ctx);
    WireState& state = StateOf(ctx);
    if (state.addressing && ctx->header && ctx->header->wsa__Action) state.currentAction = ctx->header->wsa__Action;
    return 0;
}

int ReadBodyStart(soap* ctx)
{
    if (soap_body_begin_in(ctx)) return ctx->error;
    KeepInputOverrides(ctx);
    return 0;
}

int ReadBodyEnd(soap* ctx) { return soap_body_end_in(ctx) ? ctx->error : 0; }

int ReadEnvelopeEnd(soap* ctx) { return soap_envelope_end_in(ctx) ? ctx->error : 0; }

// End of input. The runtime's own end step also walks its whole table of
// SOAP-encoded ids, which literal messages never have, and that walk costs
// more than decoding a match; it is only needed when attachments follow.
int EndOfInput(soap* ctx)
{
    if (ctx->mode & (SOAP_ENC_DIME | SOAP_ENC_MIME)) return soap_end_recv(ctx);
    ctx->part = SOAP_END;
    if (ctx->fpreparefinalrecv) return ctx->error = ctx->fpreparefinalrecv(ctx);
    return SOAP_OK;
}

namespace {

// The filter followed the prefixes as the bytes came; only where it could not
// tell is the message scanned again.
bool PrefixesDeclared(const WireState& state)
{
    switch (state.receivedFilter.Prefixes()) {
    case PrefixScopes::Finding::AllDeclared: return true;
    case PrefixScopes::Finding::Undeclared: return false;
    case PrefixScopes::Finding::Unknown: break;
    }
    return AllPrefixesDeclared(state.received);
}

}  // namespace

int FinishMessage(soap* ctx)
{
    if (ReadBodyEnd(ctx) || ReadEnvelopeEnd(ctx) || EndOfInput(ctx)) return ctx->error;
    KeepInputOverrides(ctx);  // editions declared inside the Body count as well
    const WireState& state = StateOf(ctx);
    if (!state.receivedTooLong && !PrefixesDeclared(state)) return ctx->error = SOAP_SYNTAX_ERROR;
    return 0;
}

int EnableAddressing(soap* ctx)
{
    if (soap_register_plugin_arg(ctx, CreateAddressingPlugin, nullptr)) return ctx->error = SOAP_PLUGIN_ERROR;
    StateOf(ctx).addressing = true;
    return 0;
}

bool AddressingEnabled(soap* ctx) { return StateOf(ctx).addressing; }

std::optional<std::string> CurrentAction(soap* ctx) { return StateOf(ctx).currentAction; }

}  // namespace signseek::wire