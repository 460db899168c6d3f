#pragma once
// The WS-Addressing / WS-Discovery header of a context's current message.

#include "soapH.h"
#include "wire/XmlWriter.h"

namespace signseek::wire {

// Creates the header when missing, resets every field, and fills MessageID,
// To and Action for a probe. Returns 0.
int SetProbeHeader(soap* ctx, const char* messageId);

// Adds a ReplyTo endpoint whose only field is its address. -1 without a
// header; a null address changes nothing.
int AddReplyTo(soap* ctx, const char* address);

// Writes the header blocks in their fixed order (each only when present).
void WriteHeaderBlocks(XmlWriter& writer, const MessageHeader& header);

}  // namespace signseek::wire