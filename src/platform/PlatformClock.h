#pragma once

#include <cstdint>

/** The clock through which the device link waits.

    The product waits for real. Tests switch to virtual time, in which a wait returns at once and
    only moves the clock on, so that a five-second retry runs in no time and its length can still
    be checked. Any thread.
*/
class PlatformClock final
{
public:
    /** Blocks the calling thread for the given time (virtual time: advances the clock at once). */
    static void sleepFor (int milliseconds);

    /** Milliseconds on a monotonic counter (virtual time: the virtual clock). */
    static std::int64_t nowMs();

    /** Switches between real time and a virtual clock that starts at 0. */
    static void useVirtualTime (bool shouldUseVirtualTime);

    static bool isUsingVirtualTime();

    /** Moves the virtual clock on without counting a wait; nothing in real time. For whatever
        drives virtual time forward (the tests' timer scheduler).
    */
    static void advanceVirtualTime (std::int64_t milliseconds);

    /** The total time waited through sleepFor since the last switch of the time base. */
    static std::int64_t totalSleptMs();

    PlatformClock() = delete;
};
