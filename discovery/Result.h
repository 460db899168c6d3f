#pragma once
#ifndef SIGNSEEK_ENGINE_INTERNAL
#error "discovery/Result.h is internal to the discovery engine: search through discovery/Search.h"
#endif

namespace signseek {

// The discovery engine's own failure code. SOAP codes pass through unchanged
// (0 success, -1 end of input or failed send, positive for other errors), so
// callers treat any negative result as failure.
inline constexpr int E_FAIL = static_cast<int>(0x80004005u);

}  // namespace signseek
