#include "mixer/PanelTimers.h"

#include <juce_events/juce_events.h>

#include <atomic>

namespace
{
    std::atomic<PanelTimers::Scheduler*> installedScheduler { nullptr };
}

/** One juce::MultiTimer per owner: the framework calls back the owner it belongs to. */
class PanelTimers::FrameworkScheduler final : public Scheduler,
                                              private juce::MultiTimer
{
public:
    explicit FrameworkScheduler (PanelTimers& o) : owner (o) {}

    void startTimer (PanelTimers&, int timerID, int intervalMs) override { juce::MultiTimer::startTimer (timerID, intervalMs); }
    void stopTimer (PanelTimers&, int timerID) override                  { juce::MultiTimer::stopTimer (timerID); }
    bool isTimerRunning (const PanelTimers&, int timerID) const override { return juce::MultiTimer::isTimerRunning (timerID); }
    int getTimerInterval (const PanelTimers&, int timerID) const override { return juce::MultiTimer::getTimerInterval (timerID); }
    void forget (PanelTimers&) override {}

private:
    void timerCallback (int timerID) override { owner.timerCallback (timerID); }

    PanelTimers& owner;
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
