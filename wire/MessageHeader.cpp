#include "wire/MessageHeader.h"

#include "wire/NamespaceTable.h"

#include <string>

namespace signseek::wire {
namespace {

void WriteEndpointReference(XmlWriter& w, const char* element, const wsa__EndpointReferenceType& epr,
                            bool mustUnderstand)
{
    w.StartElement(element, nullptr, mustUnderstand);
    if (epr.Address) w.TextElement("g:Address", epr.Address, "f:string");
    auto containers = [&w](const char* name, int size, char** items) {
        w.StartElement(name);
        for (int i = 0; i < size; ++i)
            if (items[i]) w.Literal(items[i]);
        w.EndElement(name);
    };
    if (epr.ReferenceProperties)
        containers("g:ReferenceProperties", epr.ReferenceProperties->__size, epr.ReferenceProperties->__any);
    if (epr.ReferenceParameters)
        containers("g:ReferenceParameters", epr.ReferenceParameters->__size, epr.ReferenceParameters->__any);
    if (epr.PortType) w.TextElement("g:PortType", epr.PortType);
    if (epr.ServiceName) {
        if (epr.ServiceName->PortName) w.QueueAttribute("PortName", epr.ServiceName->PortName);
        w.TextElement("g:ServiceName", epr.ServiceName->__item ? epr.ServiceName->__item : "");
    }
    for (int i = 0; i < epr.__size; ++i)
        if (epr.__any[i]) w.Literal(epr.__any[i]);
    w.EndElement(element);
}

}  // namespace

int SetProbeHeader(soap* ctx, const char* messageId)
{
    if (!ctx->header) {
        ctx->header = soap_new_SOAP_ENV__Header(ctx);
        if (!ctx->header) return ctx->error = SOAP_EOM;
    }
    MessageHeader& h = *ctx->header;
    soap_default_SOAP_ENV__Header(ctx, &h);
    h.AppSequence.soap_default(ctx);
    h.wsa__MessageID = messageId ? soap_strdup(ctx, messageId) : nullptr;
    h.wsa__To = soap_strdup(ctx, kDiscoveryTo);
    h.wsa__Action = soap_strdup(ctx, kProbeAction);
    return 0;
}

int AddReplyTo(soap* ctx, const char* address)
{
    if (!ctx->header) return -1;
    if (!address) return 0;
    auto* replyTo = soap_new_wsa__EndpointReferenceType(ctx);
    if (!replyTo) return ctx->error = SOAP_EOM;
    soap_default_wsa__EndpointReferenceType(ctx, replyTo);
    replyTo->Address = soap_strdup(ctx, address);
    ctx->header->wsa__ReplyTo = replyTo;
    return 0;
}

void WriteHeaderBlocks(XmlWriter& w, const MessageHeader& h)
{
    if (h.wsa__MessageID) w.TextElement("g:MessageID", h.wsa__MessageID);
    if (h.wsa__RelatesTo) {
        if (h.wsa__RelatesTo->RelationshipType)
            w.QueueAttribute("RelationshipType", h.wsa__RelatesTo->RelationshipType);
        w.TextElement("g:RelatesTo", h.wsa__RelatesTo->__item ? h.wsa__RelatesTo->__item : "");
    }
    if (h.wsa__From) WriteEndpointReference(w, "g:From", *h.wsa__From, false);
    if (h.wsa__ReplyTo) WriteEndpointReference(w, "g:ReplyTo", *h.wsa__ReplyTo, true);
    if (h.wsa__FaultTo) WriteEndpointReference(w, "g:FaultTo", *h.wsa__FaultTo, true);
    if (h.wsa__To) w.TextElement("g:To", h.wsa__To, nullptr, true);
    if (h.wsa__Action) w.TextElement("g:Action", h.wsa__Action, nullptr, true);

    const disc__AppSequenceType& seq = h.AppSequence;
    w.QueueAttribute("InstanceId", std::to_string(seq.InstanceId));
    if (seq.SequenceId) w.QueueAttribute("SequenceId", seq.SequenceId);
    w.QueueAttribute("MessageNumber", std::to_string(seq.MessageNumber));
    w.StartElement("AppSequence", "h:AppSequenceType");
    if (seq.__mixed) w.Literal(seq.__mixed);
    w.EndElement("AppSequence");
}

}  // namespace signseek::wire