#pragma once

#include <memory>

/** The panel's numbered timer jobs, with the member API of juce::MultiTimer.

    startTimer on a running id restarts its countdown with the new interval (at least 1 ms);
    stopTimer stops it; a job repeats until stopped. Callbacks arrive on the message thread, one id
    at a time, earliest deadline first and, on equal deadlines, in the order they were (re)started.
    A job never runs sooner than its interval after it was (re)started or last ran; a busy message
    thread may make it later.

    The product runs the jobs on the framework's juce::MultiTimer. Tests install a Scheduler of
    their own before building a panel, so that its jobs run on a clock they drive.
*/
class PanelTimers
{
public:
    /** Where the jobs of the owners built while it is installed run. Message thread. */
    class Scheduler
    {
    public:
        virtual ~Scheduler() = default;

        virtual void startTimer (PanelTimers& owner, int timerID, int intervalInMilliseconds) = 0;
        virtual void stopTimer (PanelTimers& owner, int timerID) = 0;
        virtual bool isTimerRunning (const PanelTimers& owner, int timerID) const = 0;

        /** The interval of a running job; 0 for a stopped or unknown one. */
        virtual int getTimerInterval (const PanelTimers& owner, int timerID) const = 0;

        /** Called by an owner's destructor: drop all its jobs. */
        virtual void forget (PanelTimers& owner) = 0;
    };

    PanelTimers();
    virtual ~PanelTimers();

    void startTimer (int timerID, int intervalInMilliseconds) noexcept;
    void stopTimer (int timerID) noexcept;
    bool isTimerRunning (int timerID) const noexcept;
    int getTimerInterval (int timerID) const noexcept;

    /** One job is due. Message thread. */
    virtual void timerCallback (int timerID) = 0;

    /** Owners built from now on use this scheduler (which must outlive them); nullptr goes back
        to the framework's timers. Owners already built keep theirs.
    */
    static void installScheduler (Scheduler* scheduler);

private:
    class FrameworkScheduler;

    std::unique_ptr<Scheduler> ownScheduler;
    Scheduler* scheduler = nullptr;

    PanelTimers (const PanelTimers&) = delete;
    PanelTimers& operator= (const PanelTimers&) = delete;
};
