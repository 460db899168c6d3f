#include "wire/MessageBodies.h"

#include "wire/EnvelopeReader.h"
#include "wire/NamespaceTable.h"

#include <utility>

namespace wire {

MessageKind RecogniseMessage(soap *ctx)
{
    if (soap_peek_element(ctx)) {
        // End of Body instead of a child element.
        if (ctx->error == SOAP_NO_TAG || ctx->error == SOAP_TAG_MISMATCH) ctx->error = SOAP_NO_TAG;
        return MessageKind::None;
    }
    if (auto action = CurrentAction(ctx)) {
        if (*action == kProbeMatchesAction) return MessageKind::ProbeMatches;
        if (*action == kResolveMatchesAction) return MessageKind::ResolveMatches;
        if (*action == kHelloAction) return MessageKind::Hello;
    } else {
        const std::pair<const char *, MessageKind> names[] = {{"disc:ProbeMatches", MessageKind::ProbeMatches},
                                                              {"disc:ResolveMatches", MessageKind::ResolveMatches},
                                                              {"disc:Hello", MessageKind::Hello}};
        for (const auto &[name, kind] : names) {
            int rc = soap_match_tag(ctx, ctx->tag, name);
            if (rc == SOAP_OK) return kind;
            if (rc == SOAP_SYNTAX_ERROR) {  // the child's prefix is not declared
                ctx->error = rc;
                return MessageKind::None;
            }
        }
    }
    ctx->error = SOAP_NO_METHOD;
    return MessageKind::None;
}

namespace {

template <typename Record>
Record *Finish(soap *ctx, Record *record)
{
    if (!record) {
        if (!ctx->error) ctx->error = SOAP_TAG_MISMATCH;
        return nullptr;
    }
    if (FinishMessage(ctx)) return nullptr;
    return record;
}

}  // namespace

disc__ProbeMatchesType *ReadProbeMatches(soap *ctx)
{
    return Finish(ctx, soap_in_disc__ProbeMatchesType(ctx, "disc:ProbeMatches", nullptr, nullptr));
}

disc__ResolveMatchesType *ReadResolveMatches(soap *ctx)
{
    return Finish(ctx, soap_in_disc__ResolveMatchesType(ctx, "disc:ResolveMatches", nullptr, nullptr));
}

disc__HelloType *ReadHello(soap *ctx)
{
    return Finish(ctx, soap_in_disc__HelloType(ctx, "disc:Hello", nullptr, nullptr));
}

}  // namespace wire
