#include "mixer/TimerIds.h"
#include "support/ConnectionFixture.h"

namespace
{
    /** What the panel sends on every connection after the optional reset: the restored input
        types and phase mode, the 16 source levels source by source, the 4 outputs, then 130 ms
        later the state, version and serial requests.
    */
    std::vector<std::uint8_t> restoreCommands()
    {
        std::vector<std::uint8_t> commands { 0x40, 0x41, 0x62 };
        for (int source = 0; source < 4; ++source)
            for (int destination = 0; destination < 4; ++destination)
                commands.push_back (sourceLevelCommand (source, destination));
        commands.insert (commands.end(), { 0x67, 0x67, 0x67, 0x67, 0x7F, 0x79, 0x7A, 0x78 });
        return commands;
    }

    std::vector<std::uint8_t> withoutLocks (std::vector<std::uint8_t> commands)
    {
        commands.erase (std::remove (commands.begin(), commands.end(), std::uint8_t { 0x6A }), commands.end());
        return commands;
    }
}

/** The whole connection sequence on the real message loop and real timers: plug in, port scan,
    restore, state request, the interface's reports, periodic save, removal and replug, against
    the simulated interface and the simulated host. It proves that the virtual timers of the other
    connection tests change nothing.
*/
class ConnectionSequence : public ConnectionFixture
{
protected:
    ConnectionSequence() : ConnectionFixture (Timers::real) {}
};

/** The connection sequence with the panel's timers on the virtual clock. */
class ConnectionCycles : public ConnectionFixture
{
protected:
    /** One connection: plug in, connect, check the ports and that the state went out. */
    void connectOnce()
    {
        plugIn();
        ASSERT_TRUE (waitForConnection());
        EXPECT_EQ (ports.numOpenInputs(), 1);
        EXPECT_EQ (ports.numOpenOutputs(), 1);
        EXPECT_EQ (panel->midiInputs.size(), 1);
    }

    void disconnectOnce()
    {
        unplug();
        ASSERT_TRUE (runUntil ([this] { return panel->m_elementsDisabled && ports.numOpenInputs() == 0; }, 3000));
        EXPECT_EQ (ports.numOpenOutputs(), 0);
    }

    /** Unplugs and replugs cycles times. Before each removal the interface's own control moves
        a level, which the panel must save and push back into the interface (reset to its factory
        state while unplugged) on the next connection.
    */
    void cycle (int cycles)
    {
        startPanel();
        connectOnce();
        disconnectOnce();
        const auto jobsWhenIdle = timers().numRunning();

        for (int cycle = 0; cycle < cycles; ++cycle)
        {
            SCOPED_TRACE (cycle);
            const auto level = dbToHwLevel (-1.0 - cycle % 60);

            connectOnce();
            if (HasFatalFailure())
                return;
            interface.sendReport (SimulatedTalvoZ3::sourceLevelReport (2, 2, { level, false }));
            runFor (TimerIntervals::periodicSaveInterval + 100);

            disconnectOnce();
            if (HasFatalFailure())
                return;
            interface.resetToFactoryState();

            EXPECT_EQ (timers().numRunning(), jobsWhenIdle);
            EXPECT_TRUE (panel->midiOutputs.isEmpty());
            EXPECT_EQ (sim.host.runLoop.numPending(), 0);

            plugIn();
            ASSERT_TRUE (waitForConnection());
            ASSERT_EQ (interface.sourceLevel (2, 2).level, level);
            disconnectOnce();
            if (HasFatalFailure())
                return;
        }

        EXPECT_EQ (timers().numRunning(), jobsWhenIdle);
        EXPECT_EQ (ports.numOpenInputs() + ports.numOpenOutputs(), 0);
        EXPECT_TRUE (panel->midiInputs.isEmpty());
    }
};

/** Many more cycles than the default suite can afford; CI runs it under the address sanitizer. */
class ConnectionSoak : public ConnectionCycles
{
};

TEST_F (ConnectionSequence, ConnectsRestoresMirrorsSavesAndReconnects)
{
    {
        // A previous session that ended in order: the interface is reset before the restore.
        auto settings = storedSettings();
        settings->setValue ("ResetNextBoot", true);
        settings->setValue ("vol20", -20.0);
        settings->setValue ("vol23", -47.0);
        settings->setValue ("mute21", true);
        settings->setValue ("volOut2", -6.0);
        settings->setValue ("Phase1", true);
    }
    startPanel();
    EXPECT_TRUE (panel->m_elementsDisabled);
    EXPECT_EQ (ports.numOpenCalls(), 0);

    plugIn();
    ASSERT_TRUE (waitForConnection());

    // The exact sequence the interface saw.
    auto expected = restoreCommands();
    expected.insert (expected.begin(), { 0x7D, 0x7C, 0x69 });
    EXPECT_EQ (withoutLocks (interface.receivedCommands()), expected);

    const auto received = interface.receivedMessages();
    EXPECT_EQ (bytesOf (received[0]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x7D, 0x00, 0xF7 }));
    EXPECT_EQ (bytesOf (received[5]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x62, 0x08, 0xF7 }));

    // The interface now holds the stored state, quantised, and reported it back.
    EXPECT_EQ (interface.sourceLevel (2, 0).level, dbToHwLevel (-20.0));
    EXPECT_EQ (interface.sourceLevel (2, 3).level, dbToHwLevel (-47.0));
    EXPECT_TRUE (interface.sourceLevel (2, 1).mute);
    EXPECT_EQ (interface.sourceLevel (0, 0).level, hwLevelUnity);
    EXPECT_EQ (interface.phaseMode(), 0x08);
    EXPECT_FALSE (panel->getUserSettings()->getBoolValue ("ResetNextBoot", true));

    EXPECT_FALSE (panel->m_elementsDisabled);
    EXPECT_EQ (panel->m_mixer.versionSTC, 0x313066);
    EXPECT_EQ (panel->m_mixer.versionRWA, 0x313137);
    EXPECT_EQ (panel->m_vSliders2[0]->getValue(), 0.0);            // Out 1 -6 dB, Out 2 0 dB
    EXPECT_GT (panel->m_hSliders2[0]->getValue(), 0.0);

    // A change on the interface itself moves the controls and sends nothing back.
    interface.clearReceived();
    interface.sendReport (SimulatedTalvoZ3::sourceLevelReport (2, 2, { dbToHwLevel (-10.0), false }));
    ASSERT_TRUE (runUntil ([this] { return panel->m_vSliders1[0]->getValue() == -10.0; }, 2000));
    EXPECT_EQ (interface.numReceived (0x0A), 0);

    // Every 2 s the state is saved and the interface's own controls locked.
    ASSERT_TRUE (runUntil ([this] { return interface.hwControlLockCount() > 0; }, 3000));
    ASSERT_TRUE (runUntil ([] { return storedSettings()->containsKey ("vol22"); }, 3000));
    EXPECT_EQ (dbToHwLevel (storedSettings()->getDoubleValue ("vol22")), dbToHwLevel (-10.0));

    // Removal: the controls go, "Looking for Device", and nothing is written until the next restore.
    unplug();
    ASSERT_TRUE (runUntil ([this] { return panel->m_elementsDisabled; }, 2000));
    ASSERT_TRUE (runUntil ([this] { return ports.numOpenInputs() == 0 && ports.numOpenOutputs() == 0; }, 2000));
    EXPECT_EQ (panel->m_mixer.versionSTC, 0);

    const auto savedText = FreshSettingsFile::file().loadFileAsString();
    panel->m_sourceVolumeArray[0][0] = -33.0;
    runFor (2300);
    EXPECT_EQ (FreshSettingsFile::file().loadFileAsString(), savedText);

    // Replug: the same sequence with the saved state and no reset.
    plugIn();
    ASSERT_TRUE (waitForConnection());
    EXPECT_EQ (withoutLocks (interface.receivedCommands()), restoreCommands());
    EXPECT_EQ (interface.sourceLevel (0, 0).level, hwLevelUnity);
    EXPECT_EQ (interface.sourceLevel (2, 2).level, dbToHwLevel (-10.0));
    EXPECT_FALSE (panel->m_elementsDisabled);

    // An orderly exit marks the next connection for a reset.
    panel = nullptr;
    EXPECT_TRUE (storedSettings()->getBoolValue ("ResetNextBoot"));
}

TEST_F (ConnectionCycles, EachStepWaitsItsOwnTimeOnTheVirtualClock)
{
    startPanel();
    const auto pluggedAt = timers().nowMs();
    plugIn();
    ASSERT_TRUE (waitForConnection());

    // First port scan 800 ms after the arrival; the scan that opened both ports is the one the
    // restore follows by 1500 ms; the state request follows the restore by 130 ms.
    const auto& fired = timers().firings();
    const auto firstScan = std::find_if (fired.begin(), fired.end(),
                                         [] (const auto& f) { return f.timerID == midiPortScanTimer; });
    ASSERT_NE (firstScan, fired.end());
    EXPECT_EQ (firstScan->atMs - pluggedAt, TimerIntervals::portScanFirstDelay);

    const auto restoredAt = timers().lastFiring (restoreStateTimer);
    ASSERT_TRUE (restoredAt.has_value());
    EXPECT_TRUE (std::any_of (fired.begin(), fired.end(), [&] (const auto& f)
                              { return f.timerID == midiPortScanTimer && f.atMs == *restoredAt - TimerIntervals::restoreDelay; }));
    EXPECT_EQ (*timers().lastFiring (stateRequestTimer) - *restoredAt, TimerIntervals::stateRequestDelay);
    EXPECT_EQ (panel->getTimerInterval (periodicSaveTimer), TimerIntervals::periodicSaveInterval);

    // The removal is noticed by the next scan; the controls go 10 ms after the removal event.
    const auto unpluggedAt = timers().nowMs();
    unplug();
    ASSERT_TRUE (runUntil ([this] { return panel->m_elementsDisabled; }, 1000));
    EXPECT_EQ (*timers().lastFiring (disableControlsTimer) - unpluggedAt, TimerIntervals::disableControlsDelay);
    ASSERT_TRUE (runUntil ([this] { return ports.numOpenInputs() == 0; }, 1000));
    EXPECT_LE (timers().nowMs() - unpluggedAt, TimerIntervals::portScanInterval);
}

TEST_F (ConnectionCycles, FiftyUnplugAndReplugCyclesRestoreTheStateAndLeaveNothingBehind)
{
    cycle (50);
}

TEST_F (ConnectionSoak, AThousandUnplugAndReplugCycles)
{
    cycle (1000);
}
