#pragma once

#include <chrono>
#include <cstdint>
#include <limits>

/** A moment that a wait must not pass, on a steady 64-bit millisecond clock.

    The framework's millisecond counter is 32 bits wide and wraps every 49.7 days of uptime: a
    deadline taken on it just before the wrap lies "before" every later reading, so a wait that
    spans the wrap ends at once. This clock does not wrap within any machine's lifetime.

    A value type; any thread.
*/
class SteadyDeadline final
{
public:
    /** The deadline that many milliseconds from now; a negative count is now. */
    static SteadyDeadline in (int milliseconds) { return after (nowMs(), milliseconds); }

    /** The deadline that many milliseconds after the clock reading now. */
    static constexpr SteadyDeadline after (std::int64_t now, int milliseconds) noexcept
    {
        return SteadyDeadline { now + (milliseconds > 0 ? milliseconds : 0) };
    }

    /** Milliseconds left until the deadline, 0 once it has passed; at most what an int holds,
        so the result can go straight to poll.
    */
    int millisecondsLeft() const { return millisecondsLeftAt (nowMs()); }

    /** The same at the clock reading now. */
    constexpr int millisecondsLeftAt (std::int64_t now) const noexcept
    {
        const auto left = atMs - now;
        if (left <= 0)
            return 0;
        return left < std::numeric_limits<int>::max() ? static_cast<int> (left) : std::numeric_limits<int>::max();
    }

    /** The steady clock, in milliseconds. */
    static std::int64_t nowMs() noexcept
    {
        using namespace std::chrono;
        return duration_cast<milliseconds> (steady_clock::now().time_since_epoch()).count();
    }

private:
    constexpr explicit SteadyDeadline (std::int64_t at) noexcept : atMs (at) {}

    std::int64_t atMs;
};
