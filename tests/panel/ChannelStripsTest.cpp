#include "mixer/TimerIds.h"
#include "support/PanelFixture.h"
#include "support/SimulatedTalvoZ3.h"

/** The channel strips driven as a user drives them (slider moves with notification, clicks through
    the buttons' own click handling), checked as the bytes the simulated interface receives.
*/
namespace
{
    const juce::String daw = "DAW Control";

    // Levels as the interface receives them: b1 low bits, b2, b3.
    constexpr std::uint8_t zeroDb[] { 0x01, 0x7F, 0x7F };
    constexpr std::uint8_t minus6[] { 0x01, 0x00, 0x26 };
    constexpr std::uint8_t minus20[] { 0x00, 0x19, 0x4C };
    constexpr std::uint8_t minus45[] { 0x00, 0x01, 0x38 };
    constexpr std::uint8_t floorDb[] { 0x00, 0x00, 0x01 };

    Bytes sourceFrame (int source, int destination, const std::uint8_t (&level)[3], bool mute = false)
    {
        return frame ({ sourceLevelCommand (source, destination),
                        static_cast<std::uint8_t> (level[0] | (mute ? 0x40 : 0)), level[1], level[2] });
    }

    Bytes outputFrame (int output, const std::uint8_t (&level)[3], bool mute)
    {
        return frame ({ 0x67, static_cast<std::uint8_t> ((output << 3) | (mute ? 0x04 : 0) | level[0]), level[1], level[2] });
    }

    /** The Option key held for one scope, as the framework reports it at the next click. */
    struct ScopedOptionKey
    {
        ScopedOptionKey()  { juce::ModifierKeys::currentModifiers = juce::ModifierKeys (juce::ModifierKeys::altModifier); }
        ~ScopedOptionKey() { juce::ModifierKeys::currentModifiers = juce::ModifierKeys(); }
    };
}

class ChannelStrips : public PanelFixture
{
protected:
    ChannelStrips()
    {
        // What the port scan and the state request leave behind: both ports open, controls usable.
        panel->updateDeviceList (true);
        panel->openMIDIDevice (true, daw, daw, "DUMMY_NOT_IN_USE");
        panel->updateDeviceList (false);
        panel->openMIDIDevice (false, daw, daw, "DUMMY_NOT_IN_USE");
        panel->enableAllElements (true);
    }

    ~ChannelStrips() override
    {
        interface.reset();
    }

    /** Everything the interface received since the last call. */
    std::vector<Bytes> received()
    {
        EXPECT_TRUE (interface->waitUntilIdle());
        std::vector<Bytes> result;
        for (const auto& message : interface->receivedMessages())
            result.push_back (bytesOf (message));
        interface->clearReceived();
        return result;
    }

    /** A click as the framework delivers it: asynchronously, through the button's own handling. */
    static void click (juce::Button& button)
    {
        struct Seen final : juce::Button::Listener
        {
            void buttonClicked (juce::Button*) override { clicked = true; }
            bool clicked = false;
        } seen;

        button.addListener (&seen);
        button.triggerClick();
        const auto deadline = juce::Time::getMillisecondCounter() + 2000;
        while (! seen.clicked && juce::Time::getMillisecondCounter() < deadline)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
        button.removeListener (&seen);
        EXPECT_TRUE (seen.clicked) << button.getName();
    }

    static void move (juce::Slider& slider, double value)
    {
        slider.setValue (value, juce::sendNotificationSync);
    }

    std::unique_ptr<SimulatedTalvoZ3> interface = std::make_unique<SimulatedTalvoZ3> (ports);
};

TEST_F (ChannelStrips, InputStripsFeedEverySelectedTargetWithPanAndMute)
{
    auto& in1Fader = *panel->m_vSliders1[0];
    auto& in1Pan = *panel->m_hSliders1[0];

    // Both targets: Out 1 and Out 2, then HP1 L and HP1 R.
    panel->m_selectedTargets = { 0, 1 };
    move (in1Fader, -6.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { sourceFrame (2, 2, minus6), sourceFrame (2, 3, minus6),
                                                 sourceFrame (2, 0, minus6), sourceFrame (2, 1, minus6) }));

    // Pan fully left at -20 dB: the right side is off.
    panel->m_selectedTargets = { 0 };
    move (in1Fader, -20.0);
    received();
    move (in1Pan, -1.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { sourceFrame (2, 2, minus20), sourceFrame (2, 3, floorDb) }));

    // A mute click resends the strip whole, with the mute bit, and the model keeps what went out.
    click (*panel->m_muteInButtons[0]);
    EXPECT_TRUE (panel->m_muteInButtons[0]->getToggleState());
    EXPECT_EQ (received(), (std::vector<Bytes> { sourceFrame (2, 2, minus20, true), sourceFrame (2, 3, floorDb, true) }));
    EXPECT_TRUE (panel->m_sourceMuteArray[2][3]);
    EXPECT_NEAR (panel->m_sourceVolumeArray[2][2], -20.00186, 0.000005);
    EXPECT_TRUE (interface->sourceLevel (2, 2).mute);

    // The mini mixer shows the new feed of Out 1.
    const auto& shown = panel->m_miniMixerOut.stripValues;
    EXPECT_NE (std::find (std::begin (shown), std::end (shown), panel->m_sourceVolumeArray[2][2]), std::end (shown));

    // In 2 has its own source, fader and pan.
    move (*panel->m_hSliders1[1], 0.5);
    move (*panel->m_vSliders1[1], 0.0);
    const auto in2 = received();
    ASSERT_EQ (in2.size(), 4u);
    EXPECT_EQ (in2[2], sourceFrame (3, 2, minus45));
    EXPECT_EQ (in2[3], sourceFrame (3, 3, zeroDb));
}

TEST_F (ChannelStrips, PlaybackStripSendsCrossedGainsAtTheFloorInItsTwoOrders)
{
    move (*panel->m_vSliders1[2], -6.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { sourceFrame (0, 2, minus6), sourceFrame (0, 3, floorDb),
                                                 sourceFrame (1, 2, floorDb), sourceFrame (1, 3, minus6) }));

    // The DAW mute: DAW 1 left, DAW 2 left, DAW 2 right, DAW 1 right.
    click (*panel->m_muteInButtons[2]);
    EXPECT_EQ (received(), (std::vector<Bytes> { sourceFrame (0, 2, minus6, true), sourceFrame (1, 2, floorDb, true),
                                                 sourceFrame (1, 3, minus6, true), sourceFrame (0, 3, floorDb, true) }));

    // The balance moves the same four gains in the fader's order.
    move (*panel->m_hSliders1[2], -1.0);
    const auto commands = received();
    ASSERT_EQ (commands.size(), 4u);
    EXPECT_EQ (commands[1], sourceFrame (0, 3, floorDb, true));
    EXPECT_EQ (commands[3], sourceFrame (1, 3, floorDb, true));
}

TEST_F (ChannelStrips, OutputStripsStoreAndSendTheirOwnPair)
{
    // HP1 balance +0.5 with the HP1 mute on: HP1 L at -45 dB, HP1 R at 0 dB, both muted.
    panel->m_muteOutButtons[1]->setToggleState (true, juce::dontSendNotification);
    move (*panel->m_hSliders2[1], 0.5);
    EXPECT_EQ (received(), (std::vector<Bytes> { outputFrame (0, minus45, true), outputFrame (1, zeroDb, true) }));
    EXPECT_NEAR (panel->m_outputVolumeArray[0], -45.0, 1e-9);
    EXPECT_EQ (panel->m_outputVolumeArray[1], 0.0);
    EXPECT_TRUE (panel->m_outputMuteArray[0] && panel->m_outputMuteArray[1]);
    EXPECT_TRUE (panel->m_outputFaderMoving);
    EXPECT_EQ (panel->getTimerInterval (outputFaderIdleTimer), 100);

    // The HP1 mute click has no level slider: the same levels, now unmuted.
    click (*panel->m_muteOutButtons[1]);
    EXPECT_EQ (received(), (std::vector<Bytes> { outputFrame (0, minus45, false), outputFrame (1, zeroDb, false) }));

    // Out 1/2: fader, balance and mute.
    move (*panel->m_vSliders2[0], -20.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { outputFrame (2, minus20, false), outputFrame (3, minus20, false) }));
    click (*panel->m_muteOutButtons[0]);
    move (*panel->m_hSliders2[0], -1.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { outputFrame (2, minus20, true), outputFrame (3, minus20, true),
                                                 outputFrame (2, minus20, true), outputFrame (3, floorDb, true) }));
    EXPECT_EQ (panel->m_outputVolumeArray[3], -90.0);
    EXPECT_TRUE (panel->m_outputMuteArray[2]);
}

TEST_F (ChannelStrips, OutputSoloMutesTheOtherStripAndItsReleaseResendsTwice)
{
    panel->m_vSliders2[0]->setValue (-20.0, juce::dontSendNotification);
    panel->m_muteOutButtons[1]->setToggleState (true, juce::dontSendNotification);

    click (*panel->m_soloOutButtons[0]);
    EXPECT_EQ (received(), (std::vector<Bytes> { outputFrame (2, minus20, false), outputFrame (3, minus20, false),
                                                 outputFrame (0, zeroDb, true), outputFrame (1, zeroDb, true) }));

    click (*panel->m_soloOutButtons[0]);
    EXPECT_EQ (received(), (std::vector<Bytes> { outputFrame (2, minus20, true), outputFrame (3, minus20, true),
                                                 outputFrame (0, zeroDb, true), outputFrame (1, zeroDb, true),
                                                 outputFrame (2, minus20, false), outputFrame (3, minus20, false),
                                                 outputFrame (0, zeroDb, true), outputFrame (1, zeroDb, true) }));

    // The solo stores nothing: the model still holds the start values.
    EXPECT_EQ (panel->m_outputVolumeArray[2], 0.0);
    EXPECT_FALSE (panel->m_outputMuteArray[0]);
    EXPECT_TRUE (panel->m_outputFaderMoving);
}

TEST_F (ChannelStrips, OptionClickAddsATargetWithACopyAndAPlainClickSelectsItAlone)
{
    // Out 1/2's mix: In 1 at -20 dB panned left, In 2 at -20 dB muted.
    move (*panel->m_hSliders1[0], -1.0);
    click (*panel->m_muteInButtons[1]);
    received();

    {
        ScopedOptionKey option;
        click (*panel->m_trgButtons[1]);
    }

    EXPECT_EQ (panel->m_selectedTargets, (juce::Array<int> { 0, 1 }));
    EXPECT_TRUE (panel->m_trgButtons[0]->getToggleState());
    EXPECT_TRUE (panel->m_trgButtons[1]->getToggleState());

    // All 16 gains, source by source, HP1 now carrying Out 1/2's mix.
    auto sent = received();
    ASSERT_EQ (sent.size(), 16u);
    EXPECT_EQ (sent[8], sourceFrame (2, 0, minus20));
    EXPECT_EQ (sent[9], sourceFrame (2, 1, floorDb));
    EXPECT_EQ (sent[12], sourceFrame (3, 0, minus20, true));
    for (int s = 0; s < 4; ++s)
    {
        EXPECT_EQ (interface->sourceLevel (s, 0), interface->sourceLevel (s, 2)) << s;
        EXPECT_EQ (interface->sourceLevel (s, 1), interface->sourceLevel (s, 3)) << s;
    }

    // Option-click on a selected target: the same selection and mix, all resent.
    {
        ScopedOptionKey option;
        click (*panel->m_trgButtons[0]);
    }
    EXPECT_EQ (panel->m_selectedTargets, (juce::Array<int> { 0, 1 }));
    EXPECT_EQ (received(), sent);

    // A plain click: HP1 alone, and the strips show HP1's mix.
    panel->m_sourceVolumeArray[3][0] = -30.0;
    panel->m_sourceVolumeArray[3][1] = -30.0;
    click (*panel->m_trgButtons[1]);
    EXPECT_EQ (panel->m_selectedTargets, juce::Array<int> { 1 });
    EXPECT_FALSE (panel->m_trgButtons[0]->getToggleState());
    EXPECT_TRUE (panel->m_trgButtons[1]->getToggleState());
    EXPECT_EQ (panel->m_vSliders1[1]->getValue(), -30.0);
    EXPECT_EQ (panel->m_hSliders1[1]->getValue(), 0.0);
    EXPECT_TRUE (panel->m_muteInButtons[1]->getToggleState());
    EXPECT_EQ (received().size(), 16u);

    // With mute-all on, the resend mutes every gain.
    panel->m_muteAllButton.setToggleState (true, juce::dontSendNotification);
    click (*panel->m_trgButtons[0]);
    sent = received();
    ASSERT_EQ (sent.size(), 16u);
    for (const auto& message : sent)
        EXPECT_EQ (message[6] & 0x40, 0x40);
}

TEST_F (ChannelStrips, PanAndBalanceSlidersShowTheirTextAndReturnToTheCentre)
{
    juce::Array<juce::Slider*> pans;
    pans.addArray (panel->m_hSliders1);
    pans.addArray (panel->m_hSliders2);
    ASSERT_EQ (pans.size(), 5);

    for (auto* pan : pans)
    {
        EXPECT_EQ (pan->getTextFromValue (0.3), "Pan: 30% Right") << pan->getName();
        EXPECT_EQ (pan->getTextFromValue (-1.0), "Pan: 100% Left") << pan->getName();
        EXPECT_TRUE (pan->isDoubleClickReturnEnabled());
        EXPECT_EQ (pan->getDoubleClickReturnValue(), 0.0);
    }

    EXPECT_FALSE (panel->m_vSliders1[0]->isDoubleClickReturnEnabled());
}
