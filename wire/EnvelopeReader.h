#pragma once
// Input steps of one received message and the WS-Addressing behaviour.

#include <stdsoap2.h>

#include <optional>
#include <string>

namespace signseek::wire {

// Starts a new message on the context's current socket (HTTP request header
// first over TCP). Every message starts without a current action; the HTTP
// header may give one.
int BeginReceive(soap* ctx);

int ReadEnvelopeStart(soap* ctx);
int ReadHeader(soap* ctx);
int ReadBodyStart(soap* ctx);
int ReadBodyEnd(soap* ctx);
int ReadEnvelopeEnd(soap* ctx);
// Body end, envelope end and end of input.
int FinishMessage(soap* ctx);

// Switches on action capture and the ActionNotSupported fault for a context.
// Returns 0, or the plug-in error when memory runs out.
int EnableAddressing(soap* ctx);
bool AddressingEnabled(soap* ctx);

// The action of the message being handled, if any.
std::optional<std::string> CurrentAction(soap* ctx);

}  // namespace signseek::wire