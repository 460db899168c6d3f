#pragma once
// The listening side: the generated MatchService with dispatch by action
// first, and the loop body that serves one message.

#include "soapMatchService.h"
#include "wire/Transport.h"

namespace wire {

class MatchServiceBase : public MatchService {
public:
    explicit MatchServiceBase(TransportMode mode);
    ~MatchServiceBase() override;

    MatchServiceBase(const MatchServiceBase &) = delete;
    MatchServiceBase &operator=(const MatchServiceBase &) = delete;

    // Recognises the message and hands the decoded record to its operation.
    int dispatch() override;

    // One message: receive, read and dispatch, fault when it failed, end of
    // the exchange, release of the message's data. Returns the message's result.
    int ServeOne();

    // The operations; the defaults accept and ignore.
    int ProbeMatches(disc__ProbeMatchesType *matches) override;
    int ResolveMatches(disc__ResolveMatchesType *matches) override;
    int Hello(disc__HelloType *hello) override;
};

}  // namespace wire
