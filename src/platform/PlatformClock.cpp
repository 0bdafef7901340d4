#include "platform/PlatformClock.h"

#include <juce_core/juce_core.h>

#include <atomic>

namespace
{
    std::atomic<bool> virtualTime { false };
    std::atomic<std::int64_t> virtualNow { 0 };
    std::atomic<std::int64_t> slept { 0 };
}

void PlatformClock::sleepFor (int milliseconds)
{
    if (milliseconds <= 0)
        return;

    slept += milliseconds;

    if (virtualTime)
    {
        virtualNow += milliseconds;
        return;
    }

    // Thread::sleep may wake early; the callers rely on the full wait having passed.
    const auto end = nowMs() + milliseconds;

    for (auto left = end - nowMs(); left > 0; left = end - nowMs())
        juce::Thread::sleep (static_cast<int> (left));
}

std::int64_t PlatformClock::nowMs()
{
    if (virtualTime)
        return virtualNow;

    return static_cast<std::int64_t> (juce::Time::getMillisecondCounterHiRes());
}

void PlatformClock::useVirtualTime (bool shouldUseVirtualTime)
{
    virtualTime = shouldUseVirtualTime;
    virtualNow = 0;
    slept = 0;
}

void PlatformClock::advanceVirtualTime (std::int64_t milliseconds)
{
    if (virtualTime && milliseconds > 0)
        virtualNow += milliseconds;
}

bool PlatformClock::isUsingVirtualTime()
{
    return virtualTime;
}

std::int64_t PlatformClock::totalSleptMs()
{
    return slept;
}
