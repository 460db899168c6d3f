#pragma once
// The start of reading a message. One that comes without an HTTP header (a
// datagram) starts without the runtime's per-message clearing of its id and
// pointer tables.
//
// The runtime clears both tables, some six thousand slots, at the start of
// every message: a quarter of the instructions of decoding a match. Literal
// XML never fills them (ids and references are read only in encoded, DIME or
// MTOM messages, and pointers are entered only when the runtime writes), so a
// message starts here with everything else reset the way the runtime resets
// it, while the tables are known to be empty.

#include <stdsoap2.h>

namespace signseek::wire {

// What soap_begin_recv does. A context in plain (datagram) mode starts here
// when the tables are empty and the message opens with markup; otherwise,
// with any bytes read so far, it is soap_begin_recv that starts it (HTTP,
// attachments, a byte order mark).
int StartInput(soap* ctx);

}  // namespace signseek::wire
