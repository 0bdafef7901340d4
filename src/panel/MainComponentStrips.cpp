#include "mixer/PanText.h"
#include "mixer/TargetSelection.h"
#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"

namespace
{
    bool isOn (const juce::Button* button)
    {
        return button != nullptr && button->getToggleState();
    }

    /** The strip as its controls hold it now; mute and solo are read at each send. */
    StripState readStrip (juce::Slider* level, juce::Slider* balance,
                          const juce::Button* muteButton, const juce::Button* soloButton)
    {
        StripState strip;
        getLeftRightLevelWithBalance (strip.levels.left, strip.levels.right, level, balance);
        strip.mute = isOn (muteButton);
        strip.solo = isOn (soloButton);
        return strip;
    }

    void send (MainComponent& panel, const std::vector<SourceSend>& sends)
    {
        for (const auto& s : sends)
            panel.sendVolumeFromInputToSelectedOutputs (static_cast<unsigned char> (s.source),
                                                        static_cast<unsigned char> (s.destination),
                                                        s.dB, s.mute, s.solo);
    }

    void send (MainComponent& panel, const std::vector<OutputSend>& sends)
    {
        for (const auto& s : sends)
            panel.sendOutputVolume (static_cast<char> (s.output), s.dB, s.mute);
    }

    /** An output strip's send group: the outputs are stored, then sent. */
    void sendOutputStrip (MainComponent& panel, int pairIndex, juce::Slider* fader,
                          juce::Slider* balance, juce::Button* muteButton)
    {
        const auto strip = readStrip (fader, balance, muteButton, nullptr);
        const auto pair = targetPairFor (panel.m_targetPairs, pairIndex);

        panel.m_outputVolumeArray[pair.first] = strip.levels.left;
        panel.m_outputVolumeArray[pair.second] = strip.levels.right;
        panel.m_outputMuteArray[pair.first] = strip.mute;
        panel.m_outputMuteArray[pair.second] = strip.mute;
        panel.m_outputFaderMoving = true;

        send (panel, outputStripSends (strip, pair));
        panel.startTimer (outputFaderIdleTimer, TimerIntervals::outputFaderIdleAfterSend);
    }
}

void MainComponent::sliderHWInValueChanged (juce::Slider* fader, juce::Slider* pan, unsigned char source,
                                            juce::Button* muteButton, juce::Button* soloButton)
{
    send (*this, inputStripSends (source, readStrip (fader, pan, muteButton, soloButton),
                                  m_selectedTargets, m_targetPairs));
    refreshMiniMixers();
}

void MainComponent::sendInputStrip (int strip)
{
    sliderHWInValueChanged (m_vSliders1[strip], m_hSliders1[strip], static_cast<unsigned char> (strip + 2),
                            m_muteInButtons[strip], m_soloInButtons[strip]);
}

void MainComponent::sliderPBValueChanged (juce::Slider* fader, juce::Slider* balance,
                                          juce::Button* muteButton, juce::Button* soloButton,
                                          PlaybackSendOrder order)
{
    send (*this, playbackStripSends (readStrip (fader, balance, muteButton, soloButton),
                                     m_selectedTargets, m_targetPairs, order));
    refreshMiniMixers();
}

void MainComponent::sliderOut34ValueChanged (juce::Slider* fader, juce::Slider* balance, juce::Button* muteButton)
{
    sendOutputStrip (*this, 0, fader, balance, muteButton);
}

void MainComponent::sliderOutHP12ValueChanged (juce::Slider* fader, juce::Slider* balance, juce::Button* muteButton)
{
    sendOutputStrip (*this, 1, fader, balance, muteButton);
}

void MainComponent::soloOutChannels()
{
    // Strip i has balance slider i and level slider i; the HP1 strip has none, that is 0 dB.
    std::vector<OutputStripState> strips;
    for (int i = 0; i < m_hSliders2.size(); ++i)
        strips.push_back ({ readStrip (m_vSliders2[i], m_hSliders2[i], m_muteOutButtons[i], m_soloOutButtons[i]),
                            targetPairFor (m_targetPairs, i) });

    m_outputFaderMoving = true;
    send (*this, outputSoloSends (strips));
    startTimer (outputFaderIdleTimer, TimerIntervals::outputFaderIdleAfterSend);
}

void MainComponent::setTargetOutput (int target)
{
    const auto optionDown = juce::ModifierKeys::currentModifiers.isAltDown();
    const auto change = selectTarget (m_selectedTargets, target, optionDown);

    if (change.copiesMix)
    {
        copyTargetMix (m_sourceVolumeArray, m_sourceMuteArray,
                       targetPairFor (m_targetPairs, change.fromTarget), targetPairFor (m_targetPairs, target));
        copyTargetFlags (m_targetFlags, change.fromTarget, target);
        refreshMiniMixers();
    }

    m_selectedTargets = change.selection;

    for (int i = 0; i < m_trgButtons.size(); ++i)
        m_trgButtons[i]->setToggleState (m_selectedTargets.contains (i), juce::dontSendNotification);

    for (auto selected : m_selectedTargets)
        updateLevelValues (selected);

    refreshMiniMixers();
    sendAllSourceLevelsDownToHW (m_muteAllButton.getToggleState());
}

juce::String MainComponent::myValueToString (double value)
{
    return panText (value);
}

void MainComponent::refreshMiniMixers()
{
    m_miniMixerOut.setMiniMixerSliderValues (m_sourceVolumeArray, 2, 3);
    m_miniMixerHP.setMiniMixerSliderValues (m_sourceVolumeArray, 0, 1);
}
