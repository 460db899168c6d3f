#pragma once
#ifndef SIGNSEEK_ENGINE_INTERNAL
#error "discovery/MatchRecord.h is internal to the discovery engine: search through discovery/Search.h"
#endif
// Turns a decoded ProbeMatch or Hello into a device record. The decoded
// message belongs to the SOAP context and is released after the handler, so
// everything is copied.

#include "discovery/DeviceRecord.h"

#include "soapH.h"

#include <string>

namespace signseek {

// sourceAddress is the sender's dotted IPv4 text (empty when not IPv4).
DeviceRecord RecordFromProbeMatch(const disc__ProbeMatchType& match, const std::string& sourceAddress);

// A Hello has no sender address; it gets the Hello item after its extensions.
DeviceRecord RecordFromHello(const disc__HelloType& hello);

}  // namespace signseek
