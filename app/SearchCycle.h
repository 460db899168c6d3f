#pragma once
// The countdown and result counting of one search: the progress bar fills
// over the discovery timeout after a one-second lead, and the search ends
// when both discovery runs have reported. The timeout is taken as the
// discovery run takes it (at least one second), whatever the settings file
// held, and counted in 64 bits so no value can overflow.

#include <cstddef>
#include <cstdint>

#include <string>

namespace signseek {

// The bar moves once per period; the countdown is kept in these ticks.
inline constexpr int kProgressPeriodMs = 100;
inline constexpr int kTicksPerSecond = 1000 / kProgressPeriodMs;
static_assert(1000 % kProgressPeriodMs == 0, "a second must hold whole ticks");

class SearchCycle {
public:
    struct Progress {
        int rangeMax = 0;           // the bar's range is 0 .. rangeMax, at least 10
        std::int64_t position = 0;  // may be below 0 during the first second
        bool stopTimer = false;
    };

    // A new search: no results yet, kTicksPerSecond ticks per second of the
    // timeout plus one second, and sweepTicks more while directed probes go
    // out (the bar's range grows by as many).
    void Start(int discoveryTimeout, std::int64_t sweepTicks = 0);

    // One tick, with the timeout as it stands now.
    Progress Tick(int discoveryTimeout);

    // One run reported, with why it could not do its work (empty when it
    // could); true when that was the second report, ending the search.
    bool Result(const std::string& failure = {});

    // The causes of this search's failed runs, one line each, repeats left out.
    const std::string& Failures() const { return m_strFailures; }

    bool Searching() const { return m_bSearching; }

    std::int64_t m_nTicksLeft = 0;
    int m_nResultsReceived = 0;

private:
    bool m_bSearching = false;
    std::int64_t m_nSweepTicks = 0;
    std::string m_strFailures;
};

// The discovery timeout as the countdown and the run use it.
std::int64_t UsableDiscoverySeconds(int discoveryTimeout);

// The ticks the runs take to send directed probes to targets at rate a
// second: the device run sends two to each.
std::int64_t SweepTicks(std::size_t targets, int rate);

// A progress position held to the bar's range, which shows anything below
// as empty and anything above as full.
int ShownPosition(const SearchCycle::Progress& progress);

}  // namespace signseek
