#include "mixer/TimerIds.h"
#include "support/MessageLoop.h"
#include "support/PanelFixture.h"

namespace
{
    std::vector<std::uint8_t> commandsOf (const std::vector<Bytes>& messages)
    {
        std::vector<std::uint8_t> commands;
        for (const auto& m : messages)
            commands.push_back (m.size() > 5 ? m[5] : 0xFF);
        return commands;
    }
}

class ControlTimers : public PanelFixture
{
protected:
    ControlTimers() { giveOpenOutput ("out"); }

    void fire (int id) { panel->timerCallback (id); }

    void storeSettings (std::initializer_list<std::pair<const char*, juce::var>> values)
    {
        for (auto [key, value] : values)
            panel->getUserSettings()->setValue (key, value);
    }
};

TEST_F (ControlTimers, FirmwareCheckAsksAgainWhileAVersionIsMissing)
{
    panel->m_mixer.versionRWA = 0x313137;
    fire (firmwareCheckTimer);

    EXPECT_EQ (sentBytes(), (std::vector<Bytes> { frame ({ 0x79, 0x00 }), frame ({ 0x7A, 0x00 }), frame ({ 0x78 }) }));
    EXPECT_TRUE (panel->isTimerRunning (firmwareCheckTimer));
    EXPECT_EQ (panel->getTimerInterval (firmwareCheckTimer), 1000);
    EXPECT_FALSE (panel->m_updateButton.isVisible());
}

TEST_F (ControlTimers, FirmwareCheckShowsTheUpdateButtonOnlyForOtherVersions)
{
    panel->m_mixer.versionRWA = expectedVersionRWA;
    panel->m_mixer.versionSTC = expectedVersionSTC;
    fire (firmwareCheckTimer);
    EXPECT_TRUE (ports.sentMessages().empty());
    EXPECT_FALSE (panel->isTimerRunning (firmwareCheckTimer));
    EXPECT_FALSE (panel->m_updateButton.isVisible());

    // "1", "0", "F": the interface reported an upper-case F, which is another version.
    panel->m_mixer.versionSTC = 0x313046;
    fire (firmwareCheckTimer);
    EXPECT_TRUE (panel->m_updateButton.isVisible());
    EXPECT_FALSE (panel->isTimerRunning (firmwareCheckTimer));
}

TEST_F (ControlTimers, PeriodicSaveLocksTheHardwareControlsUnlessAllowed)
{
    fire (periodicSaveTimer);
    EXPECT_EQ (sentBytes(), std::vector<Bytes> { frame ({ 0x6A, 0x01 }) });

    ports.clearSentMessages();
    panel->m_hwControlAllowed = true;
    fire (periodicSaveTimer);
    EXPECT_TRUE (ports.sentMessages().empty());
}

TEST_F (ControlTimers, StateRequestEnablesTheControlsAndRemovalDisablesThem)
{
    EXPECT_TRUE (panel->m_elementsDisabled);
    EXPECT_FALSE (panel->m_phase1.isVisible());

    panel->startTimer (stateRequestTimer, 130);
    fire (stateRequestTimer);
    EXPECT_FALSE (panel->isTimerRunning (stateRequestTimer));
    EXPECT_EQ (commandsOf (sentBytes()), (std::vector<std::uint8_t> { 0x7F, 0x79, 0x7A, 0x78 }));
    EXPECT_FALSE (panel->m_elementsDisabled);
    EXPECT_TRUE (panel->m_phase1.isVisible());
    EXPECT_TRUE (panel->m_vSliders1[0]->isEnabled());

    fire (disableControlsTimer);
    EXPECT_TRUE (panel->m_elementsDisabled);
    EXPECT_FALSE (panel->m_vSliders1[0]->isVisible());
}

TEST_F (ControlTimers, RestoreWithoutResetSendsTheStoredStateAndArmsTheNextSteps)
{
    storeSettings ({ { "vol20", -20.0 }, { "volOut2", -20.0 }, { "volOut3", -65.0 },
                     { "volOut0", 0.0 }, { "volOut1", -30.0 }, { "ResetNextBoot", false } });

    fire (restoreStateTimer);

    const auto sent = sentBytes();
    ASSERT_EQ (sent.size(), 3u + 16u + 4u);
    EXPECT_EQ (sent[0], frame ({ 0x40, 0x00 }));   // input config from the restore
    EXPECT_EQ (sent[2], frame ({ 0x62, 0x00 }));
    EXPECT_EQ (sent[3 + 8], frame ({ 0x02, 0x00, 0x19, 0x4C })); // In 1 -> HP1 L at -20 dB
    for (size_t i = 3; i < 19; ++i)
        EXPECT_EQ (sent[i][6] & 0x40, 0) << i;           // mute-all off: nothing muted

    // Out 1/2 at (-20, -65): fader -20 dB, balance -0.5. HP1 at (0, -30): balance -0.3, fader 0.
    EXPECT_EQ (panel->m_vSliders2[0]->getValue(), -20.0);
    EXPECT_NEAR (panel->m_hSliders2[0]->getValue(), -0.5, 1e-9);
    EXPECT_NEAR (panel->m_hSliders2[1]->getValue(), -0.3, 1e-9);
    EXPECT_EQ (panel->m_faderHP1.getValue(), 0.0);

    // The outputs go out as the sliders give them back, HP1 on its slider grid.
    EXPECT_EQ (sent[19], frame ({ 0x67, 0x01, 0x7F, 0x7F }));           // HP1 L, 0 dB
    EXPECT_NEAR (panel->m_outputVolumeArray[1], -27.0, 1e-9);            // -0.3 x 90
    EXPECT_NEAR (panel->m_outputVolumeArray[3], -65.0, 1e-9);
    EXPECT_EQ (sent[21], frame ({ 0x67, 0x10, 0x19, 0x4C }));           // Out 1, -20 dB

    EXPECT_TRUE (panel->m_stateRestored);
    EXPECT_FALSE (panel->getUserSettings()->getBoolValue ("ResetNextBoot", true));
    EXPECT_EQ (panel->getTimerInterval (periodicSaveTimer), 2000);
    EXPECT_EQ (panel->getTimerInterval (stateRequestTimer), 130);
}

TEST_F (ControlTimers, RestoreAfterAnOrderlyExitResetsTheInterfaceFirst)
{
    storeSettings ({ { "ResetNextBoot", true }, { "Phase0", true } });
    panel->m_phase2.setToggleState (true, juce::dontSendNotification);

    fire (restoreStateTimer);

    const auto sent = ports.sentMessages();
    ASSERT_GE (sent.size(), 6u);
    EXPECT_EQ (bytesOf (sent[0].message), frame ({ 0x7D, 0x00 }));
    EXPECT_EQ (bytesOf (sent[1].message), frame ({ 0x7C, 0x00 }));
    EXPECT_EQ (bytesOf (sent[2].message), frame ({ 0x69, 0x00 }));
    EXPECT_GE (sent[1].scheduledTime - sent[0].scheduledTime, 250.0);   // the interface settles first
    EXPECT_EQ (bytesOf (sent[3].message)[5], 0x40);                     // then the restore's own messages
    EXPECT_EQ (bytesOf (sent[5].message), frame ({ 0x62, 0x04 }));      // stored phase 1, not the old phase 2
    EXPECT_FALSE (panel->getUserSettings()->getBoolValue ("ResetNextBoot", true));
}

TEST_F (ControlTimers, RestoreWithMuteAllOnSendsEverythingMuted)
{
    panel->m_muteAllButton.setToggleState (true, juce::dontSendNotification);

    fire (restoreStateTimer);

    const auto sent = sentBytes();
    ASSERT_EQ (sent.size(), 23u);
    for (size_t i = 3; i < 19; ++i)
        EXPECT_EQ (sent[i][6] & 0x40, 0x40) << i;
    for (size_t i = 19; i < 23; ++i)
        EXPECT_EQ (sent[i][6] & 0x04, 0x04) << i;
    for (int d = 0; d < 4; ++d)
        EXPECT_TRUE (panel->m_outputMuteArray[d]);
}

TEST_F (ControlTimers, MuteAllMutesTheOutputsFirstAndThenEverySource)
{
    panel->m_muteAllButton.setToggleState (true, juce::dontSendNotification);

    fire (muteAllOutputsTimer);
    auto sent = sentBytes();
    ASSERT_EQ (sent.size(), 4u);
    for (int d = 0; d < 4; ++d)
    {
        EXPECT_EQ (sent[static_cast<size_t> (d)][6], (d << 3) | 0x04 | 0x01) << d; // 0 dB, muted
        EXPECT_TRUE (panel->m_outputMuteArray[d]);
    }

    ports.clearSentMessages();
    fire (muteAllSourcesTimer);
    sent = sentBytes();
    ASSERT_EQ (sent.size(), 16u);
    for (auto* button : panel->m_muteInButtons)
        EXPECT_TRUE (button->getToggleState());
    for (auto* button : panel->m_muteOutButtons)
        EXPECT_TRUE (button->getToggleState());
    EXPECT_TRUE (panel->m_sourceMuteArray[3][3]);

    // And back.
    panel->m_muteAllButton.setToggleState (false, juce::dontSendNotification);
    fire (muteAllSourcesTimer);
    EXPECT_FALSE (panel->m_sourceMuteArray[3][3]);
    EXPECT_FALSE (panel->m_muteInButtons[0]->getToggleState());
}

TEST_F (ControlTimers, AMuteAllClickSendsTheOutputsFirstAndTheSourcesAfterwards)
{
    // On the framework's timers, clicked while the message thread was busy: each step still keeps
    // at least its period (on the virtual clock: PanelOnVirtualTimers).
    holdTheMessageThreadPastATimersDeadline();
    const auto clickedAt = juce::Time::getMillisecondCounter();

    // A click flips the toggle, then runs the action.
    panel->m_muteAllButton.setToggleState (true, juce::sendNotificationSync);
    EXPECT_TRUE (panel->m_outputFaderMoving);

    ASSERT_TRUE (pumpMessagesUntil ([&] { return sentBytes().size() >= 20 && ! panel->m_outputFaderMoving; }));
    const auto idleSeenAt = juce::Time::getMillisecondCounter();

    const auto sent = ports.sentMessages();
    ASSERT_EQ (sent.size(), 20u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ (bytesOf (sent[i].message)[5], 0x67) << i;          // the four outputs first
    EXPECT_EQ (bytesOf (sent[4].message)[5], 0x00);                    // then the 16 sources, muted
    EXPECT_EQ (bytesOf (sent[4].message)[6] & 0x40, 0x40);

    // A message's time is the millisecond counter when it was sent, + 1. Never "at most": the
    // machine may be busy.
    EXPECT_GE (sent[0].scheduledTime - clickedAt, 1.0 + 1.0);
    EXPECT_GE (sent[4].scheduledTime - clickedAt, 100.0 + 1.0);
    EXPECT_GE (idleSeenAt - clickedAt, 150u);
}

TEST_F (ControlTimers, FactoryResetRestoresTheFactoryMatrixAndClearsTheToggles)
{
    panel->m_sourceVolumeArray[2][2] = -3.0;
    panel->m_sourceMuteArray[0][0] = true;
    panel->m_outputMuteArray[1] = true;
    panel->m_phase1.setToggleState (true, juce::dontSendNotification);
    panel->m_muteAllButton.setToggleState (true, juce::dontSendNotification);

    fire (factoryResetTimer);

    EXPECT_EQ (panel->m_sourceVolumeArray[2][2], 20.0 * std::log10 (1.0 / 32767.0));
    EXPECT_EQ (panel->m_sourceVolumeArray[0][0], 0.0);
    EXPECT_FALSE (panel->m_sourceMuteArray[0][0]);
    EXPECT_FALSE (panel->m_outputMuteArray[1]);
    EXPECT_FALSE (panel->m_phase1.getToggleState());
    EXPECT_FALSE (panel->m_muteAllButton.getToggleState());

    // The phase mode goes out once per phase button, then the 16 source levels.
    const auto commands = commandsOf (sentBytes());
    ASSERT_EQ (commands.size(), 18u);
    EXPECT_EQ (commands[0], 0x62);
    EXPECT_EQ (commands[1], 0x62);
}

TEST_F (ControlTimers, OutputLevelsMoveTheOutputStrip)
{
    // Out 1 at -6 dB, Out 2 at 0 dB: the balance moves to the right.
    panel->m_outputVolumeArray[2] = -6.0;
    panel->m_outputVolumeArray[3] = 0.0;
    panel->m_outputMuteArray[2] = true;

    fire (levelControlsTimer);

    EXPECT_EQ (panel->m_vSliders2[0]->getValue(), 0.0);
    EXPECT_GT (panel->m_hSliders2[0]->getValue(), 0.0);
    EXPECT_TRUE (panel->m_muteOutButtons[0]->getToggleState());
    EXPECT_FALSE (panel->m_muteOutButtons[1]->getToggleState());
    EXPECT_TRUE (ports.sentMessages().empty());
}

TEST_F (ControlTimers, UnknownIdsAndMarkersDoNothing)
{
    panel->startTimer (portsOpenedTimer, 950);
    fire (portsOpenedTimer);
    EXPECT_FALSE (panel->isTimerRunning (portsOpenedTimer));

    fire (4100);
    fire (4117);
    fire (outputFaderIdleTimer);
    EXPECT_TRUE (ports.sentMessages().empty());
    EXPECT_FALSE (panel->m_outputFaderMoving);
}
