#include "mixer/PanelTimers.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cmath>
#include <map>

namespace
{
    std::atomic<PanelTimers::Scheduler*> installedScheduler { nullptr };
}

/** One juce::MultiTimer per owner: the framework calls back the owner it belongs to.

    The framework's timer thread takes the time since its own last tick off every countdown,
    including one started after that tick, so a job started while the message thread was busy
    (or long after the thread last looked) can come early by up to a few hundred milliseconds.
    Each job therefore keeps its own deadline, and a call that comes before it waits out the rest:
    a job never runs sooner than its interval after it was started or last ran.
*/
class PanelTimers::FrameworkScheduler final : public Scheduler,
                                              private juce::MultiTimer
{
public:
    explicit FrameworkScheduler (PanelTimers& o) : owner (o) {}

    void startTimer (PanelTimers&, int timerID, int intervalMs) override
    {
        const auto interval = juce::jmax (1, intervalMs);
        jobs[timerID] = { interval, nowMs() + interval };
        juce::MultiTimer::startTimer (timerID, interval);
    }

    void stopTimer (PanelTimers&, int timerID) override
    {
        jobs.erase (timerID);
        juce::MultiTimer::stopTimer (timerID);
    }

    bool isTimerRunning (const PanelTimers&, int timerID) const override { return juce::MultiTimer::isTimerRunning (timerID); }

    int getTimerInterval (const PanelTimers&, int timerID) const override
    {
        const auto job = jobs.find (timerID);
        return job != jobs.end() ? job->second.intervalMs : 0;
    }

    void forget (PanelTimers&) override {}

private:
    struct Job
    {
        int intervalMs;
        double dueMs;
    };

    static double nowMs() { return juce::Time::getMillisecondCounterHiRes(); }

    void timerCallback (int timerID) override
    {
        const auto found = jobs.find (timerID);
        if (found == jobs.end())
        {
            juce::MultiTimer::stopTimer (timerID);
            return;
        }

        auto& job = found->second;
        const auto now = nowMs();

        if (now < job.dueMs)
        {
            juce::MultiTimer::startTimer (timerID, static_cast<int> (std::ceil (job.dueMs - now)));
            return;
        }

        // The next run counts from this one, as the framework's own repeat does.
        job.dueMs = now + job.intervalMs;
        if (juce::MultiTimer::getTimerInterval (timerID) != job.intervalMs)
            juce::MultiTimer::startTimer (timerID, job.intervalMs);

        owner.timerCallback (timerID);
    }

    PanelTimers& owner;
    std::map<int, Job> jobs;
};

PanelTimers::PanelTimers()
{
    scheduler = installedScheduler.load();

    if (scheduler == nullptr)
    {
        ownScheduler = std::make_unique<FrameworkScheduler> (*this);
        scheduler = ownScheduler.get();
    }
}

PanelTimers::~PanelTimers()
{
    scheduler->forget (*this);
}

void PanelTimers::startTimer (int timerID, int intervalInMilliseconds) noexcept
{
    scheduler->startTimer (*this, timerID, intervalInMilliseconds);
}

void PanelTimers::stopTimer (int timerID) noexcept
{
    scheduler->stopTimer (*this, timerID);
}

bool PanelTimers::isTimerRunning (int timerID) const noexcept
{
    return scheduler->isTimerRunning (*this, timerID);
}

int PanelTimers::getTimerInterval (int timerID) const noexcept
{
    return scheduler->getTimerInterval (*this, timerID);
}

void PanelTimers::installScheduler (Scheduler* newScheduler)
{
    installedScheduler = newScheduler;
}
