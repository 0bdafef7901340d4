#pragma once

#include <deque>
#include <functional>
#include <mutex>

/** The message thread's run loop as the platform notifications see it.

    USB and power notifications are posted here from any thread and run on the message thread,
    in the order posted: either when the framework's message loop gets to them, or at once when a
    test calls deliverPending() on the message thread.
*/
class MessageThreadQueue final
{
public:
    MessageThreadQueue() = default;

    /** Queues work for the message thread. Any thread. */
    void post (std::function<void()> work);

    /** Runs every queued item, including items queued by the ones that run. Message thread. */
    void deliverPending();

    /** Drops every queued item; for tests, between cases. */
    void clear();

    /** Items queued and not yet run; for tests. */
    int numPending() const;

private:
    mutable std::mutex lock;
    std::deque<std::function<void()>> pending;
};
