#include "sim/Presence.h"

namespace signseek::sim {

bool PresentAt(const Device& device, milliseconds sinceStart)
{
    if (!device.schedule) return true;
    const Schedule& s = *device.schedule;
    const long long t = sinceStart.count() - s.afterMs;
    if (t < 0) return false;
    if (!s.awayMs) return t < s.stayMs;
    return t % (static_cast<long long>(s.stayMs) + *s.awayMs) < s.stayMs;
}

std::optional<milliseconds> NextChange(const Device& device, milliseconds sinceStart)
{
    if (!device.schedule) return std::nullopt;
    const Schedule& s = *device.schedule;
    const long long now = sinceStart.count();
    const long long t = now - s.afterMs;
    if (t < 0) return milliseconds(s.afterMs);
    if (!s.awayMs) return t < s.stayMs ? std::optional(milliseconds(s.afterMs + s.stayMs)) : std::nullopt;
    const long long period = static_cast<long long>(s.stayMs) + *s.awayMs;
    const long long cycleStart = now - t % period;
    const long long inCycle = t % period;
    return milliseconds(inCycle < s.stayMs ? cycleStart + s.stayMs : cycleStart + period);
}

}  // namespace signseek::sim