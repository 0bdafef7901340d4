#include "mixer/FluxrouteRoutingRecord.h"
#include "mixer/TimerIds.h"
#include "support/BoundDevicesFixture.h"

class ActionMessages : public BoundDevicesFixture
{
protected:
    ActionMessages() { window.setContentNonOwned (panel.get(), false); }

    juce::DocumentWindow window { "main", juce::Colours::black, 0, false };  ///< the panel's main window
};

TEST_F (ActionMessages, SampleRatesAreSetAndEverythingElseIsIgnored)
{
    for (auto [message, hz] : { std::pair { "srate176.4", 176400.0 }, { "srate48.0", 48000.0 } })
    {
        panel->actionListenerCallback (message);
        EXPECT_EQ (sim.host.audio.nominalRateOf (input), hz) << message;
        EXPECT_EQ (sim.host.audio.nominalRateOf (output), hz) << message;
    }

    const auto rateSets = sim.host.audio.numRateSets (input);
    MyDeviceMixer.routed[3][3] = true;
    fluxrouteTestFlag = false;

    for (auto* message : { "srate", "irp5", "ltcy256", "volume_update", "loopback_update", "settings_update",
                           "Settings_update", "settings_update ", "", "settings_hw_cntr_setting", "fluxroute_update" })
        panel->actionListenerCallback (message);

    EXPECT_EQ (sim.host.audio.numRateSets (input), rateSets);
    EXPECT_TRUE (ports.sentMessages().empty());
    EXPECT_FALSE (panel->m_hwControlAllowed);   // no dialog open to read
    EXPECT_FALSE (MyDeviceMixer.routed[3][3]);  // only the routing record was reset
}

TEST_F (ActionMessages, ResetsSendTheirExactBytesAndTheFactoryDefaultShowsTheWindowAgainLater)
{
    panel->actionListenerCallback ("settings_reset_monitoring");
    const std::vector<Bytes> requests { frame ({ 0x7F, 0x01 }), frame ({ 0x79, 0x00 }), frame ({ 0x7A, 0x00 }), frame ({ 0x78 }) };
    auto expected = std::vector<Bytes> { frame ({ 0x7D, 0x00 }) };
    expected.insert (expected.end(), requests.begin(), requests.end());
    expected.push_back (frame ({ 0x69, 0x00 }));
    EXPECT_EQ (sentBytes(), expected);

    ports.clearSentMessages();
    window.setVisible (true);
    auto shown = panel->m_mixer;
    shown.sampleRate = 96000.0;
    TalvoSettingsWindow dialog (false, shown);
    panel->m_settingsWindow = &dialog;

    panel->actionListenerCallback ("settings_set_factory_default");

    // HP1 L and HP1 R at 0 dB (32767: 01 7F 7F), unmuted; the line outputs are not sent.
    expected = { frame ({ 0x7D, 0x00 }), frame ({ 0x7C, 0x00 }), frame ({ 0x67, 0x01, 0x7F, 0x7F }), frame ({ 0x67, 0x09, 0x7F, 0x7F }) };
    expected.insert (expected.end(), requests.begin(), requests.end());
    EXPECT_EQ (sentBytes(), expected);
    EXPECT_FALSE (window.isVisible());
    EXPECT_EQ (panel->getTimerInterval (factoryResetTimer), 300);
    EXPECT_EQ (dialog.sampleRateBox.getText(), "48 Khz");  // 44.1 and 48 kHz aligned to the output's

    panel->timerCallback (factoryResetTimer);
    EXPECT_TRUE (window.isVisible());
}

TEST_F (ActionMessages, TryIconShowsAHiddenWindowAndOnlyRaisesAVisibleOne)
{
    panel->setVisible (false);
    panel->actionListenerCallback ("try_icon_clicked");
    EXPECT_TRUE (window.isVisible() && panel->isVisible());

    panel->setVisible (false);
    panel->actionListenerCallback ("try_icon_clicked");
    EXPECT_TRUE (window.isVisible());
    EXPECT_FALSE (panel->isVisible());
}

TEST_F (ActionMessages, AnOpenSettingsDialogFollowsTheRateAndTheHardwareControlToggle)
{
    auto shown = panel->m_mixer;
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
    panel->handleDeviceEvent (deviceArrived);
    EXPECT_EQ (dialog.sampleRateBox.getText(), "96 Khz");

    panel->actionListenerCallback ("settings_hw_cntr_setting");
    EXPECT_TRUE (panel->m_hwControlAllowed);
}
