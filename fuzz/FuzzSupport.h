#pragma once
// Shared by the fuzz targets: a listener that reads its messages from the
// fuzz input and looks at every decoded field, so the sanitizers see all of it.

#include "wire/MatchServiceBase.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace signseek::fuzz {

// Splits one fuzz input into up to this many messages, served in turn on the
// same context, so state left behind by one message meets the next.
inline constexpr std::string_view kMessageSeparator{"\0\1\2\3", 4};
inline constexpr int kMaxMessages = 4;

// Feeds a value to a sink the optimiser cannot drop.
void Consume(std::string_view text);

class FuzzService : public wire::MatchServiceBase {
public:
    explicit FuzzService(wire::TransportMode mode);
    ~FuzzService() override;

    // Serves one message read from `message`, on a stand-in socket whose
    // output is discarded, so faults and HTTP answers are written too.
    int Serve(std::string_view message);
    // Serves a request collected by the HTTP listener's framer the same way.
    int ServeCollectedRequest(const wire::HttpRequestFramer& framer);
    // Back to a fresh context's wire state (namespace overrides, version,
    // attribute order), so an input behaves the same alone or in a run.
    void ResetForInput();

    int ProbeMatches(disc__ProbeMatchesType* matches) override;
    int ResolveMatches(disc__ResolveMatchesType* matches) override;
    int Hello(disc__HelloType* hello) override;

private:
    int m_sink = -1;  // /dev/null, duplicated as each message's socket
    std::string_view m_input;
    std::size_t m_offset = 0;

    static size_t Read(soap* ctx, char* buffer, size_t length);
};

// Serves every message of a fuzz input on the listener of that mode. One
// listener per mode serves the whole campaign: making a context costs more
// than most inputs.
void ServeInput(wire::TransportMode mode, const std::uint8_t* data, std::size_t size);

// The HTTP listener's whole path for one connection: the input (after its
// first byte, which sets the size of the pieces it arrives in) goes through
// the framer and its limits, and the collected request or its refusal is served.
void ServeConnectionInput(const std::uint8_t* data, std::size_t size);

}  // namespace signseek::fuzz
