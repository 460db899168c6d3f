#pragma once
// The Probe body in the system's own shape: unprefixed names under a default
// namespace declaration.

#include "soapH.h"
#include "wire/XmlWriter.h"

namespace signseek::wire {

void WriteProbeBody(XmlWriter& writer, const disc__ProbeType& probe);

}  // namespace signseek::wire