#pragma once
// What a discovery run does, step by step, for whoever wants to watch (the
// command line's --verbose). A run without an observer reports nothing. The
// two runs of a search call their observers from their own threads.

#include "discovery/DeviceCollector.h"

#include <cstddef>
#include <string>

namespace signseek {

struct ProbeEvent {
    std::string run;  // "devices" or "bridges"
    std::string types;
    std::string scopes;
    std::string to;       // group address and port
    std::string replyTo;  // empty: answers come to the probe's source port
    std::string failure;  // empty when the probe went out
};

struct AnswerEvent {
    std::string run;
    std::string from;      // the sender's IPv4 address; empty when unknown
    std::string message;   // "ProbeMatches", "Hello", or what could not be read
    std::string endpoint;  // the device's endpoint address, when the message had one
    std::string outcome;   // "kept", "merged: ...", "dropped: ..."
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void ProbeSent(const ProbeEvent&) {}
    virtual void AnswerReceived(const AnswerEvent&) {}
    // Once at the end of a listener that closed idle connections unserved
    // to make room for others (count > 0).
    virtual void ConnectionsShed(const std::string& /*run*/, std::size_t /*count*/) {}
};

// The outcome of one answer as AnswerEvent words it. excludedForHomeScope
// tells the two reasons for Excluded apart.
std::string OutcomeText(DeviceCollector::Outcome outcome, bool excludedForHomeScope);

}  // namespace signseek
