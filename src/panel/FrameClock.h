#pragma once

#include <atomic>
#include <cstdint>
#include <limits>

/** Whether the panel's window is drawing frame after frame, as any thread can ask.

    The message thread notes each frame as it starts. While frames come, a report that only moves
    a meter can wait in the queue for the next one, which parses it and shows it, instead of waking
    the message thread for itself. Frames stop when the window goes (or the message thread is held
    up): staleAfterMs after the last one the clock counts as stopped, and every report is handed
    over at once again.

    Times are PlatformClock milliseconds, given by the caller.
*/
class FrameClock final
{
public:
    /** Frames further apart than this are not a display refreshing (the slowest do so at 24 Hz). */
    static constexpr std::int64_t staleAfterMs = 50;

    /** Message thread: a frame starts now. */
    void noteFrame (std::int64_t nowMs) noexcept { lastFrameMs.store (nowMs, std::memory_order_relaxed); }

    /** Any thread: true when a frame started no more than staleAfterMs ago. */
    bool isRunning (std::int64_t nowMs) const noexcept
    {
        const auto last = lastFrameMs.load (std::memory_order_relaxed);
        return last != noFrame && nowMs >= last && nowMs - last <= staleAfterMs;
    }

private:
    static constexpr std::int64_t noFrame = std::numeric_limits<std::int64_t>::min();
    std::atomic<std::int64_t> lastFrameMs { noFrame };
};
