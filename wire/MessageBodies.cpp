#include "wire/MessageBodies.h"

#include "wire/EnvelopeReader.h"
#include "wire/NamespaceTable.h"

#include <cstring>
#include <utility>

namespace signseek::wire {

MessageKind RecogniseMessage(soap* ctx)
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
        if (*action == kByeAction) return MessageKind::Bye;
    } else {
        const std::pair<const char*, MessageKind> names[] = {{"disc:ProbeMatches", MessageKind::ProbeMatches},
                                                             {"disc:ResolveMatches", MessageKind::ResolveMatches},
                                                             {"disc:Hello", MessageKind::Hello},
                                                             {"disc:Bye", MessageKind::Bye}};
        for (const auto& [name, kind] : names) {
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

// An extension item is its element's text from start tag to end tag. The
// runtime's literal reader runs on to the next tag, so the white space that
// follows the element (indentation) comes with it; cut it off.
void TrimItems(int size, char** items)
{
    for (int i = 0; items && i < size; ++i) {
        char* item = items[i];
        if (!item) continue;
        std::size_t length = std::strlen(item);
        while (length > 0 && (item[length - 1] == ' ' || item[length - 1] == '\t' || item[length - 1] == '\n' ||
                              item[length - 1] == '\r'))
            --length;
        item[length] = '\0';
    }
}

template <typename Record> void TrimRecordItems(Record* record)
{
    if (record) TrimItems(record->__size, record->__any);
}

void TrimRecordItems(disc__ProbeMatchesType* matches)
{
    TrimItems(matches->__size, matches->__any);
    for (disc__ProbeMatchType* match : matches->ProbeMatch) TrimRecordItems(match);
}

void TrimRecordItems(disc__ResolveMatchesType* matches)
{
    TrimItems(matches->__size, matches->__any);
    TrimRecordItems(matches->ResolveMatch);
}

template <typename Record> Record* Finish(soap* ctx, Record* record)
{
    if (!record) {
        if (!ctx->error) ctx->error = SOAP_TAG_MISMATCH;
        return nullptr;
    }
    if (FinishMessage(ctx)) return nullptr;
    TrimRecordItems(record);
    return record;
}

}  // namespace

disc__ProbeMatchesType* ReadProbeMatches(soap* ctx)
{
    return Finish(ctx, soap_in_disc__ProbeMatchesType(ctx, "disc:ProbeMatches", nullptr, nullptr));
}

disc__ResolveMatchesType* ReadResolveMatches(soap* ctx)
{
    return Finish(ctx, soap_in_disc__ResolveMatchesType(ctx, "disc:ResolveMatches", nullptr, nullptr));
}

disc__HelloType* ReadHello(soap* ctx)
{
    return Finish(ctx, soap_in_disc__HelloType(ctx, "disc:Hello", nullptr, nullptr));
}

disc__ByeType* ReadBye(soap* ctx) { return Finish(ctx, soap_in_disc__ByeType(ctx, "disc:Bye", nullptr, nullptr)); }

}  // namespace signseek::wire