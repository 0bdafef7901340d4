#include "platform/MessageThreadQueue.h"

#include <juce_events/juce_events.h>

void MessageThreadQueue::post (std::function<void()> work)
{
    {
        const std::lock_guard<std::mutex> guard (lock);
        pending.push_back (std::move (work));
    }

    // The queue belongs to the process-wide host, which is never destroyed, so the message can
    // always reach it.
    juce::MessageManager::callAsync ([this] { deliverPending(); });
}

void MessageThreadQueue::deliverPending()
{
    for (;;)
    {
        std::function<void()> next;

        {
            const std::lock_guard<std::mutex> guard (lock);

            if (pending.empty())
                return;

            next = std::move (pending.front());
            pending.pop_front();
        }

        next();
    }
}

void MessageThreadQueue::clear()
{
    const std::lock_guard<std::mutex> guard (lock);
    pending.clear();
}

int MessageThreadQueue::numPending() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return static_cast<int> (pending.size());
}
