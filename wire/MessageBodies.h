#pragma once
// Recognition and decoding of the WS-Discovery bodies the system receives.

#include "soapH.h"

namespace signseek::wire {

enum class MessageKind { None, ProbeMatches, ResolveMatches, Hello, Bye };

// After the Body start: the kind of the message (action first, then the name
// of the body's first child). On failure returns None with the context's
// error set (no tag, or no method).
MessageKind RecogniseMessage(soap* ctx);

// Decode the body element of the recognised kind and complete the message.
// Null on failure, with the context's error set.
disc__ProbeMatchesType* ReadProbeMatches(soap* ctx);
disc__ResolveMatchesType* ReadResolveMatches(soap* ctx);
disc__HelloType* ReadHello(soap* ctx);
disc__ByeType* ReadBye(soap* ctx);

}  // namespace signseek::wire