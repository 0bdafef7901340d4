#include "mixer/TalvoSliderOperations.h"
#include "panel/InputTypeItems.h"
#include "panel/MainComponent.h"

namespace
{
    void enable (juce::Component* component, bool on)
    {
        if (component == nullptr)
            return;

        component->setEnabled (on);
        component->setVisible (on);
    }

    template <typename Container>
    void enableAll (const Container& components, bool on)
    {
        for (auto* component : components)
            enable (component, on);
    }

    enum MidiLedPulseBits : std::uint8_t
    {
        led1PulseA = 0x04,
        led1PulseB = 0x08,
        led2PulseA = 0x10,
        led2PulseB = 0x20
    };
}

void MainComponent::enableAllElements (bool on)
{
    m_elementsDisabled = ! on;

    for (auto* component : std::initializer_list<juce::Component*> {
             &m_settingsButton, &m_48V1, &m_48V2, &m_mono12, &m_stereo12, &m_phase1, &m_phase2,
             &m_muteAllButton, &m_midiLed1, &m_midiLed2, &m_midiButton })
        enable (component, on);

    enableAll (m_monitorButtons, on);
    enableAll (m_muteInButtons, on);
    enableAll (m_muteOutButtons, on);
    enableAll (m_soloInButtons, on);
    enableAll (m_soloOutButtons, on);
    enableAll (m_trgButtons, on);
    enableAll (m_ssButtons, on);
    enableAll (m_sscButtons, on);
    enableAll (m_inputTypeBoxes, on);
    enableAll (m_miniMixers, on);
    enableAll (m_vSliders1, on);
    enableAll (m_vSliders2, on);
    enableAll (m_hSliders1, on);
    enableAll (m_hSliders2, on);
    enableAll (m_inputMeters, on);
    enableAll (m_playbackMeters, on);
    enableAll (m_outputMeters, on);

    // Built and laid out, but never part of this interface's panel.
    enableAll (m_soloInButtons, false);
    enableAll (m_monitorButtons, false);
    enable (&m_mono12, false);
    enable (&m_stereo12, false);

    repaint();
}

void MainComponent::setInputOptions (int option, juce::ComboBox* combo, juce::ImageButton* phantomButton)
{
    if (combo == nullptr)
        return;

    combo->clear (juce::dontSendNotification);
    if (phantomButton != nullptr)
        phantomButton->setVisible (false);

    if (option == micOption)
    {
        combo->addItem ("MIC", InputTypeItem::mic);
        combo->setSelectedId (InputTypeItem::mic, juce::dontSendNotification);

        // A disabled panel keeps the button hidden until it is enabled again.
        if (phantomButton != nullptr && phantomButton->isEnabled())
            phantomButton->setVisible (true);
    }
    else if (option == lineOption)
    {
        combo->addItem ("LINE", InputTypeItem::line);
        combo->addItem ("HI-Z", InputTypeItem::hiZ);
        combo->setSelectedId (InputTypeItem::line, juce::dontSendNotification);
    }
}

void MainComponent::updateLevelValues (int target)
{
    if (target < 0)
        return;

    const auto pair = m_targetPairs[target];
    const auto left = pair.first;
    const auto right = pair.second;

    for (int source = 0; source < numMixerSources; ++source)
    {
        if (source < 2)
        {
            // The playback strip: DAW 1 feeds the left side, DAW 2 the right one.
            m_muteInButtons[2]->setToggleState (m_sourceMuteArray[source][left], juce::dontSendNotification);
            levelsToFaderAndBalance (m_sourceVolumeArray[0][left], m_sourceVolumeArray[1][right],
                                     m_vSliders1[2], m_hSliders1[2]);
        }
        else
        {
            const auto strip = source - 2;
            m_muteInButtons[strip]->setToggleState (m_sourceMuteArray[source][left], juce::dontSendNotification);
            levelsToFaderAndBalance (m_sourceVolumeArray[source][left], m_sourceVolumeArray[source][right],
                                     m_vSliders1[strip], m_hSliders1[strip]);
        }
    }
}

void MainComponent::updateUIFromSettings()
{
    for (auto target : m_selectedTargets)
        updateLevelValues (target);

    m_miniMixerOut.setMiniMixerSliderValues (m_sourceVolumeArray, 2, 3);
    m_miniMixerHP.setMiniMixerSliderValues (m_sourceVolumeArray, 0, 1);

    m_midiLed1.setSteadyState ((m_mixer.midiLedState & 0x01) != 0);
    m_midiLed2.setSteadyState ((m_mixer.midiLedState & 0x02) != 0);

    for (auto bit : { led1PulseA, led1PulseB, led2PulseA, led2PulseB })
    {
        if ((m_mixer.midiLedPulse & bit) == 0)
            continue;

        (bit == led1PulseA || bit == led1PulseB ? m_midiLed1 : m_midiLed2).startBlink();
        m_mixer.midiLedPulse = static_cast<std::uint8_t> (m_mixer.midiLedPulse & ~bit);
    }

    refreshSettingsDialog();
}
