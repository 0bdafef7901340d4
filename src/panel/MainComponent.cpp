#include "panel/MainComponent.h"

#include "mixer/SettingsFile.h"

#include <algorithm>

namespace
{
    /** The panel's first size, that of its initial background picture. */
    constexpr int initialWidth = 744;
    constexpr int initialHeight = 1360;
}

MainComponent::MainComponent() : MainComponent (getSystemMidiPorts()) {}

MainComponent::MainComponent (MidiPortSystem& ports)
    : midiPortSystem (ports)
{
    setName ("MainComponent");

    std::copy (&_static_default_volume_array[0][0],
               &_static_default_volume_array[0][0] + numMixerSources * numMixerDestinations,
               &m_sourceVolumeArray[0][0]);

    m_appProperties.setStorageParameters (SettingsFile::options());
    m_stateRestored = false;

    buildInputSection();
    buildPhaseAndPhantomButtons();

    setSize (initialWidth, initialHeight);
}

MainComponent::~MainComponent()
{
    // Inputs stop before anything they deliver into goes away.
    for (auto* entry : midiInputs)
        if (entry->inputDevice != nullptr)
            entry->inputDevice->stop();

    cancelPendingUpdate();
    midiOutputs.clear();
    midiInputs.clear();
}

void MainComponent::buildInputSection()
{
    m_inputTypeBoxes = { &m_inputTypeBox1, &m_inputTypeBox2 };

    for (int i = 0; i < m_inputTypeBoxes.size(); ++i)
    {
        auto* box = m_inputTypeBoxes[i];
        box->setVisible (true);
        addAndMakeVisible (box);
        box->addListener (this);
        box->setName ("CB" + juce::String (i + 1));
    }

    setInputOptions (micOption, &m_inputTypeBox1, &m_48V1);
    setInputOptions (micOption, &m_inputTypeBox2, &m_48V2);

    m_inputTypeBox1.onChange = [this] { setInputChannelConfig(); };
    m_inputTypeBox2.onChange = [this] { setInputChannelConfig(); };
}

void MainComponent::buildPhaseAndPhantomButtons()
{
    addAndMakeVisible (m_48V1);
    addAndMakeVisible (m_48V2);

    m_phaseButtons = { &m_phase1, &m_phase2 };
    addAndMakeVisible (m_phase1);
    addAndMakeVisible (m_phase2);

    const std::pair<juce::ImageButton*, const char*> named[] = {
        { &m_48V1, "m_48V1" }, { &m_48V2, "m_48V2" }, { &m_phase1, "m_phase1" }, { &m_phase2, "m_phase2" }
    };

    for (auto [button, name] : named)
    {
        button->setToggleable (true);
        button->setName (name);
        button->addListener (this);
        button->setClickingTogglesState (true);
    }

    m_phase1.onClick = [this] { setRoutingAndPhaseMode (&m_phase1, 0); };
    m_phase2.onClick = [this] { setRoutingAndPhaseMode (&m_phase2, 1); };
    m_48V1.onClick = [this] { setInputChannelConfig(); };
    m_48V2.onClick = [this] { setInputChannelConfig(); };
}

void MainComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
}

void MainComponent::resized() {}

void MainComponent::buttonClicked (juce::Button*) {}

void MainComponent::sliderValueChanged (juce::Slider*) {}

void MainComponent::timerCallback (int) {}

void MainComponent::actionListenerCallback (const juce::String&) {}
