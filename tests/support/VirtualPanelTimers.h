#pragma once

#include "mixer/PanelTimers.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

/** Runs the timers of every panel built while it lives on the virtual clock of PlatformClock.

    Time moves only when the test says so. Before each step the message queue is drained and every
    piece of background work (the simulated interface's thread, the host's notification thread) is
    let go idle; then the clock jumps to the next deadline and that one job fires, exactly as the
    framework would order it. A test can therefore assert "the restore went out 1500 ms after the
    ports opened" and still run the panel's real callbacks.

    Build it before the panels (and destroy it after them); message thread only. It switches the
    clock to virtual time if nothing else has.
*/
class VirtualPanelTimers final : public PanelTimers::Scheduler
{
public:
    VirtualPanelTimers();
    ~VirtualPanelTimers() override;

    /** Something running beside the message thread. settle returns once it has nothing left to
        do, and says whether it had anything.
    */
    void addBackgroundWork (std::function<bool()> settle);

    /** The virtual clock, in milliseconds. */
    std::int64_t nowMs() const;

    /** Drains the message queue and the background work until none has anything left. Fires no
        timer and does not move the clock.
    */
    void runUntilIdle();

    /** Runs every job due within the next ms milliseconds, in order; the clock then stands ms
        later (or later still, when a callback itself waited on the clock).
    */
    void advanceBy (int ms);

    /** Settles, then fires jobs one deadline at a time until the condition holds after settling.
        False when it does not hold within maxMs of virtual time (or no job is left to fire).
    */
    bool runUntil (const std::function<bool()>& condition, int maxMs);

    /** Settles, moves the clock to the earliest deadline and fires that job. False when no job
        runs.
    */
    bool fireNext();

    /** When the earliest running job is due. */
    std::optional<std::int64_t> nextDeadline() const;

    /** Number of running jobs over all owners. */
    int numRunning() const;

    /** Every job fired so far, in order: who, which id, when. */
    struct Firing
    {
        const PanelTimers* owner;
        int timerID;
        std::int64_t atMs;
    };
    const std::vector<Firing>& firings() const { return fired; }

    /** The time the given job last fired, if it did. */
    std::optional<std::int64_t> lastFiring (int timerID) const;

    //==============================================================================
    void startTimer (PanelTimers& owner, int timerID, int intervalInMilliseconds) override;
    void stopTimer (PanelTimers& owner, int timerID) override;
    bool isTimerRunning (const PanelTimers& owner, int timerID) const override;
    int getTimerInterval (const PanelTimers& owner, int timerID) const override;
    void forget (PanelTimers& owner) override;

private:
    struct Job
    {
        PanelTimers* owner;
        int timerID;
        int intervalMs;
        std::int64_t deadline;
        std::uint64_t order; ///< ties on the deadline go to the job (re)started first
    };

    Job* find (const PanelTimers& owner, int timerID);
    const Job* find (const PanelTimers& owner, int timerID) const;
    const Job* earliest() const;
    void fire (const Job& job);

    std::vector<Job> jobs;
    std::vector<std::function<bool()>> background;
    std::vector<Firing> fired;
    std::uint64_t nextOrder = 0;
    bool ownsVirtualTime = false;
};
