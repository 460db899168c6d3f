#pragma once

#include <string>

namespace signseek {

// The pass flag of a check that does not apply on this platform: neither an
// issue nor a pass.
inline constexpr int CHECK_NOT_APPLICABLE = 2;

// One environment check of the issue list: a status sentence with a pass
// flag, a tip, and a one-click fix. Checks hold no state of their own; every
// call asks the system afresh.
class CManipulator {
public:
    virtual ~CManipulator() = default;

    // Performs the check's fix. The result is not used by any caller.
    virtual int Manipulate() = 0;

    // The status sentence; *pnOk (when given) becomes 1 if the check passes,
    // 0 if it reports an issue, CHECK_NOT_APPLICABLE if it does not apply.
    virtual std::wstring GetStatus(int* pnOk = nullptr) = 0;

    virtual std::wstring GetTip() { return GetStatus(); }
};

}  // namespace signseek
