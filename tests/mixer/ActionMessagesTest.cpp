#include "mixer/FluxrouteRoutingRecord.h"
#include "mixer/TimerIds.h"
#include "support/BoundDevicesFixture.h"

class ActionMessages : public BoundDevicesFixture
{
protected:
    double rateOf (AudioObjectID device) { return sim.host.audio.nominalRateOf (device); }

    /** The main window the panel lives in (not on the desktop). */
    juce::DocumentWindow window { "main", juce::Colours::black, 0, false };
};

TEST_F (ActionMessages, SampleRatesAreSetAndEverythingElseIsIgnored)
{
    for (auto [message, hz] : { std::pair { "srate48", 48000.0 }, { "srate176.4", 176400.0 }, { "srate48.0", 48000.0 } })
    {
        panel->actionListenerCallback (message);
        EXPECT_EQ (rateOf (input), hz) << message;
        EXPECT_EQ (rateOf (output), hz) << message;
    }

    const auto rateSets = sim.host.audio.numRateSets (input);
    MyDeviceMixer.routed[3][3] = true;
    fluxrouteTestFlag = false;

    for (auto* message : { "srate", "irp5", "ltcy256", "volume_update", "loopback_update", "settings_update",
                           "Settings_update", "settings_update ", "", "settings_hw_cntr_setting", "fluxroute_update" })
        panel->actionListenerCallback (message);

    EXPECT_EQ (sim.host.audio.numRateSets (input), rateSets);
    EXPECT_TRUE (ports.sentMessages().empty());
    EXPECT_FALSE (panel->m_hwControlAllowed);
    EXPECT_FALSE (MyDeviceMixer.routed[3][3]);  // only the routing record was reset
}

TEST_F (ActionMessages, MonitoringResetSendsResetRequestsAndMonitoringInThisOrder)
{
    panel->actionListenerCallback ("settings_reset_monitoring");
    EXPECT_EQ (sentBytes(), (std::vector<Bytes> { frame ({ 0x7D, 0x00 }), frame ({ 0x7F, 0x01 }), frame ({ 0x79, 0x00 }),
                                                  frame ({ 0x7A, 0x00 }), frame ({ 0x78 }), frame ({ 0x69, 0x00 }) }));
}

TEST_F (ActionMessages, FactoryDefaultResetsNowAndShowsTheWindowAgainLater)
{
    window.setContentNonOwned (panel.get(), false);
    window.setVisible (true);

    Talvoz6Mixer shown;
    shown.sampleRate = 96000.0;
    TalvoSettingsWindow dialog (false, shown);
    panel->m_settingsWindow = &dialog;

    panel->actionListenerCallback ("settings_set_factory_default");

    // HP1 L and HP1 R at 0 dB (32767: 01 7F 7F), unmuted; the line outputs are not sent.
    EXPECT_EQ (sentBytes(), (std::vector<Bytes> { frame ({ 0x7D, 0x00 }), frame ({ 0x7C, 0x00 }),
                                                  frame ({ 0x67, 0x01, 0x7F, 0x7F }), frame ({ 0x67, 0x09, 0x7F, 0x7F }),
                                                  frame ({ 0x7F, 0x01 }), frame ({ 0x79, 0x00 }), frame ({ 0x7A, 0x00 }), frame ({ 0x78 }) }));
    EXPECT_FALSE (window.isVisible());
    EXPECT_EQ (panel->getTimerInterval (factoryResetTimer), 300);

    // The devices disagreed (44.1 and 48 kHz): the output's rate wins and the open dialog shows it.
    EXPECT_EQ (panel->m_mixer.sampleRate, 48000.0);
    EXPECT_EQ (dialog.sampleRateBox.getText(), "48 Khz");

    panel->timerCallback (factoryResetTimer);
    EXPECT_TRUE (window.isVisible());
}

TEST_F (ActionMessages, TryIconShowsAHiddenWindowAndOnlyRaisesAVisibleOne)
{
    window.setContentNonOwned (panel.get(), false);
    panel->setVisible (false);

    panel->actionListenerCallback ("try_icon_clicked");
    EXPECT_TRUE (window.isVisible());
    EXPECT_TRUE (panel->isVisible());

    panel->setVisible (false);  // a visible window is only raised
    panel->actionListenerCallback ("try_icon_clicked");
    EXPECT_TRUE (window.isVisible());
    EXPECT_FALSE (panel->isVisible());
    EXPECT_TRUE (ports.sentMessages().empty());
}

TEST_F (ActionMessages, AnOpenSettingsDialogFollowsTheRateAndTheHardwareControlToggle)
{
    Talvoz6Mixer shown;
    shown.sampleRate = 48000.0;
    TalvoSettingsWindow dialog (true, shown);
    panel->m_settingsWindow = &dialog;

    panel->timerCallback (sampleRateSyncTimer);  // 44.1 and 48 kHz: aligned to 48
    EXPECT_EQ (dialog.sampleRateBox.getText(), "48 Khz");

    panel->m_mixer.sampleRate = 88200.0;
    panel->updateUIFromSettings();
    EXPECT_EQ (dialog.sampleRateBox.getText(), "88.2 Khz");

    sim.host.audio.changeNominalRate (input, 96000.0);
    sim.host.audio.changeNominalRate (output, 96000.0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
    panel->handleDeviceEvent (deviceArrived);
    EXPECT_EQ (dialog.sampleRateBox.getText(), "96 Khz");

    panel->actionListenerCallback ("settings_hw_cntr_setting");
    EXPECT_TRUE (panel->m_hwControlAllowed);
}
