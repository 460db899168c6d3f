#pragma once
// Per-context state of the wire layer that must outlive a single message:
// the namespace rows' input overrides, the SOAP version, the queued-attribute
// order and the WS-Addressing switch. It rides on the context as a plug-in so
// every function that is handed a `soap*` can find it.

#include "wire/NamespaceTable.h"
#include "wire/ReceivedText.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace signseek::wire {

class DatagramReceiver;

struct WireState {
    std::array<std::optional<std::string>, kNamespaceRows> overrides;
    int version = 2;  // SOAP 1.2 unless row 1 holds the 1.1 envelope URI
    // Attribute names in the order they are written; a name seen for the
    // first time goes to the front and keeps its place from then on.
    std::vector<std::string> attributeOrder;
    bool addressing = false;
    std::optional<std::string> currentAction;

    // Texts of a failure set by this layer (transport steps), used when the
    // fault for the current error is described.
    std::string failureReason;
    std::string failureDetail;
    bool receiverFailure = false;
    std::string failedElement;  // element name as received, for must-understand
    int lookupError = 0;        // host lookup failure (getaddrinfo code), else 0

    // Transport bookkeeping.
    bool datagramTaken = false;    // a UDP message is one datagram: no second read
    std::size_t datagramSize = 0;  // size of the datagram being served
    int refusal = 0;               // error code of a message refused before parsing, else 0
    bool listener = false;
    // Where a UDP listener's datagrams wait once read off its socket (null:
    // the socket is read directly). Owned by whoever started it.
    DatagramReceiver* datagrams = nullptr;
    // A request already collected from its connection, read from here
    // instead of the socket while it is served (null when none).
    const std::string* replay = nullptr;
    std::size_t replayOffset = 0;
    // Steady-clock milliseconds after which no read or write of the current
    // exchange may wait; 0 when none.
    std::int64_t deadlineMillis = 0;
    // Fault datagrams left in the current second, and that second.
    int faultBudget = 0;
    std::int64_t faultSecond = -1;

    // The received XML of the current message, kept for the prefix check;
    // messages beyond the limit are not checked. The filter blanks stray
    // text on the way in and leaves the HTTP header out.
    ReceivedTextFilter receivedFilter;
    std::string received;
    bool receivedTooLong = false;
    // The runtime's id and pointer tables are known to be empty: the last
    // message could not fill them.
    bool runtimeTablesEmpty = false;

    // Output URI of a row: the override when the row holds one.
    std::string OutputUri(int row) const;
};

// The state of a context, created on first use.
WireState& StateOf(soap* ctx);

// The runtime keeps a row's received URI only for one message. Forget its
// bindings before a message, Keep the pattern matches after each read step,
// and let declarations of a row's own URI on the element just peeked clear
// the row's override.
void ForgetRuntimeBindings(soap* ctx);
void KeepInputOverrides(soap* ctx);
void ClearOverridesDeclaredExactly(soap* ctx);

}  // namespace signseek::wire