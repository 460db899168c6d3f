#pragma once
// Faults sent by the receiving side for a failed message.

#include "wire/ErrorTable.h"
#include "wire/XmlWriter.h"

namespace signseek::wire {

// Writes the b:Fault body element (SOAP 1.2 or 1.1 form, by the context's version).
void WriteFaultBody(XmlWriter& writer, const FaultDescription& fault);

// Sends the fault for the context's current error, unless the rules say to
// stay quiet (stop code, a quiet line, a socket that cannot take it). With
// WS-Addressing on, an unrecognised message draws ActionNotSupported.
int SendFault(soap* ctx);

}  // namespace signseek::wire