#include "mixer/TimerIds.h"
#include "support/MessageLoop.h"
#include "support/VirtualPanelFixture.h"
#include "support/VirtualPanelTimers.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <memory>

namespace
{
    /** Records its callbacks; each id's reaction is set by the test. */
    struct RecordingTimers final : public PanelTimers
    {
        void timerCallback (int timerID) override
        {
            calls.push_back (timerID);
            callTimes.push_back (juce::Time::getMillisecondCounterHiRes());
            if (auto reaction = reactions.find (timerID); reaction != reactions.end())
                reaction->second (*this);
        }

        std::vector<int> calls;
        std::vector<double> callTimes;
        std::map<int, std::function<void (RecordingTimers&)>> reactions;
    };

    /** One script for both schedulers: a one-shot that stops itself, a job restarted while it
        runs, a job that starts another, and a periodic job stopped from outside.
    */
    void startScript (RecordingTimers& t)
    {
        t.reactions[1] = [] (RecordingTimers& r) { r.stopTimer (1); };
        t.reactions[2] = [] (RecordingTimers& r) { r.stopTimer (2); r.startTimer (4, 120); };
        t.reactions[4] = [] (RecordingTimers& r) { r.stopTimer (4); };
        t.startTimer (1, 400);
        t.startTimer (2, 80);
        t.startTimer (3, 140);
        t.startTimer (1, 360); // restarts: its countdown begins again with the new interval
    }

    // 80: 2 (starts 4, due at 200) · 140: 3 · 200: 4 · 280: 3 · 360: 1 · 420: 3, then 3 is stopped.
    const std::vector<int> scriptOrder { 2, 3, 4, 3, 1, 3 };
    const std::vector<double> scriptTimes { 80, 140, 200, 280, 360, 420 };
}

TEST (PanelTimers, VirtualSchedulerKeepsTheFrameworksOrderRestartAndStopRules)
{
    VirtualPanelTimers scheduler;
    {
        RecordingTimers t;
        startScript (t);
        EXPECT_TRUE (t.isTimerRunning (1));
        EXPECT_EQ (t.getTimerInterval (1), 360);
        EXPECT_EQ (t.getTimerInterval (9), 0);

        scheduler.advanceBy (460);
        t.stopTimer (3);
        EXPECT_EQ (t.calls, scriptOrder);
        EXPECT_EQ (scheduler.lastFiring (1), 360);
        EXPECT_EQ (scheduler.lastFiring (4), 200);
        EXPECT_EQ (scheduler.nowMs(), 460);
        EXPECT_FALSE (t.isTimerRunning (3));
        EXPECT_EQ (t.getTimerInterval (3), 0);
        EXPECT_EQ (scheduler.numRunning(), 0);
        EXPECT_FALSE (scheduler.fireNext());

        // An interval below 1 ms still runs, 1 ms later; equal deadlines fire in start order.
        t.calls.clear();
        t.reactions.clear();
        t.startTimer (7, 0);
        t.startTimer (5, 1);
        t.startTimer (6, 1);
        EXPECT_EQ (t.getTimerInterval (7), 1);
        scheduler.advanceBy (2);
        EXPECT_EQ (t.calls, (std::vector<int> { 7, 5, 6, 7, 5, 6 }));

        // runUntil stops at the condition, or gives up after its time.
        EXPECT_TRUE (scheduler.runUntil ([&] { return t.calls.size() >= 9; }, 100));
        EXPECT_EQ (scheduler.nowMs(), 463);
        t.stopTimer (5);
        t.stopTimer (6);
        EXPECT_FALSE (scheduler.runUntil ([] { return false; }, 10));
        EXPECT_EQ (scheduler.numRunning(), 1);
    }

    // A destroyed owner's jobs are gone with it.
    EXPECT_EQ (scheduler.numRunning(), 0);
    EXPECT_FALSE (scheduler.nextDeadline().has_value());
}

TEST (PanelTimers, VirtualSchedulerDrainsMessagesAndBackgroundWorkBeforeTimeMoves)
{
    VirtualPanelTimers scheduler;
    RecordingTimers t;
    int posted = 0, backgroundRounds = 3, callsSeenByMessage = -1;

    t.startTimer (1, 5);
    t.reactions[1] = [&] (RecordingTimers& r)
    {
        r.stopTimer (1);
        juce::MessageManager::callAsync ([&] { callsSeenByMessage = static_cast<int> (t.calls.size()); ++posted; });
    };
    scheduler.addBackgroundWork ([&] { return backgroundRounds-- > 0; });

    juce::MessageManager::callAsync ([&] { ++posted; });
    scheduler.runUntilIdle();
    EXPECT_EQ (posted, 1);
    EXPECT_LT (backgroundRounds, 0);
    EXPECT_EQ (scheduler.nowMs(), 0);
    EXPECT_TRUE (t.calls.empty());

    scheduler.advanceBy (10);
    EXPECT_EQ (posted, 2);
    EXPECT_EQ (callsSeenByMessage, 1);
}

TEST (PanelTimers, FrameworkTimersFollowTheSameScriptAndNeverComeEarly)
{
    RecordingTimers t;

    // Started as a busy panel starts them, when the framework would run them early.
    holdTheMessageThreadPastATimersDeadline();
    const auto start = juce::Time::getMillisecondCounterHiRes();
    startScript (t);
    EXPECT_EQ (t.getTimerInterval (1), 360);

    // Real time: the script's deadlines lie 60 ms or more apart, far above the timer's jitter.
    pumpMessagesUntil ([&] { return t.calls.size() >= scriptOrder.size(); }, 2000);
    t.stopTimer (3);

    EXPECT_EQ (t.calls, scriptOrder);
    for (size_t i = 0; i < t.calls.size() && i < scriptTimes.size(); ++i)
        EXPECT_GE (t.callTimes[i] - start, scriptTimes[i]) << "call " << i << " came early"; // never "at most": the machine may be busy
    EXPECT_FALSE (t.isTimerRunning (1));
    EXPECT_FALSE (t.isTimerRunning (3));
    EXPECT_EQ (t.getTimerInterval (3), 0);
}

//==============================================================================
using PanelOnVirtualTimers = VirtualPanelFixture;

TEST_F (PanelOnVirtualTimers, AMuteAllClickSendsTheOutputsAfter1MsAndTheSourcesAfter100Ms)
{
    giveOpenOutput ("out");
    panel->m_muteAllButton.setToggleState (true, juce::sendNotificationSync);

    timers.advanceBy (0);
    EXPECT_TRUE (sentBytes().empty());
    timers.advanceBy (1);
    EXPECT_EQ (sentBytes().size(), 4u);

    timers.advanceBy (98);
    EXPECT_EQ (sentBytes().size(), 4u);
    timers.advanceBy (1);
    EXPECT_EQ (sentBytes().size(), 20u);
    EXPECT_TRUE (panel->m_outputFaderMoving);

    // The fader idle timer runs on (it repeats); it first clears the flag at 150 ms.
    timers.advanceBy (49);
    EXPECT_TRUE (panel->m_outputFaderMoving);
    timers.advanceBy (1);
    EXPECT_FALSE (panel->m_outputFaderMoving);
    EXPECT_EQ (timers.lastFiring (outputFaderIdleTimer), 150);
    EXPECT_FALSE (panel->isTimerRunning (muteAllSourcesTimer));
}
