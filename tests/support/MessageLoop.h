#pragma once

#include <juce_events/juce_events.h>

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
