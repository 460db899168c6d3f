#include "wire/MatchServiceBase.h"

#include "wire/EnvelopeReader.h"
#include "wire/FaultWriter.h"
#include "wire/MessageBodies.h"

namespace signseek::wire {

MatchServiceBase::MatchServiceBase(TransportMode mode) { PrepareContext(this, mode); }

MatchServiceBase::~MatchServiceBase()
{
    if (soap_valid_socket(socket) && socket != master) fclosesocket(this, socket);
    socket = SOAP_INVALID_SOCKET;
    if (soap_valid_socket(master)) fclosesocket(this, master);
    master = SOAP_INVALID_SOCKET;
}

int MatchServiceBase::dispatch()
{
    switch (RecogniseMessage(this)) {
    case MessageKind::ProbeMatches:
        if (auto* m = ReadProbeMatches(this)) return error = ProbeMatches(m);
        return error;
    case MessageKind::ResolveMatches:
        if (auto* m = ReadResolveMatches(this)) return error = ResolveMatches(m);
        return error;
    case MessageKind::Hello:
        if (auto* m = ReadHello(this)) return error = Hello(m);
        return error;
    case MessageKind::Bye:
        if (auto* m = ReadBye(this)) return error = Bye(m);
        return error;
    case MessageKind::None: break;
    }
    return error;
}

int MatchServiceBase::ServeOne()
{
    int rc = BeginReceive(this);
    if (!rc) rc = ReadEnvelopeStart(this);
    if (!rc) rc = ReadHeader(this);
    if (!rc) rc = ReadBodyStart(this);
    if (!rc) rc = dispatch();
    if (rc) {
        error = rc;
        SendFault(this);
    }
    CloseExchange(this);
    header = nullptr;
    // The message's records and strings go now; the runtime's scratch tables
    // are cleared by the next receive anyway, so they are not cleared twice.
    soap_destroy(this);
    soap_dealloc(this, nullptr);
    return rc;
}

int MatchServiceBase::ProbeMatches(disc__ProbeMatchesType*) { return SOAP_OK; }
int MatchServiceBase::ResolveMatches(disc__ResolveMatchesType*) { return SOAP_OK; }
int MatchServiceBase::Hello(disc__HelloType*) { return SOAP_OK; }
int MatchServiceBase::Bye(disc__ByeType*) { return SOAP_NO_METHOD; }

}  // namespace signseek::wire
// The generated class declares its operations without bodies; these are the
// base versions behind our overrides.
int MatchService::ProbeMatches(disc__ProbeMatchesType*) { return SOAP_OK; }
int MatchService::ResolveMatches(disc__ResolveMatchesType*) { return SOAP_OK; }
int MatchService::Hello(disc__HelloType*) { return SOAP_OK; }
