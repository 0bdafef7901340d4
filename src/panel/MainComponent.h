#pragma once

#include "device/MidiDeviceListEntry.h"
#include "device/MidiPortSystem.h"
#include "mixer/MixerModel.h"

#include <juce_data_structures/juce_data_structures.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>

/** The panel that fills the main window.

    It owns every control, the mixer model, the MIDI link and the user settings. Its member
    functions live in the folder of the role they serve: senders and MIDI input under device/,
    timers and persistence under mixer/, construction, layout and refresh under panel/.

    Everything runs on the message thread unless a function says otherwise.
*/
class MainComponent final : public juce::Component,
                            public juce::Button::Listener,
                            public juce::ComboBox::Listener,
                            public juce::ChangeBroadcaster,
                            public juce::ActionListener,
                            public juce::ActionBroadcaster,
                            public juce::MultiTimer,
                            public juce::MidiInputCallback,
                            public juce::AsyncUpdater,
                            public juce::Slider::Listener
{
public:
    /** The product's panel, on the framework's MIDI endpoints. */
    MainComponent();

    /** A panel on the given MIDI endpoints, which must outlive it. */
    explicit MainComponent (MidiPortSystem& midiPortSystem);

    ~MainComponent() override;

    //==============================================================================
    // Component and listener callbacks
    void visibilityChanged() override {}
    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;
    void comboBoxChanged (juce::ComboBox*) override {}
    void sliderValueChanged (juce::Slider*) override;
    void timerCallback (int timerID) override;
    void actionListenerCallback (const juce::String& message) override;

    //==============================================================================
    // Senders (device/MainComponentSenders.cpp)

    /** Hands a complete message to every open MIDI output; each output's thread sends it 1 ms later. */
    void sendToOutputs (const juce::MidiMessage& message);

    /** Sends one gain and stores the quantised level, the mute bit sent and the solo flag. */
    void sendVolumeFromInputToSelectedOutputs (unsigned char source, unsigned char destination,
                                               double dB, bool mute, bool solo);

    /** Sends the level and mute of one output (destination id 0..3). Stores nothing. */
    void sendOutputVolume (char output, double dB, bool mute);

    /** Sends all 16 gains of the matrix, source by source; muteAll mutes every one of them. */
    void sendAllSourceLevelsDownToHW (bool muteAll);

    /** Sends the phase mode from the two phase buttons; the arguments do not enter the message. */
    void setRoutingAndPhaseMode (juce::Button* button, int index);

    /** Sends both inputs' configuration from the input-type boxes and the 48V buttons. */
    void setInputChannelConfig();

    /** Asks for the full state, both firmware versions and the serial number. */
    void sendStateRequestToHardware();

    //==============================================================================
    // MIDI input (device/MainComponentMidiInput.cpp)

    /** Called on the MIDI input thread. */
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;
    void handleAsyncUpdate() override;

    //==============================================================================
    // Refreshing the controls (panel/MainComponentRefresh.cpp)
    enum TalvoInputOption
    {
        micOption = 1,
        lineOption = 2
    };

    /** Fills an input's type box and shows or hides its 48V button; never notifies. */
    void setInputOptions (int option, juce::ComboBox* combo, juce::ImageButton* phantomButton);

    //==============================================================================
    // Application shell (panel/MainComponentShell.cpp)

    /** Stores the main window's state text as the user setting "WindowPosition". */
    void savedWindowPosition (juce::String state);

    /** Resets the interface's stream formats and hides the main window, centred at 323 x 884.
        The mixer model and the stored settings stay as they are; showing the window again is the
        caller's business.
    */
    void setFactoryDefaults();

    /** The user settings file. */
    juce::PropertiesFile* getUserSettings();

    //==============================================================================
    // MIDI link
    MidiPortSystem& midiPortSystem;
    juce::ReferenceCountedArray<MidiDeviceListEntry> midiInputs;
    juce::ReferenceCountedArray<MidiDeviceListEntry> midiOutputs;

    //==============================================================================
    // Settings
    juce::ApplicationProperties m_appProperties;

    //==============================================================================
    // Mixer state
    double m_sourceVolumeArray[numMixerSources][numMixerDestinations] {};
    bool m_sourceMuteArray[numMixerSources][numMixerDestinations] {};
    bool m_sourceSoloArray[numMixerSources][numMixerDestinations] {};
    double m_outputVolumeArray[numMixerDestinations] {};
    bool m_outputMuteArray[numMixerDestinations] {};
    bool m_stateRestored = false;
    bool m_hwControlAllowed = false;
    bool m_outputFaderMoving = false;

    //==============================================================================
    // Controls
    juce::ImageButton m_48V1, m_48V2;
    juce::ImageButton m_phase1, m_phase2;
    juce::Array<juce::ImageButton*> m_phaseButtons;

    juce::ComboBox m_inputTypeBox1, m_inputTypeBox2;
    juce::Array<juce::ComboBox*> m_inputTypeBoxes;

    //==============================================================================
    Talvoz6Mixer m_mixer;
    juce::Array<int> m_selectedTargets { 0 };
    const juce::Array<TargetPair> m_targetPairs = makeTargetPairs();

    /** Set while the firmware updater runs: incoming MIDI is dropped and the port scan pauses. */
    std::atomic<bool> updaterRunning { false };

private:
    void buildInputSection();
    void buildPhaseAndPhantomButtons();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
