#include "support/PanelFixture.h"

using ControlRefresh = PanelFixture;

TEST_F (ControlRefresh, EnablingShowsTheUsableControlsAndNeverTheUnusedOnes)
{
    EXPECT_TRUE (panel->m_elementsDisabled);
    for (auto* c : { static_cast<juce::Component*> (&panel->m_phase1), static_cast<juce::Component*> (panel->m_vSliders1[2]),
                     static_cast<juce::Component*> (&panel->m_in1Meter), static_cast<juce::Component*> (&panel->m_miniMixerHP) })
    {
        EXPECT_FALSE (c->isVisible());
        EXPECT_FALSE (c->isEnabled());
    }

    panel->enableAllElements (true);
    EXPECT_FALSE (panel->m_elementsDisabled);

    for (auto* c : { static_cast<juce::Component*> (&panel->m_phase1), static_cast<juce::Component*> (&panel->m_48V2),
                     static_cast<juce::Component*> (panel->m_vSliders1[2]), static_cast<juce::Component*> (panel->m_vSliders2[0]),
                     static_cast<juce::Component*> (panel->m_hSliders2[1]), static_cast<juce::Component*> (&panel->m_outputMeterRight),
                     static_cast<juce::Component*> (panel->m_ssButtons[3]), static_cast<juce::Component*> (&panel->m_inputTypeBox2),
                     static_cast<juce::Component*> (&panel->m_midiLed2) })
    {
        EXPECT_TRUE (c->isVisible()) << c->getName();
        EXPECT_TRUE (c->isEnabled()) << c->getName();
    }

    // Built, but never part of this interface's panel.
    for (auto* c : { static_cast<juce::Component*> (&panel->m_mono12), static_cast<juce::Component*> (&panel->m_stereo12),
                     static_cast<juce::Component*> (panel->m_soloInButtons[0]), static_cast<juce::Component*> (panel->m_monitorButtons[1]) })
    {
        EXPECT_FALSE (c->isVisible());
        EXPECT_FALSE (c->isEnabled());
    }

    // Neither the update button nor the hidden HP1 fader is touched.
    EXPECT_FALSE (panel->m_updateButton.isVisible());
    EXPECT_EQ (panel->m_faderHP1.getParentComponent(), nullptr);
}

TEST_F (ControlRefresh, InputOptionsFillTheTypeBoxWithoutSending)
{
    giveOpenOutput ("out");

    panel->setInputOptions (MainComponent::lineOption, &panel->m_inputTypeBox1, &panel->m_48V1);
    EXPECT_EQ (panel->m_inputTypeBox1.getNumItems(), 2);
    EXPECT_EQ (panel->m_inputTypeBox1.getSelectedId(), 1);
    EXPECT_EQ (panel->m_inputTypeBox1.getText(), "LINE");
    EXPECT_FALSE (panel->m_48V1.isVisible());

    // While the panel is disabled the phantom button stays hidden even in microphone mode.
    panel->setInputOptions (MainComponent::micOption, &panel->m_inputTypeBox1, &panel->m_48V1);
    EXPECT_EQ (panel->m_inputTypeBox1.getText(), "MIC");
    EXPECT_FALSE (panel->m_48V1.isVisible());

    panel->enableAllElements (true);
    panel->setInputOptions (MainComponent::micOption, &panel->m_inputTypeBox1, &panel->m_48V1);
    EXPECT_TRUE (panel->m_48V1.isVisible());

    panel->setInputOptions (7, &panel->m_inputTypeBox2, nullptr);
    EXPECT_EQ (panel->m_inputTypeBox2.getNumItems(), 0);

    EXPECT_TRUE (ports.sentMessages().empty());
}

TEST_F (ControlRefresh, LevelValuesPositionTheStripsForATarget)
{
    giveOpenOutput ("out");

    // In 1 to Out 1/Out 2 at (-20, -47): fader -20, pan 30 % left.
    panel->m_sourceVolumeArray[2][2] = -20.0;
    panel->m_sourceVolumeArray[2][3] = -47.0;
    panel->m_sourceMuteArray[2][2] = true;
    // In 2 off on both sides: fader at the floor, pan centred.
    panel->m_sourceVolumeArray[3][2] = -90.30873;
    panel->m_sourceVolumeArray[3][3] = -90.30873;
    // DAW 1 left at 0 dB, DAW 2 right at -45 dB: balance -0.5.
    panel->m_sourceVolumeArray[0][2] = 0.0;
    panel->m_sourceVolumeArray[1][3] = -45.0;
    panel->m_sourceMuteArray[1][2] = true;

    panel->updateLevelValues (0);

    EXPECT_EQ (panel->m_vSliders1[0]->getValue(), -20.0);
    EXPECT_NEAR (panel->m_hSliders1[0]->getValue(), -0.3, 1e-9);
    EXPECT_TRUE (panel->m_muteInButtons[0]->getToggleState());
    EXPECT_EQ (panel->m_vSliders1[1]->getValue(), -90.0);
    EXPECT_EQ (panel->m_hSliders1[1]->getValue(), 0.0);
    EXPECT_EQ (panel->m_vSliders1[2]->getValue(), 0.0);
    EXPECT_NEAR (panel->m_hSliders1[2]->getValue(), -0.5, 1e-9);
    EXPECT_TRUE (panel->m_muteInButtons[2]->getToggleState());   // the DAW 2 flag of the left side

    EXPECT_TRUE (ports.sentMessages().empty());
}

TEST_F (ControlRefresh, LevelValuesIgnoreNegativeTargetsAndTreatUnknownOnesAsThePairZeroZero)
{
    const auto before = panel->m_vSliders1[0]->getValue();
    panel->m_sourceVolumeArray[2][0] = -10.0;

    panel->updateLevelValues (-1);
    EXPECT_EQ (panel->m_vSliders1[0]->getValue(), before);

    panel->updateLevelValues (2);   // (0, 0): HP1 L on both sides
    EXPECT_EQ (panel->m_vSliders1[0]->getValue(), -10.0);
    EXPECT_EQ (panel->m_hSliders1[0]->getValue(), 0.0);
}

TEST_F (ControlRefresh, RefreshStartsOneBlinkPerLedAndClearsThePulses)
{
    panel->m_mixer.midiLedState = 0x02;
    panel->m_mixer.midiLedPulse = 0x0C;

    panel->updateUIFromSettings();

    EXPECT_EQ (panel->m_mixer.midiLedPulse, 0x00);
    EXPECT_TRUE (panel->m_midiLed1.isBlinking());
    EXPECT_FALSE (panel->m_midiLed2.isBlinking());
    EXPECT_FALSE (panel->m_midiLed1.steadyState);
    EXPECT_TRUE (panel->m_midiLed2.steadyState);

    panel->m_mixer.midiLedPulse = 0x10 | 0x40;   // 0x40 is no blink bit and stays
    panel->updateUIFromSettings();
    EXPECT_TRUE (panel->m_midiLed2.isBlinking());
    EXPECT_EQ (panel->m_mixer.midiLedPulse, 0x40);
}

TEST_F (ControlRefresh, RefreshFeedsTheMiniMixersFromTheMatrix)
{
    panel->m_sourceVolumeArray[2][2] = -12.0;   // In 1 -> Out 1
    panel->m_sourceVolumeArray[3][1] = -30.0;   // In 2 -> HP1 R

    panel->updateUIFromSettings();

    auto holds = [] (const TalvoMiniMixerComponentz3& mixer, double value)
    {
        return std::find (std::begin (mixer.stripValues), std::end (mixer.stripValues), value) != std::end (mixer.stripValues);
    };
    EXPECT_TRUE (holds (panel->m_miniMixerOut, -12.0));
    EXPECT_FALSE (holds (panel->m_miniMixerOut, -30.0));
    EXPECT_TRUE (holds (panel->m_miniMixerHP, -30.0));
}

TEST_F (ControlRefresh, TheControlsCarryTheirNames)
{
    EXPECT_EQ (panel->m_inputTypeBox1.getName(), "CB1");
    EXPECT_EQ (panel->m_inputTypeBox2.getName(), "CB2");
    EXPECT_EQ (panel->m_muteInButtons[0]->getName(), "muteIn0");
    EXPECT_EQ (panel->m_soloOutButtons[1]->getName(), "soloOut1");
    EXPECT_EQ (panel->m_trgButtons[1]->getName(), "trg1");
    EXPECT_EQ (panel->m_sscButtons[3]->getName(), "ssc3");
    EXPECT_EQ (panel->m_vSliders1[2]->getName(), "vSlider1-2");
    EXPECT_EQ (panel->m_vSliders2[0]->getName(), "vSlider2-0");
    EXPECT_EQ (panel->m_vSliders2[1], nullptr);
    EXPECT_EQ (panel->m_hSliders2[1]->getName(), "hSlider2-1");
    EXPECT_EQ (panel->m_settingsButton.getName(), "settings");
    EXPECT_EQ (panel->m_updateButton.getButtonText(), "Update Firmware");
    EXPECT_EQ (panel->getWidth(), 744);
    EXPECT_EQ (panel->getHeight(), 1360);

    // Clicking toggles these by itself; the others only change from code.
    EXPECT_TRUE (panel->m_muteAllButton.getClickingTogglesState());
    EXPECT_TRUE (panel->m_ssButtons[0]->getClickingTogglesState());
    EXPECT_FALSE (panel->m_trgButtons[0]->getClickingTogglesState());
    EXPECT_FALSE (panel->m_sscButtons[0]->getClickingTogglesState());
    EXPECT_FALSE (panel->m_midiButton.getClickingTogglesState());

    EXPECT_EQ (panel->m_vSliders1[0]->getValue(), -20.0);
    EXPECT_EQ (panel->m_vSliders2[0]->getValue(), 0.0);
    EXPECT_EQ (panel->m_vSliders1[0]->getInterval(), 0.5);
    EXPECT_EQ (panel->m_hSliders1[0]->getInterval(), 0.1);
    EXPECT_EQ (panel->m_hSliders1[0]->getDoubleClickReturnValue(), 0.0);
}

TEST_F (ControlRefresh, EveryControlClicksRangesAndLooksAsBuilt)
{
    // A click flips these by itself; the others only change from code.
    std::vector<juce::Button*> clickToggled { &panel->m_48V1, &panel->m_48V2, &panel->m_phase1, &panel->m_phase2, &panel->m_muteAllButton };
    std::vector<juce::Button*> codeToggled { &panel->m_mono12, &panel->m_stereo12, &panel->m_midiButton, &panel->m_settingsButton };
    for (auto* group : { &panel->m_monitorButtons, &panel->m_muteInButtons, &panel->m_soloInButtons,
                         &panel->m_muteOutButtons, &panel->m_soloOutButtons, &panel->m_ssButtons })
        clickToggled.insert (clickToggled.end(), group->begin(), group->end());
    codeToggled.insert (codeToggled.end(), panel->m_trgButtons.begin(), panel->m_trgButtons.end());
    codeToggled.insert (codeToggled.end(), panel->m_sscButtons.begin(), panel->m_sscButtons.end());

    for (auto* b : clickToggled)
        EXPECT_TRUE (b->isToggleable() && b->getClickingTogglesState()) << b->getName();
    for (auto* b : codeToggled)
        EXPECT_TRUE (b->isToggleable() && ! b->getClickingTogglesState()) << b->getName();
    EXPECT_FALSE (panel->m_updateButton.isToggleable());
    EXPECT_EQ (panel->m_soloInButtons[2]->onClick, nullptr);

    // Faders and pans: range, step and start value; only the pans return to the centre.
    for (auto* fader : panel->m_vSliders1)
        EXPECT_TRUE (fader->getMinimum() == -90.0 && fader->getMaximum() == 0.0 && fader->getValue() == -20.0
                     && ! fader->isDoubleClickReturnEnabled() && &fader->getLookAndFeel() == &panel->m_faderLookAndFeel1) << fader->getName();
    EXPECT_EQ (&panel->m_vSliders2[0]->getLookAndFeel(), &panel->m_faderLookAndFeel2);
    for (auto* pans : { &panel->m_hSliders1, &panel->m_hSliders2 })
        for (auto* pan : *pans)
            EXPECT_TRUE (pan->getMinimum() == -1.0 && pan->getMaximum() == 1.0 && pan->getValue() == 0.0
                         && &pan->getLookAndFeel() == &panel->m_panLookAndFeel) << pan->getName();

    // The HP1 level exists only as a value: not a child, nothing listens, 0 dB.
    EXPECT_EQ (panel->m_faderHP1.getParentComponent(), nullptr);
    EXPECT_EQ (panel->m_faderHP1.getValue(), 0.0);
    EXPECT_EQ (panel->m_faderHP1.getInterval(), 0.5);

    // The combo look draws the type boxes, the snapshot recall buttons and the mini mixers.
    for (auto* c : { static_cast<juce::Component*> (&panel->m_inputTypeBox2), static_cast<juce::Component*> (panel->m_ssButtons[3]),
                     static_cast<juce::Component*> (&panel->m_miniMixerHP) })
        EXPECT_EQ (&c->getLookAndFeel(), &panel->m_comboLookAndFeel);
    EXPECT_NE (&panel->m_sscButtons[0]->getLookAndFeel(), &panel->m_comboLookAndFeel);

    // The start values are set silently: once the pending messages have run, the strips have
    // written nothing into the factory matrix.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    for (int s = 0; s < numMixerSources; ++s)
        for (int d = 0; d < numMixerDestinations; ++d)
            EXPECT_EQ (panel->m_sourceVolumeArray[s][d], _static_default_volume_array[s][d]) << s << d;
}
