#pragma once
// Error codes of the wire layer and the fault each one reads as.

#include <stdsoap2.h>

#include <string>

namespace signseek::wire {

// Codes that differ from the runtime's numbering.
enum WireErrorCode {
    kErrEndOfInput = -1,
    kErrHttpDelete = 17,
    kErrHttpHead = 18,
    kErrHttpMethod = 19,
    kErrConnections = 46,
    kErrStop = 1000,
};

struct FaultDescription {
    std::string code;     // qualified name, "b:Sender" etc.
    std::string subcode;  // empty when none
    std::string reason;
    std::string detail;  // literal XML or text; empty when none
};

// The system's code for the context's current error (the runtime's numbers
// above 45 are brought into the system's table).
int SystemErrorCode(const soap* ctx);

// Code, reason and detail of the fault for the context's current error.
FaultDescription DescribeError(soap* ctx);

// The text that describes the last socket failure of a context.
std::string SocketErrorText(const soap* ctx);

// Standard reason phrase of an HTTP status code.
const char* HttpReasonPhrase(int status);

// Records a transport step's failure: error 28 with the socket error number
// and the step text as detail.
int SetTransportError(soap* ctx, const char* stepText, int socketError, bool receiver);

}  // namespace signseek::wire