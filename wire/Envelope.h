#pragma once
// One complete outgoing message: declaration, envelope with the seven
// namespace declarations, the context's header, a body, closing tags.

#include "wire/XmlWriter.h"

#include <functional>

namespace signseek::wire {

using BodyWriter = std::function<void(XmlWriter&)>;

// Writes the whole message to `out`; returns 0 or the output's error.
int WriteEnvelope(soap* ctx, Output& out, const BodyWriter& body);

}  // namespace signseek::wire