#include "mixer/TimerIds.h"
#include "support/BoundDevicesFixture.h"
#include "support/FakeUpdater.h"
#include "support/MessageLoop.h"

class PanelButtons : public BoundDevicesFixture
{
protected:
    PanelButtons()
    {
        panel->enableAllElements (true);
        panel->m_applicationBundle = bundle.folder;
        bundle.installUpdater ("touch \"$(dirname \"$0\")/ran\"");
    }

    /** Clicks the settings button; while its dialog runs, check looks at it and names the button
        that closes it.
    */
    void runSettingsDialog (std::function<juce::Button& (TalvoSettingsWindow&)> check)
    {
        bool closed = false;
        panel->m_settingsButton.triggerClick();
        juce::MessageManager::callAsync ([&]
        {
            ASSERT_NE (panel->m_settingsWindow, nullptr);
            check (*panel->m_settingsWindow).triggerClick();
            closed = true;
        });

        ASSERT_TRUE (pumpMessagesUntil ([&] { return closed && panel->m_settingsDialog == nullptr; }));
        EXPECT_EQ (panel->m_settingsWindow, nullptr);
    }

    bool updaterRan() const { return FirmwareUpdaterLocation::updaterIn (bundle.folder).getSiblingFile ("ran").exists(); }

    FakeBundle bundle;
};

TEST_F (PanelButtons, MidiButtonAndInputTypeSendTheirMessages)
{
    panel->m_midiButton.triggerClick();
    ASSERT_TRUE (pumpMessagesUntil ([&] { return ! ports.sentMessages().empty(); }));

    // "CB2" to "HI-Z": both inputs' configurations go out.
    panel->setInputOptions (MainComponent::lineOption, &panel->m_inputTypeBox2, &panel->m_48V2);
    panel->m_inputTypeBox2.setSelectedId (2, juce::sendNotificationSync);
    EXPECT_EQ (sentBytes(), (std::vector<Bytes> { frame ({ 0x68, 0x7F }), frame ({ 0x40, 0x00 }), frame ({ 0x41, 0x08 }) }));
}

TEST_F (PanelButtons, TwoMuteAllClicksSendTheOutputsTwiceAndTheSourcesOnceUnmuted)
{
    // No message is dispatched in between, so no time passes for the timers: the due 1 ms timer is
    // run by hand, and the second click comes well within the 100 ms.
    panel->m_muteAllButton.setToggleState (true, juce::sendNotificationSync);
    panel->timerCallback (muteAllOutputsTimer);
    panel->m_muteAllButton.setToggleState (false, juce::sendNotificationSync);
    panel->timerCallback (muteAllOutputsTimer);

    EXPECT_EQ (panel->getTimerInterval (muteAllSourcesTimer), 100);  // restarted, so it runs once
    panel->timerCallback (muteAllSourcesTimer);

    const auto sent = sentBytes();
    ASSERT_EQ (sent.size(), 4u + 4u + 16u);
    EXPECT_EQ (sent[0][6] & 0x04, 0x04);   // the outputs muted, then unmuted
    EXPECT_EQ (sent[4][6] & 0x04, 0x00);
    for (size_t i = 8; i < sent.size(); ++i)
        EXPECT_EQ (sent[i][6] & 0x40, 0x00) << i;
    EXPECT_FALSE (panel->m_muteInButtons[0]->getToggleState());
}

TEST_F (PanelButtons, SettingsButtonAlignsTheRatesAndOnlyStartUpdaterRunsTheUpdater)
{
    runSettingsDialog ([] (TalvoSettingsWindow& w) -> juce::Button&
    {
        EXPECT_EQ (w.sampleRateBox.getText(), "48 Khz");  // in 44.1, out 48: the input follows
        EXPECT_EQ (w.getWidth(), 500);
        return w.okButton;
    });
    EXPECT_EQ (sim.host.audio.nominalRateOf (input), 48000.0);
    EXPECT_FALSE (updaterRan());

    sim.host.audio.removeDevice (input);
    auto refusing = at (ScopedSimulatedHost::talvoInput(), 44100.0);
    refusing.rateIsFixed = true;
    gInAudioObjectID = sim.addAudioDevice (refusing);

    runSettingsDialog ([] (TalvoSettingsWindow& w) -> juce::Button&
    {
        EXPECT_EQ (w.sampleRateBox.getNumItems(), 0);  // the failed alignment stored 0
        return w.updaterButton;
    });
    EXPECT_TRUE (updaterRan());
}

TEST_F (PanelButtons, AnOpenSettingsDialogAtExitLosesItsContentWithThePanel)
{
    auto* content = new TalvoSettingsWindow (false, panel->m_mixer);
    juce::DialogWindow::LaunchOptions options;
    options.content.setOwned (content);
    std::unique_ptr<juce::DialogWindow> dialog (options.create());
    panel->m_settingsWindow = content;
    panel->m_settingsDialog = dialog.get();

    panel = nullptr;
    EXPECT_EQ (dialog->getContentComponent(), nullptr);  // deleted once, and the window goes without error
}
