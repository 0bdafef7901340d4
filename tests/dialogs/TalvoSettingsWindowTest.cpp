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

    juce::StringArray itemTexts (const juce::ComboBox& box)
    {
        juce::StringArray texts;
        for (int i = 0; i < box.getNumItems(); ++i)
            texts.add (box.getItemText (i));
        return texts;
    }

    Talvoz6Mixer mixerAt (double rate, int rwa = 0, int stc = 0)
    {
        Talvoz6Mixer mixer;
        mixer.sampleRate = rate;
        mixer.versionRWA = rwa;
        mixer.versionSTC = stc;
        return mixer;
    }

    /** Runs the window in a modal dialog as the panel does, lets act close it, returns the result. */
    int runModally (std::function<void (TalvoSettingsWindow&, juce::DialogWindow&)> act)
    {
        auto mixer = mixerAt (48000.0);
        auto* window = new TalvoSettingsWindow (false, mixer);
        window->setSize (500, 350);

        juce::DialogWindow::LaunchOptions options;
        options.content.setOwned (window);
        options.escapeKeyTriggersCloseButton = true;
        options.useNativeTitleBar = false;
        juce::Component::SafePointer<juce::DialogWindow> dialog (options.launchAsync());

        juce::MessageManager::callAsync ([&] { act (*window, *dialog); });
        return dialog->runModalLoop();
    }
}

TEST (TalvoSettingsWindow, ListsItsChoicesAndSelectsWhatUpdateMixerReports)
{
    auto noRate = mixerAt (0.0);
    TalvoSettingsWindow withoutRate (false, noRate);
    EXPECT_EQ (withoutRate.sampleRateBox.getNumItems(), 0);
    EXPECT_EQ (itemTexts (withoutRate.usbBufferBox).joinIntoString (","), "2 Buffer,3 Buffer,4 Buffer,5 Buffer,6 Buffer,7 Buffer");
    EXPECT_EQ (withoutRate.bufferSizeBox.getItemText (0), "32 Samples");
    EXPECT_EQ (withoutRate.bufferSizeBox.getItemText (6), "2048 Samples");
    EXPECT_EQ (withoutRate.usbBufferBox.getSelectedId(), 0);
    EXPECT_FALSE (withoutRate.usbBufferBox.isVisible());
    EXPECT_FALSE (withoutRate.bufferSizeLabel.isVisible());
    EXPECT_TRUE (withoutRate.sampleRateBox.isVisible());

    // In Hz at construction, so nothing is selected until updateMixer gives kHz.
    auto mixer = mixerAt (48000.0);
    TalvoSettingsWindow window (false, mixer);
    EXPECT_EQ (itemTexts (window.sampleRateBox).joinIntoString (","), "44.1 Khz,48 Khz,88.2 Khz,96 Khz,176.4 Khz,192 Khz");
    EXPECT_EQ (window.sampleRateBox.getSelectedId(), 0);

    window.updateMixer (mixer);
    EXPECT_EQ (window.sampleRateBox.getText(), "48 Khz");

    mixer.sampleRate = 44100.0;
    window.updateMixer (mixer);
    EXPECT_EQ (window.sampleRateBox.getText(), "44.1 Khz");

    // No item for 32 kHz, nor for a failed read: the selection stays.
    for (auto rate : { 32000.0, 0.0 })
    {
        mixer.sampleRate = rate;
        window.updateMixer (mixer);
        EXPECT_EQ (window.sampleRateBox.getText(), "44.1 Khz") << rate;
    }
}

TEST (TalvoSettingsWindow, ShowsTheReportedFirmwareVersions)
{
    auto mixer = mixerAt (48000.0, 0x313137, 0x313066);
    TalvoSettingsWindow window (false, mixer);
    EXPECT_EQ (window.firmwareVersion1Label.getText(), "RWA: v");

    window.updateMixer (mixer);
    EXPECT_EQ (window.firmwareVersion1Label.getText(), "RWA: v1.17");
    EXPECT_EQ (window.firmwareVersion2Label.getText(), "STC: v1.0F");

    mixer.versionRWA = mixer.versionSTC = 0;
    window.updateMixer (mixer);
    EXPECT_EQ (window.firmwareVersion1Label.getText(), "RWA: v");
    EXPECT_EQ (window.firmwareVersion2Label.getText(), "STC: v");

    // A zero byte adds nothing; all four bytes count.
    EXPECT_EQ (TalvoSettingsWindow::extractFirmwareVersion (0x00310037), "1.7");
    EXPECT_EQ (TalvoSettingsWindow::extractFirmwareVersion (0x76313061), "V1.0A");
}

TEST (TalvoSettingsWindow, ChoicesAndButtonsBecomeMessages)
{
    auto mixer = mixerAt (48000.0);
    TalvoSettingsWindow window (false, mixer);
    RecordedMessages received;
    window.addActionListener (&received);

    window.sampleRateBox.setText ("96 Khz");
    ASSERT_TRUE (pumpMessagesUntil ([&] { return received.messages.size() == 1; }));
    const auto sampleRate = ActionCommands::parse (received.messages[0]);
    EXPECT_TRUE (received.messages[0].startsWith ("srate96"));
    EXPECT_EQ (sampleRate.sampleRateHz, 96000.0);

    window.bufferSizeBox.setSelectedId (4);
    window.usbBufferBox.setSelectedId (1);
    ASSERT_TRUE (pumpMessagesUntil ([&] { return received.messages.size() == 3; }));
    EXPECT_EQ (received.messages[1], "ltcy256");
    EXPECT_EQ (received.messages[2], "irp2");

    EXPECT_FALSE (window.getHWCtrlSettings());
    for (auto* button : std::initializer_list<juce::Button*> { &window.hwControlToggle, &window.monitoringResetButton,
                                                               &window.factoryResetButton })
        button->triggerClick();

    ASSERT_TRUE (pumpMessagesUntil ([&] { return received.messages.size() == 6; }));
    EXPECT_TRUE (window.getHWCtrlSettings());
    EXPECT_EQ (received.messages[3], "settings_hw_cntr_setting");
    EXPECT_EQ (received.messages[4], "settings_reset_monitoring");
    EXPECT_EQ (received.messages[5], "settings_set_factory_default");
}

TEST (TalvoSettingsWindow, OnlyStartUpdaterEndsTheDialogWithOne)
{
    EXPECT_EQ (runModally ([] (TalvoSettingsWindow& w, juce::DialogWindow&) { w.okButton.triggerClick(); }), 0);
    EXPECT_EQ (runModally ([] (TalvoSettingsWindow& w, juce::DialogWindow&) { w.updaterButton.triggerClick(); }), 1);
    EXPECT_EQ (runModally ([] (TalvoSettingsWindow&, juce::DialogWindow& d)
                           { static_cast<juce::Component&> (d).keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)); }), 0);
}

TEST (TalvoSettingsWindow, DrawsGreyWithTheToggleStillInside)
{
    auto mixer = mixerAt (44100.0, 0x313137, 0x313066);
    TalvoSettingsWindow window (true, mixer);
    window.setSize (500, 350);
    window.updateMixer (mixer);

    EXPECT_EQ (window.hwControlToggle.getBounds(), juce::Rectangle<int> (425, 220, 140, 30));
    EXPECT_EQ (window.okButton.getBounds(), juce::Rectangle<int> (210, 310, 80, 30));
    EXPECT_EQ (window.websiteLink.getButtonText(), "www.example.com");

    // The label attached to the box stands right before it, as wide as its text.
    EXPECT_EQ (window.sampleRateLabel.getRight(), window.sampleRateBox.getX());

    const auto image = window.createComponentSnapshot (window.getLocalBounds());
    EXPECT_EQ (image.getPixelAt (2, 2), juce::Colours::grey);

    // The toggle's tick box (ticked: hardware control allowed) is drawn left of the content's edge.
    bool tickDrawn = false;
    for (int x = 425; x < 450; ++x)
        for (int y = 225; y < 245; ++y)
            tickDrawn = tickDrawn || image.getPixelAt (x, y) != juce::Colours::grey;
    EXPECT_TRUE (tickDrawn);

    if (const auto folder = juce::SystemStats::getEnvironmentVariable ("TALVO_RENDER_DIR", {}); folder.isNotEmpty())
    {
        juce::FileOutputStream out (juce::File (folder).getChildFile ("settings-dialog.png"));
        out.setPosition (0);
        out.truncate();
        juce::PNGImageFormat().writeImageToStream (image, out);
    }
}
