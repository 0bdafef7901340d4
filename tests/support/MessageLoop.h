#pragma once

#include <juce_events/juce_events.h>

#include <memory>

namespace juce
{
    // The framework's own step of its message loop; with true it returns at once when nothing is
    // pending, so the queue can be drained without sleeping.
    bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

/** Runs every message already waiting, and those they post, without sleeping; true if any ran. */
inline bool drainPendingMessages()
{
    bool any = false;
    while (juce::dispatchNextMessageOnSystemQueue (true))
        any = true;
    return any;
}

/** Runs the message loop until condition holds or timeoutMs has passed; returns the condition. */
template <typename Condition>
bool pumpMessagesUntil (Condition condition, int timeoutMs = 5000)
{
    const auto start = juce::Time::getMillisecondCounter();

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() - start > static_cast<juce::uint32> (timeoutMs))
            return false;

        juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
    }

    return true;
}

/** Holds the message thread, without dispatching, until the framework's timer thread has long been
    waiting for it with a timer due: a busy panel's state. Timers started right after this are
    the ones the timer thread is most likely to run early.
*/
inline void holdTheMessageThreadPastATimersDeadline()
{
    // The timer thread starts from the message loop: let it run first.
    auto ticked = std::make_shared<bool> (false);
    juce::Timer::callAfterDelay (1, [ticked] { *ticked = true; });
    pumpMessagesUntil ([&] { return *ticked; });

    juce::Timer::callAfterDelay (1, [] {});

    const auto until = juce::Time::getMillisecondCounter() + 200;
    while (juce::Time::getMillisecondCounter() < until)
        juce::Thread::sleep (5);
}
