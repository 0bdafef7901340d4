#include "mixer/TimerIds.h"
#include "support/MessageLoop.h"
#include "support/PanelFixture.h"
#include "support/SimulatedInterfaceFixture.h"
#include "support/SimulatedTalvoZ3.h"

/** The strips driven as a user drives them (slider moves with notification, clicks through the
    buttons' own click handling), checked as the bytes the simulated interface receives.
*/
namespace
{
    using Level = std::array<std::uint8_t, 3>;   // b1 level bits, b2, b3
    constexpr Level zeroDb { 0x01, 0x7F, 0x7F }, minus6 { 0x01, 0x00, 0x26 }, minus20 { 0x00, 0x19, 0x4C },
                    minus45 { 0x00, 0x01, 0x38 }, floorDb { 0x00, 0x00, 0x01 };

    Bytes gain (int source, int destination, Level v, bool mute = false)
    {
        return frame ({ sourceLevelCommand (source, destination), static_cast<std::uint8_t> (v[0] | (mute ? 0x40 : 0)), v[1], v[2] });
    }

    Bytes output (int o, Level v, bool mute)
    {
        return frame ({ 0x67, static_cast<std::uint8_t> ((o << 3) | (mute ? 0x04 : 0) | v[0]), v[1], v[2] });
    }

    void move (juce::Slider* slider, double value) { slider->setValue (value, juce::sendNotificationSync); }
}

class ChannelStrips : public SimulatedInterfaceFixture
{
protected:
    ChannelStrips()
    {
        for (auto isInput : { true, false })
            openInterfacePort (isInput);
        panel->enableAllElements (true);   // a disabled button takes no click
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

    /** A click as the framework delivers it: later, on the message loop, with the modifiers then held. */
    static void click (juce::Button* button, bool optionDown = false)
    {
        struct Seen final : juce::Button::Listener
        {
            void buttonClicked (juce::Button*) override { seen = true; }
            bool seen = false;
        } clicked;

        juce::ModifierKeys::currentModifiers = juce::ModifierKeys (optionDown ? juce::ModifierKeys::altModifier : 0);
        button->addListener (&clicked);
        button->triggerClick();
        pumpMessagesUntil ([&] { return clicked.seen; }, 2000);
        button->removeListener (&clicked);
        juce::ModifierKeys::currentModifiers = juce::ModifierKeys();
        EXPECT_TRUE (clicked.seen) << button->getName();
    }
};

TEST_F (ChannelStrips, InputAndPlaybackStripsResendThemselvesWholeToEverySelectedTarget)
{
    // In 1 with both targets: Out 1 and Out 2, then HP1 L and HP1 R.
    panel->m_selectedTargets = { 0, 1 };
    move (panel->m_vSliders1[0], -6.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { gain (2, 2, minus6), gain (2, 3, minus6), gain (2, 0, minus6), gain (2, 1, minus6) }));

    // In 1 at -20 dB panned fully left, then muted: the strip goes out whole with the mute bit.
    panel->m_selectedTargets = { 0 };
    panel->m_vSliders1[0]->setValue (-20.0, juce::dontSendNotification);
    move (panel->m_hSliders1[0], -1.0);
    click (panel->m_muteInButtons[0]);
    EXPECT_EQ (received(), (std::vector<Bytes> { gain (2, 2, minus20), gain (2, 3, floorDb), gain (2, 2, minus20, true), gain (2, 3, floorDb, true) }));
    EXPECT_TRUE (panel->m_sourceMuteArray[2][3]);
    EXPECT_EQ (panel->m_miniMixerOut.stripValues[0], panel->m_sourceVolumeArray[2][2]);

    // The playback strip: DAW 1 feeds the left side, DAW 2 the right; its mute sends in its own order.
    move (panel->m_vSliders1[2], -6.0);
    click (panel->m_muteInButtons[2]);
    EXPECT_EQ (received(), (std::vector<Bytes> { gain (0, 2, minus6), gain (0, 3, floorDb), gain (1, 2, floorDb), gain (1, 3, minus6),
                                                 gain (0, 2, minus6, true), gain (1, 2, floorDb, true), gain (1, 3, minus6, true), gain (0, 3, floorDb, true) }));

    // Every pan and balance slider shows its text in the bubble and returns to the centre.
    for (auto* pans : { &panel->m_hSliders1, &panel->m_hSliders2 })
        for (auto* pan : *pans)
            EXPECT_TRUE (pan->getTextFromValue (0.3) == "Pan: 30% Right" && pan->isDoubleClickReturnEnabled() && pan->getDoubleClickReturnValue() == 0.0) << pan->getName();

    // In 2 and the DAW balance are wired to their own strips.
    move (panel->m_hSliders1[1], 0.5);
    move (panel->m_hSliders1[2], 1.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { gain (3, 2, { 0x00, 0x00, 0x12 }), gain (3, 3, minus20), gain (0, 2, floorDb, true),
                                                 gain (0, 3, floorDb, true), gain (1, 2, floorDb, true), gain (1, 3, minus6, true) }));
}

TEST_F (ChannelStrips, OutputStripsSendTheirPairAndTheSoloOverridesTheMutesUntilReleased)
{
    // HP1 balance +0.5 with "muteOut1" on: HP1 L at -45 dB, HP1 R at 0 dB, stored as sent.
    panel->m_muteOutButtons[1]->setToggleState (true, juce::dontSendNotification);
    move (panel->m_hSliders2[1], 0.5);
    move (panel->m_vSliders2[0], -20.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { output (0, minus45, true), output (1, zeroDb, true), output (2, minus20, false), output (3, minus20, false) }));
    EXPECT_NEAR (panel->m_outputVolumeArray[0], -45.0, 1e-9);
    EXPECT_TRUE (panel->m_outputMuteArray[1]);
    EXPECT_TRUE (panel->m_outputFaderMoving && panel->getTimerInterval (outputFaderIdleTimer) == 100);

    // Solo Out 1/2: it sounds, HP1 is muted. Released: all muted, then each with its own mute.
    click (panel->m_soloOutButtons[0]);
    click (panel->m_soloOutButtons[0]);
    EXPECT_EQ (received(), (std::vector<Bytes> { output (2, minus20, false), output (3, minus20, false), output (0, minus45, true), output (1, zeroDb, true),
                                                 output (2, minus20, true), output (3, minus20, true), output (0, minus45, true), output (1, zeroDb, true),
                                                 output (2, minus20, false), output (3, minus20, false), output (0, minus45, true), output (1, zeroDb, true) }));

    // The mute buttons resend their strip; the HP1 one has no fader, that is 0 dB.
    click (panel->m_muteOutButtons[1]);
    click (panel->m_muteOutButtons[0]);
    move (panel->m_hSliders2[0], -1.0);
    EXPECT_EQ (received(), (std::vector<Bytes> { output (0, minus45, false), output (1, zeroDb, false), output (2, minus20, true), output (3, minus20, true),
                                                 output (2, minus20, true), output (3, floorDb, true) }));
}

TEST_F (ChannelStrips, OptionClickAddsATargetAsACopyAndAPlainClickSelectsItAlone)
{
    // Out 1/2's mix: In 1 at -20 dB panned left, In 2 at -20 dB muted.
    move (panel->m_hSliders1[0], -1.0);
    click (panel->m_muteInButtons[1]);
    received();

    click (panel->m_trgButtons[1], true);
    EXPECT_EQ (panel->m_selectedTargets, (juce::Array<int> { 0, 1 }));
    EXPECT_TRUE (panel->m_trgButtons[0]->getToggleState() && panel->m_trgButtons[1]->getToggleState());
    const auto sent = received();
    ASSERT_EQ (sent.size(), 16u);   // source by source, HP1 now carrying Out 1/2's mix
    EXPECT_EQ (sent[8], gain (2, 0, minus20));
    EXPECT_EQ (sent[12], gain (3, 0, minus20, true));
    for (int s = 0; s < 4; ++s)
        EXPECT_TRUE (interface->sourceLevel (s, 0) == interface->sourceLevel (s, 2) && interface->sourceLevel (s, 1) == interface->sourceLevel (s, 3)) << s;

    // Option-click on a selected target changes nothing but resends.
    click (panel->m_trgButtons[0], true);
    EXPECT_EQ (panel->m_selectedTargets, (juce::Array<int> { 0, 1 }));
    EXPECT_EQ (received(), sent);

    // A plain click: HP1 alone, its mix on the strips; with mute-all on the resend is all muted.
    panel->m_sourceVolumeArray[3][0] = panel->m_sourceVolumeArray[3][1] = -30.0;
    panel->m_muteAllButton.setToggleState (true, juce::dontSendNotification);
    click (panel->m_trgButtons[1]);
    EXPECT_EQ (panel->m_selectedTargets, juce::Array<int> { 1 });
    EXPECT_FALSE (panel->m_trgButtons[0]->getToggleState());
    EXPECT_EQ (panel->m_vSliders1[1]->getValue(), -30.0);
    EXPECT_TRUE (panel->m_muteInButtons[1]->getToggleState());
    const auto resent = received();
    EXPECT_EQ (resent.size(), 16u);
    for (const auto& message : resent)
        EXPECT_EQ (message[6] & 0x40, 0x40);
}
