#include "support/VirtualPanelTimers.h"

#include "platform/PlatformClock.h"
#include "support/MessageLoop.h"

#include <juce_events/juce_events.h>

#include <algorithm>

VirtualPanelTimers::VirtualPanelTimers()
{
    if (! PlatformClock::isUsingVirtualTime())
    {
        PlatformClock::useVirtualTime (true);
        ownsVirtualTime = true;
    }

    PanelTimers::installScheduler (this);
}

VirtualPanelTimers::~VirtualPanelTimers()
{
    // A panel still alive would call a scheduler that no longer exists.
    jassert (jobs.empty());
    PanelTimers::installScheduler (nullptr);

    if (ownsVirtualTime)
        PlatformClock::useVirtualTime (false);
}

void VirtualPanelTimers::addBackgroundWork (std::function<bool()> settle)
{
    background.push_back (std::move (settle));
}

std::int64_t VirtualPanelTimers::nowMs() const
{
    return PlatformClock::nowMs();
}

void VirtualPanelTimers::runUntilIdle()
{
    for (;;)
    {
        auto busy = drainPendingMessages();

        for (auto& settle : background)
            busy = settle() || busy;

        if (! busy)
            return;
    }
}

void VirtualPanelTimers::advanceBy (int ms)
{
    const auto end = nowMs() + ms;

    for (;;)
    {
        runUntilIdle();
        const auto* next = earliest();
        if (next == nullptr || next->deadline > end)
            break;
        fire (*next);
    }

    PlatformClock::advanceVirtualTime (end - nowMs());
}

bool VirtualPanelTimers::runUntil (const std::function<bool()>& condition, int maxMs)
{
    const auto end = nowMs() + maxMs;

    for (;;)
    {
        runUntilIdle();
        if (condition())
            return true;

        const auto* next = earliest();
        if (next == nullptr || next->deadline > end)
            return false;

        fire (*next);
    }
}

bool VirtualPanelTimers::fireNext()
{
    runUntilIdle();

    const auto* next = earliest();
    if (next == nullptr)
        return false;

    fire (*next);
    return true;
}

std::optional<std::int64_t> VirtualPanelTimers::nextDeadline() const
{
    if (const auto* next = earliest())
        return next->deadline;
    return std::nullopt;
}

int VirtualPanelTimers::numRunning() const
{
    return static_cast<int> (jobs.size());
}

std::optional<std::int64_t> VirtualPanelTimers::lastFiring (int timerID) const
{
    for (auto it = fired.rbegin(); it != fired.rend(); ++it)
        if (it->timerID == timerID)
            return it->atMs;
    return std::nullopt;
}

void VirtualPanelTimers::fire (const Job& job)
{
    PlatformClock::advanceVirtualTime (job.deadline - nowMs());

    // As the framework does: the next countdown starts before the callback, which may stop or
    // restart the job, or start others.
    auto* owner = job.owner;
    const auto timerID = job.timerID;
    auto* running = find (*owner, timerID);
    running->deadline = nowMs() + running->intervalMs;
    running->order = nextOrder++;

    fired.push_back ({ owner, timerID, nowMs() });
    owner->timerCallback (timerID);
}

//==============================================================================
void VirtualPanelTimers::startTimer (PanelTimers& owner, int timerID, int intervalInMilliseconds)
{
    const auto interval = std::max (1, intervalInMilliseconds);
    const Job job { &owner, timerID, interval, nowMs() + interval, nextOrder++ };

    if (auto* running = find (owner, timerID))
        *running = job;
    else
        jobs.push_back (job);
}

void VirtualPanelTimers::stopTimer (PanelTimers& owner, int timerID)
{
    jobs.erase (std::remove_if (jobs.begin(), jobs.end(),
                                [&] (const Job& j) { return j.owner == &owner && j.timerID == timerID; }),
                jobs.end());
}

bool VirtualPanelTimers::isTimerRunning (const PanelTimers& owner, int timerID) const
{
    return find (owner, timerID) != nullptr;
}

int VirtualPanelTimers::getTimerInterval (const PanelTimers& owner, int timerID) const
{
    const auto* job = find (owner, timerID);
    return job != nullptr ? job->intervalMs : 0;
}

void VirtualPanelTimers::forget (PanelTimers& owner)
{
    jobs.erase (std::remove_if (jobs.begin(), jobs.end(), [&] (const Job& j) { return j.owner == &owner; }),
                jobs.end());
}

VirtualPanelTimers::Job* VirtualPanelTimers::find (const PanelTimers& owner, int timerID)
{
    for (auto& job : jobs)
        if (job.owner == &owner && job.timerID == timerID)
            return &job;
    return nullptr;
}

const VirtualPanelTimers::Job* VirtualPanelTimers::find (const PanelTimers& owner, int timerID) const
{
    return const_cast<VirtualPanelTimers*> (this)->find (owner, timerID);
}

const VirtualPanelTimers::Job* VirtualPanelTimers::earliest() const
{
    const Job* best = nullptr;
    for (const auto& job : jobs)
        if (best == nullptr || job.deadline < best->deadline
            || (job.deadline == best->deadline && job.order < best->order))
            best = &job;
    return best;
}
