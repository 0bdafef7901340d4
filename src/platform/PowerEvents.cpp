#include "platform/PowerEvents.h"

#include <algorithm>

PowerEvents::PowerEvents (MessageThreadQueue& queue) : runLoop (queue) {}

std::uint32_t PowerEvents::registerForSystemPower (void* refcon, PowerCallback callback, std::uint32_t& notifier)
{
    const std::lock_guard<std::mutex> guard (lock);
    notifier = 0;

    if (callback == nullptr || (faults != nullptr && faults->refusesRegistration()))
        return 0;

    Registration r;
    r.notifier = nextId++;
    r.connection = nextId++;
    r.refcon = refcon;
    r.callback = callback;
    registrations.push_back (r);

    notifier = r.notifier;
    return r.connection;
}

void PowerEvents::deregister (std::uint32_t notifier)
{
    const std::lock_guard<std::mutex> guard (lock);
    registrations.erase (std::remove_if (registrations.begin(), registrations.end(),
                                         [notifier] (const Registration& r) { return r.notifier == notifier; }),
                         registrations.end());
}

int PowerEvents::allowPowerChange (std::uint32_t connection, void* argument)
{
    std::function<void (void*)> handler;

    {
        const std::lock_guard<std::mutex> guard (lock);
        acks.emplace_back (connection, argument);

        const bool known = std::any_of (registrations.begin(), registrations.end(),
                                        [connection] (const Registration& r) { return r.connection == connection; });
        if (! known)
            return -1;

        handler = acknowledgementHandler;
    }

    if (handler)
        handler (argument);

    return 0;
}

void PowerEvents::setAcknowledgementHandler (std::function<void (void*)> handler)
{
    const std::lock_guard<std::mutex> guard (lock);
    acknowledgementHandler = std::move (handler);
}

void PowerEvents::send (std::uint32_t messageType, void* argument)
{
    const std::lock_guard<std::mutex> guard (lock);

    for (const auto& r : registrations)
        runLoop.post ([this, notifier = r.notifier, messageType, argument] { deliver (notifier, messageType, argument); });
}

void PowerEvents::injectFaults (Faults* newFaults)
{
    const std::lock_guard<std::mutex> guard (lock);
    faults = newFaults;
}

std::vector<std::pair<std::uint32_t, void*>> PowerEvents::acknowledgements() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return acks;
}

int PowerEvents::numRegistrations() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return static_cast<int> (registrations.size());
}

void PowerEvents::reset()
{
    const std::lock_guard<std::mutex> guard (lock);
    registrations.clear();
    acks.clear();
}

void PowerEvents::deliver (std::uint32_t notifier, std::uint32_t messageType, void* argument)
{
    Registration r;

    {
        const std::lock_guard<std::mutex> guard (lock);
        const auto found = std::find_if (registrations.begin(), registrations.end(),
                                         [notifier] (const Registration& x) { return x.notifier == notifier; });

        if (found == registrations.end())
            return;

        r = *found;
    }

    r.callback (r.refcon, r.notifier, messageType, argument);
}
