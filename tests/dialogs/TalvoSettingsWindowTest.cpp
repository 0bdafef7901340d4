#include "dialogs/TalvoSettingsWindow.h"
#include "mixer/ActionCommands.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

namespace
{
    struct RecordedMessages final : public juce::ActionListener
    {
        void actionListenerCallback (const juce::String& message) override { messages.add (message); }
        juce::StringArray messages;
    };

    Talvoz6Mixer mixerAt (double rate, int rwa = 0, int stc = 0)
    {
        Talvoz6Mixer mixer;
        mixer.sampleRate = rate;
        mixer.versionRWA = rwa;
        mixer.versionSTC = stc;
        return mixer;
    }

    /** Runs the window in a modal dialog as the panel does, lets act close it, returns the result. */
    int runModally (std::function<void (TalvoSettingsWindow&, juce::Component& dialog)> act)
    {
        auto mixer = mixerAt (48000.0);
        auto* window = new TalvoSettingsWindow (false, mixer);
        juce::DialogWindow::LaunchOptions options;
        options.content.setOwned (window);
        auto* dialog = options.launchAsync();
        juce::MessageManager::callAsync ([&] { act (*window, *dialog); });
        return dialog->runModalLoop();
    }
}

TEST (TalvoSettingsWindow, ListsItsChoicesAndShowsWhatUpdateMixerReports)
{
    auto mixer = mixerAt (0.0);
    EXPECT_EQ (TalvoSettingsWindow (false, mixer).sampleRateBox.getNumItems(), 0);

    // In Hz at construction, so nothing is selected until updateMixer gives kHz.
    mixer = mixerAt (48000.0, 0x313137, 0x313066);
    TalvoSettingsWindow window (false, mixer);
    EXPECT_EQ (window.sampleRateBox.getItemText (0) + "," + window.sampleRateBox.getItemText (5), "44.1 Khz,192 Khz");
    EXPECT_EQ (window.usbBufferBox.getItemText (0) + "," + window.bufferSizeBox.getItemText (6), "2 Buffer,2048 Samples");
    EXPECT_EQ (window.sampleRateBox.getSelectedId(), 0);
    EXPECT_FALSE (window.usbBufferBox.isVisible() || window.bufferSizeLabel.isVisible());

    window.updateMixer (mixer);
    EXPECT_EQ (window.sampleRateBox.getText(), "48 Khz");
    EXPECT_EQ (window.firmwareVersion1Label.getText() + " " + window.firmwareVersion2Label.getText(), "RWA: v1.17 STC: v1.0F");

    // 32 kHz has no item, and neither has a failed read: the selection stays.
    for (auto [rate, shown] : { std::pair { 44100.0, "44.1 Khz" }, { 32000.0, "44.1 Khz" }, { 0.0, "44.1 Khz" } })
    {
        mixer = mixerAt (rate);
        window.updateMixer (mixer);
        EXPECT_EQ (window.sampleRateBox.getText(), shown) << rate;
    }
    EXPECT_EQ (window.firmwareVersion2Label.getText(), "STC: v");
    EXPECT_EQ (TalvoSettingsWindow::extractFirmwareVersion (0x76310037), "V1.7");  // a zero byte adds nothing
}

TEST (TalvoSettingsWindow, ChoicesAndButtonsBecomeMessagesAndOnlyStartUpdaterGivesOne)
{
    auto mixer = mixerAt (48000.0);
    TalvoSettingsWindow window (false, mixer);
    RecordedMessages received;
    window.addActionListener (&received);

    window.sampleRateBox.setText ("96 Khz");
    window.bufferSizeBox.setSelectedId (4);
    for (auto* button : std::initializer_list<juce::Button*> { &window.hwControlToggle, &window.monitoringResetButton,
                                                               &window.factoryResetButton })
        button->triggerClick();

    ASSERT_TRUE (pumpMessagesUntil ([&] { return received.messages.size() == 5; }));
    EXPECT_EQ (ActionCommands::parse (received.messages[0]).sampleRateHz, 96000.0);
    EXPECT_EQ (received.messages[1], "ltcy256");
    EXPECT_EQ (received.messages.joinIntoString (",", 2), "settings_hw_cntr_setting,settings_reset_monitoring,settings_set_factory_default");
    EXPECT_TRUE (window.getHWCtrlSettings());

    EXPECT_EQ (runModally ([] (TalvoSettingsWindow& w, juce::Component&) { w.okButton.triggerClick(); }), 0);
    EXPECT_EQ (runModally ([] (TalvoSettingsWindow&, juce::Component& d) { d.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)); }), 0);
    EXPECT_EQ (runModally ([] (TalvoSettingsWindow& w, juce::Component&) { w.updaterButton.triggerClick(); }), 1);
}

TEST (TalvoSettingsWindow, DrawsGreyWithTheToggleReachingPastTheEdge)
{
    auto mixer = mixerAt (44100.0, 0x313137, 0x313066);
    TalvoSettingsWindow window (true, mixer);
    window.setSize (500, 350);
    window.updateMixer (mixer);

    EXPECT_EQ (window.sampleRateLabel.getRight(), window.sampleRateBox.getX());  // attached on the left

    const auto image = window.createComponentSnapshot (window.getLocalBounds());
    EXPECT_EQ (image.getPixelAt (2, 2), juce::Colours::grey);

    bool tickDrawn = false;  // the ticked box, left of the content's edge
    for (int x = 425; x < 450; ++x)
        for (int y = 225; y < 245; ++y)
            tickDrawn = tickDrawn || image.getPixelAt (x, y) != juce::Colours::grey;
    EXPECT_TRUE (tickDrawn);
}

TEST (TalvoSettingsWindow, TheWebsiteLinkSitsBesideItsLabelAndNamesTheHostTheAboutBoxPrints)
{
    auto mixer = mixerAt (48000.0);
    TalvoSettingsWindow window (false, mixer);
    window.setSize (500, 350);

    EXPECT_EQ (window.websiteLink.getButtonText(), "www.talvo.example");

    // The link's first drawn column lies a few pixels right of its label, not mid-row.
    const auto image = window.createComponentSnapshot (window.getLocalBounds());
    const auto row = window.websiteLink.getBounds();
    int firstInk = row.getRight();
    for (int x = row.getX(); x < row.getRight() && firstInk == row.getRight(); ++x)
        for (int y = row.getY(); y < row.getBottom(); ++y)
            if (image.getPixelAt (x, y) != juce::Colours::grey)
                firstInk = juce::jmin (firstInk, x);
    EXPECT_LT (firstInk - window.websiteLabel.getRight(), 12);
}
