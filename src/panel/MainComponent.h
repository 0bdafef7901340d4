#pragma once

#include "device/FirmwareUpdaterLocation.h"
#include "device/MidiDeviceListEntry.h"
#include "device/MidiInputQueue.h"
#include "device/MidiPortSystem.h"
#include "device/RegisterDeviceCallBacksMac.h"
#include "dialogs/AboutWindow.h"
#include "dialogs/TalvoSettingsWindow.h"
#include "mixer/MixerModel.h"
#include "mixer/PanelTimers.h"
#include "storage/SettingsStore.h"
#include "mixer/StripSends.h"
#include "panel/BackgroundRescaler.h"
#include "panel/PanelLayout.h"
#include "panel/TierPrefetch.h"
#include "widgets/OVKLabel.h"
#include "widgets/PopupMenuLookAndFeel.h"
#include "widgets/SliderLookAndFeel2.h"
#include "widgets/TalvoComboBoxLookAndFeel2.h"
#include "widgets/TalvoMIDISignalLED.h"
#include "widgets/TalvoMiniMixerComponentz3.h"
#include "widgets/TalvoSliderLookAndFeel.h"
#include "widgets/Talvoz6ComboBox.h"
#include "widgets/Talvoz6Sliders.h"
#include "widgets/Talvoz6VUMeter.h"

#include <juce_data_structures/juce_data_structures.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <functional>

class TalvoSnapshotWindow;
struct TalvoSnapShotParameter;

/** The panel that fills the main window.

    It owns every control, the mixer model, the MIDI link and the user settings. Its member
    functions are glue between the controls and pure units that know no panel (the codec and
    parser under device/, the mixer model, timers' ids and stored files under mixer/, the layout
    table here); they all live in this folder, one file per role, as the sections below list.

    Everything runs on the message thread unless a function says otherwise. Members are public to
    the panel's role files and to tests, which reach controls by the names below.
*/
class MainComponent final : public juce::Component,
                            public juce::Button::Listener,
                            public juce::ComboBox::Listener,
                            public juce::ChangeBroadcaster,
                            public juce::ActionListener,
                            public juce::ActionBroadcaster,
                            public PanelTimers,
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
    void actionListenerCallback (const juce::String& message) override;

    //==============================================================================
    // Senders (MainComponentSenders.cpp)

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
    void setRoutingAndPhaseMode (juce::Button* button = nullptr, int index = 0);

    /** Sends both inputs' configuration from the input-type boxes and the 48V buttons. */
    void setInputChannelConfig();

    /** Asks for the full state, both firmware versions and the serial number. */
    void sendStateRequestToHardware();

    //==============================================================================
    // MIDI ports (MainComponentMidiPorts.cpp)

    /** Brings midiInputs (isInput) or midiOutputs in step with the system's endpoints, reusing the
        entries of endpoints still there. True when the list changed (the same endpoints in another
        order count as a change).
    */
    bool updateDeviceList (bool isInput);

    /** Opens, in list order, every port of one list whose name contains name1 or name2
        (case-sensitive) and whose identifier is not empty; name3 is not used. A port already open
        is opened anew. Stops at the first port that fails to open and returns false; otherwise
        true when at least one port was opened.
    */
    bool openMIDIDevice (bool isInput, juce::String name1, juce::String name2, juce::String name3);

    /** Removes from one list the entries whose endpoints are not in current. When a removed entry
        had its port open, every open port of that list is closed.
    */
    void closeUnpluggedDevices (juce::Array<juce::MidiDeviceInfo> current, bool isInput);

    //==============================================================================
    // MIDI input (MainComponentMidiInput.cpp)

    /** Called on the MIDI input thread: queues a copy of the message (unless the updater runs) and
        triggers the asynchronous update. Never parses. Says once on standard error when the queue
        starts dropping.
    */
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;

    /** Takes every queued message and parses them in arrival order. */
    void handleAsyncUpdate() override;

    /** Applies one System Exclusive report of the interface to the mixer model and the controls,
        without notification, so nothing is sent back. A message shorter than its command's layout
        changes nothing.
    */
    void handleProtocolMessage (const juce::MidiMessage& message);

    /** Applies the three data bytes of one output-level report; outputs above 3 are ignored. */
    void fillOutputVolumeFromHW (char b1, char b2, char b3);

    //==============================================================================
    // Device events (MainComponentDeviceEvents.cpp)

    /** The presence layer's event callback; context is the panel. Called on the message thread
        for USB and power events and on the audio notification thread for property changes; the
        handling runs under the message-manager lock. A null context, or a panel already
        destroyed, is ignored.
    */
    static void OnApiCallback (void* context, void* reserved, OVK_CallbackEvent event);

    /** Handles one device event; on the message thread or under the message-manager lock. */
    void handleDeviceEvent (OVK_CallbackEvent event);

    /** Makes this panel the receiver of the device events and arms the presence layer. */
    void connectDeviceEvents();

    /** Ends the device events to this panel and the presence layer's registrations for it. */
    void disconnectDeviceEvents();

    /** Set by the first removal that finds the state restored. Until the state has been restored
        once since start, a removal does not save: the model then holds start values.
    */
    bool m_stateRestoredOnce = false;

    //==============================================================================
    // Timers (MainComponentTimers.cpp)

    /** Runs the job of one timer id (mixer/TimerIds.h); an id it does not know is ignored. */
    void timerCallback (int timerID) override;

    /** The device reset sequence of a restore: reset, 250 ms, factory defaults, monitoring. */
    void deviceResetSequence();

    /** Takes the four output levels from the output strips by the balance law (the HP1 pair from
        its hidden fader) and sends them all with the given mute.
    */
    void sendOutputLevelsFromStrips (bool mute);

    /** Sends the whole model: the 16 source levels, then the output strips set from the stored
        output levels and sent, all muted while mute-all is on. The restore and a snapshot recall
        both end with it.
    */
    void sendMixerModelToInterface();

    //==============================================================================
    // Settings file (MainComponentSettings.cpp)

    /** Writes the panel's keys and saves the mixer keys at once. False, doing nothing, while
        another save runs; false too when the write failed. The two are told apart by
        getUserSettings()->getSaveProblem(): it says why the last write failed and is empty after
        one that succeeded; a call that found another save running leaves it as it was.
        Before this connection's restore nothing is written and the result is true.
    */
    bool saveProperties();

    /** Reads the keys back into the model and the toggles and sends the input and phase modes.
        Does nothing while a save runs. The argument has no effect.
    */
    void restoreProperties (bool unused = false);

    /** The user settings; always there (a session whose file cannot be used runs on an empty
        store that saves nothing).
    */
    SettingsStore* getUserSettings();

    //==============================================================================
    // Refreshing the controls (MainComponentRefresh.cpp)
    enum TalvoInputOption
    {
        micOption = 1,
        lineOption = 2
    };

    /** Shows every control (connected) or hides and disables them ("Looking for Device"). */
    void enableAllElements (bool on);

    /** Fills an input's type box and shows or hides its 48V button; never notifies. */
    void setInputOptions (int option, juce::ComboBox* combo, juce::ImageButton* phantomButton);

    /** Sets the input and playback strips from the matrix for one target; never notifies. */
    void updateLevelValues (int target);

    /** The refresh after interface reports: strips, mini mixers, MIDI LEDs, open settings dialog. */
    void updateUIFromSettings();

    //==============================================================================
    // Application shell (MainComponentShell.cpp)

    /** Stores the main window's state text as the user setting "WindowPosition". */
    void savedWindowPosition (juce::String state);

    /** Resets the interface's stream formats and hides the main window, centred at 323 x 884.
        The mixer model and the stored settings stay as they are; showing the window again is the
        caller's business.
    */
    void setFactoryDefaults();

    //==============================================================================
    // Channel-strip handlers (MainComponentStrips.cpp)

    /** An input strip (In 1, source 2; In 2, source 3): sends the source to both destinations of
        every selected target with the levels of its fader and pan, then refreshes the mini mixers.
        Called by the strip's fader, pan, mute and solo.
    */
    void sliderHWInValueChanged (juce::Slider* fader, juce::Slider* pan, unsigned char source,
                                 juce::Button* muteButton, juce::Button* soloButton);

    /** The playback strip: "DAW 1" to the left and "DAW 2" to the right destination of every
        selected target, the crossed gains at the floor. A click on the strip's mute sends the
        same four gains in the order of muteClick.
    */
    void sliderPBValueChanged (juce::Slider* fader, juce::Slider* balance,
                               juce::Button* muteButton, juce::Button* soloButton,
                               PlaybackSendOrder order = PlaybackSendOrder::faderOrBalance);

    /** The Out 1/2 strip: stores and sends both outputs of target pair 0 with the strip's mute. */
    void sliderOut34ValueChanged (juce::Slider* fader, juce::Slider* balance, juce::Button* muteButton);

    /** The HP1 strip (no visible fader: a null or 0 dB level): the same for target pair 1. */
    void sliderOutHP12ValueChanged (juce::Slider* fader, juce::Slider* balance, juce::Button* muteButton);

    /** Both output solo buttons: a soloed strip sounds and the other is muted; with no solo on,
        every output is sent muted and then with its own mute state. Stores nothing.
    */
    void soloOutChannels();

    /** A target button: a plain click selects the target alone, an Option-click adds it with a
        copy of the last selected target's mix. Then the target toggles, strips and mini mixers
        follow and all 16 source levels are resent.
    */
    void setTargetOutput (int target);

    /** The value bubble's text of a pan or balance slider ("Pan: 30% Right"). */
    juce::String myValueToString (double value);

    /** The In 1 (0) or In 2 (1) strip with its own controls: its source is strip + 2. */
    void sendInputStrip (int strip);

    /** Shows the gain matrix on the two mini mixers. */
    void refreshMiniMixers();

    //==============================================================================
    // Layout and painting (MainComponentLayout.cpp)

    /** The controls that take the positions of one row of the layout table, in order; the empty
        entries of a member array are skipped.
    */
    juce::Array<juce::Component*> componentsInRow (PanelLayout::Row row);

    /** Makes m_background the tier of the last layout at the panel's size: decodes and rescales
        only after a new size or tier. Painting calls it, so a size that is never shown (the first
        layout, before the window's start size) decodes and rescales nothing unless a layout in a
        window not yet on screen had it prepared on a worker.
    */
    void updateBackground();

    /** Cuts every button group's frames out of its picture of the current tier. */
    void applyButtonPictures();

    /** A live resize has had no new size for a while: the pictures kept for its next sizes go. */
    void resizeSettled();

    /** The artwork tier's scale chosen by the last layout: 1.0, 0.75 or 0.5. */
    float m_uiScale = 1.0f;

    /** The last layout left the button pictures of its tier for later. */
    bool m_buttonPicturesPending = false;

    /** Makes m_background, on a worker while the window is being put on screen. */
    BackgroundRescaler m_backgroundRescaler;

    /** The artwork tier the last layout chose for the background. */
    PanelLayout::ArtworkTier m_backgroundTier = PanelLayout::ArtworkTier::large;

    /** Set by a layout of the panel on screen, cleared when no new size came for a while: the
        decoded pictures of every tier stay in the image cache meanwhile, for the next sizes.
    */
    bool m_resizeUnderWay = false;

    /** Decodes the tier across the boundary that a live resize is nearing. */
    TierPrefetch m_tierPrefetch;

    //==============================================================================
    // Snapshots (MainComponentSnapshots.cpp)

    /** Reads one snapshot file into the record; false when the file is missing, not a regular
        file, unreadable or lacks a required key. The slot does not enter the result.
    */
    bool loadSnapShotAndValidate (juce::File& file, TalvoSnapShotParameter* record, int slot);

    /** The snapshot buttons' action; button is the slot's recall button, slot 0..3. A recall of a
        valid file applies it to the mixer, the controls and the interface; an edit press, or a
        recall without a valid file, captures the current state and runs the snapshot dialog, then
        stores the slot's name and file path in the user settings.
    */
    void presetContex (juce::Button* button, int slot, bool recall);

    juce::Component::SafePointer<TalvoSnapshotWindow> m_snapshotWindow;
    juce::Component::SafePointer<juce::DialogWindow> m_snapshotDialog;

    /** Runs the snapshot dialog until it ends; empty runs its modal loop. Tests drive the dialog
        here instead.
    */
    std::function<void (juce::DialogWindow&)> runSnapshotDialog;

    //==============================================================================
    // Settings dialog, action messages, panel buttons and the firmware updater
    // (MainComponentActions.cpp, MainComponentPanelButtons.cpp, MainComponentUpdater.cpp)

    /** Accepts the dialog's buffer size; this interface has no latency setting: changes nothing. */
    void changeLatency (int latency);

    /** The factory-default command: resets the interface and hides the main window now; timer
        4112 brings the window and the panel's model back 300 ms later.
    */
    void runFactoryDefaultCommand();

    /** The monitoring reset: reset begin, the state requests, then the monitoring reset. */
    void resetMonitoringCommand();

    /** Shows a hidden main window with the panel, or brings a visible one to the front. */
    void showOrRaiseMainWindow();

    /** The mute-all button's click: the outputs follow its state after 1 ms, every source after
        100 ms.
    */
    void startMuteAll();

    /** The MIDI button's click: sends the midiButton message to every open output. */
    void sendMidiButtonMessage();

    /** Aligns the two audio devices' rates and stores the result (0 on failure) with no USB
        buffer count and no buffer size, for the settings dialog.
    */
    void alignSampleRatesForSettings();

    /** The settings button's click: aligns the rates, then runs the settings dialog modally and
        starts the updater when it closes with "Start Updater". Returns when the dialog has closed.
    */
    void openSettingsDialog();

    /** Pushes the hardware record into an open settings dialog; false when none is open. */
    bool refreshSettingsDialog();

    /** Hands the interface to the firmware updater, waits for it to end (blocking the message
        thread), then arms the presence layer again and hides the update button.
    */
    void openUpdater();

    /** Set by an updater run that wrote no firmware, cleared by one that did and by the
        interface's removal. While it is set the firmware check shows the update button but does
        not start the updater itself, so it does so at most once per connection (the arrival that
        re-arming raises after a run is the same connection). Message thread.
    */
    bool m_updaterLeftFirmwareUnchanged = false;

    /** The open settings dialog's content and window; empty while no dialog is open. */
    juce::Component::SafePointer<TalvoSettingsWindow> m_settingsWindow;
    juce::Component::SafePointer<juce::DialogWindow> m_settingsDialog;

    /** Where openUpdater looks for the updater (see FirmwareUpdaterLocation). */
    juce::File m_applicationBundle = FirmwareUpdaterLocation::applicationBundle();

    //==============================================================================
    OVKdBLabelLookAndFeel m_dBLabelLookAndFeel;
    std::unique_ptr<SettingsStore> m_settingsStore;
    std::unique_ptr<PopupMenuLookandFeel> m_menuBarLookAndFeel;

    // Owned windows: two spares nothing uses, the routing dialogs nothing opens, the about box.
    std::unique_ptr<juce::Component> m_spareWindow1, m_spareWindow2;
    std::unique_ptr<juce::DocumentWindow> m_routingWindow;
    std::unique_ptr<juce::DialogWindow> m_routingDialog;
    std::unique_ptr<juce::DialogWindow> m_aboutDialog;
    std::unique_ptr<AboutWindow> m_aboutWindow; ///< held by m_aboutDialog too; deleted first

    OvkSliderLookAndFeel2 m_thumbLookAndFeel;
    juce::TextEditor m_midiMonitorIn { "MIDI Monitor In" }, m_midiMonitorOut { "MIDI Monitor Out" };

    //==============================================================================
    // MIDI link
    MidiPortSystem& midiPortSystem;
    juce::ReferenceCountedArray<MidiDeviceListEntry> midiInputs;
    juce::ReferenceCountedArray<MidiDeviceListEntry> midiOutputs;

    /** Copies of the received messages not yet parsed, in arrival order. When it is full the
        oldest meter readings give way, never an answer the panel asked for (see MidiInputQueue).
        Filled on the MIDI input thread, drained on the message thread.
    */
    MidiInputQueue midiInputQueue;

    /** Number of the device's 8-byte state messages (data 0x7F), stopping at 3. */
    int stateReplyCount = 0;

    juce::CriticalSection m_saveLock;
    bool m_saveInProgress = false;
    bool m_connected = false;
    bool m_outputFaderMoving = false;
    bool m_noDeviceMessageYet = true;

    //==============================================================================
    // Mixer state
    double m_sourceVolumeArray[numMixerSources][numMixerDestinations] {};
    bool m_sourceMuteArray[numMixerSources][numMixerDestinations] {};
    bool m_sourceSoloArray[numMixerSources][numMixerDestinations] {};
    double m_outputVolumeArray[numMixerDestinations] {};
    bool m_outputMuteArray[numMixerDestinations] {};
    bool m_stateRestored = false;
    std::uint8_t m_targetFlags[4] {};
    std::uint8_t m_meterLevels[4] {};

    //==============================================================================
    // Controls
    juce::Image m_background;
    bool m_hwControlAllowed = false;

    juce::OwnedArray<juce::ImageButton> m_monitorButtons;
    juce::ImageButton m_48V1, m_48V2, m_mono12, m_stereo12, m_phase1, m_phase2;
    juce::ImageButton m_muteAllButton;
    MIDISignalLED m_midiLed1, m_midiLed2;
    juce::ImageButton m_midiButton;
    juce::OwnedArray<juce::ImageButton> m_muteInButtons;   ///< In 1, In 2, DAW
    juce::OwnedArray<juce::ImageButton> m_soloInButtons;   ///< In 1, In 2, DAW
    juce::OwnedArray<juce::ImageButton> m_muteOutButtons;  ///< Out 1/2, HP1
    juce::OwnedArray<juce::ImageButton> m_soloOutButtons;  ///< Out 1/2, HP1
    juce::OwnedArray<juce::ImageButton> m_trgButtons;      ///< Out 1/2, HP1
    juce::OwnedArray<juce::ImageButton> m_ssButtons;       ///< snapshot recall, slots 0..3
    juce::OwnedArray<juce::ImageButton> m_sscButtons;      ///< snapshot edit, slots 0..3
    juce::ImageButton m_settingsButton;
    juce::TextButton m_updateButton;
    juce::Array<juce::ImageButton*> m_phaseButtons;
    juce::Array<juce::ImageButton*> m_stripMuteButtons;

    juce::ComboBox m_inputTypeBox1, m_inputTypeBox2;
    juce::Array<juce::ComboBox*> m_inputTypeBoxes;
    TalvoComboBoxLookAndFeel m_comboLookAndFeel;
    TalvoComboBoxLookAndFeel2 m_comboLookAndFeel2;

    TalvoMiniMixerComponentz3 m_miniMixerOut, m_miniMixerHP;
    juce::Array<TalvoMiniMixerComponentz3*> m_miniMixers;

    juce::OwnedArray<TalvoVSlider> m_vSliders1;  ///< In 1, In 2, DAW
    juce::OwnedArray<TalvoVSlider> m_vSliders2;  ///< Out 1/2, then two empty entries
    TalvoVSlider m_faderHP1;                     ///< the HP1 level: never shown, stays at 0 dB
    TalvoSliderLookAndFeel m_faderLookAndFeel1, m_faderLookAndFeel2, m_panLookAndFeel;
    juce::OwnedArray<TalvoHSlider> m_hSliders1;  ///< In 1 pan, In 2 pan, DAW balance
    juce::OwnedArray<TalvoHSlider> m_hSliders2;  ///< Out 1/2 balance, HP1 balance

    Talvoz6VUMeter m_in1Meter, m_in2Meter, m_playbackMeterLeft, m_playbackMeterRight,
                   m_outputMeterLeft, m_outputMeterRight;
    juce::Array<Talvoz6VUMeter*> m_inputMeters, m_playbackMeters, m_outputMeters;
    juce::Array<Talvoz6VUMeter*> m_levelMeterByIndex;  ///< In 1, In 2, output left, output right

    //==============================================================================
    Talvoz6Mixer m_mixer;
    juce::Array<int> m_selectedTargets { 0 };
    const juce::Array<TargetPair> m_targetPairs = makeTargetPairs();

    /** Set while the firmware updater runs: incoming MIDI is dropped and the port scan pauses. */
    std::atomic<bool> updaterRunning { false };

    juce::GlowEffect m_glowEffect;
    bool m_elementsDisabled = false;

private:
    //==============================================================================
    // Construction (MainComponent.cpp)

    /** Builds the about box and its dialog window, hidden; nothing opens it. */
    void buildAboutBox();

    void buildMonitorAndMidiSection();
    void buildInputSection();
    void buildPhaseAndPhantomButtons();
    void buildStripButtons();
    void buildTargetAndSnapshotButtons();
    void buildSettingsAndUpdateButtons();
    void buildPanSliders();
    void buildFaders();
    void buildMeters();
    void buildMiniMixers();

    //==============================================================================
    // Timer jobs (MainComponentTimers.cpp), one per timer id

    /** Asks again, a second later, while a firmware version is missing. For firmware other than
        the expected one, shows the update button and posts a click to it, unless the updater has
        left this firmware as it was.
    */
    void checkFirmwareVersions();

    /** The selected targets' strips, the Out 1/2 fader and balance and the two output mutes from
        the model; never notifies.
    */
    void updateLevelControls();

    /** One tick of the port scan: refreshes both MIDI port lists and opens the interface's ports;
        a tick that opened both starts the restore. Skipped while the updater holds the ports.
    */
    void scanMidiPorts();

    /** Saves the settings and, unless the user allows the hardware's own controls, locks them. */
    void saveAndLockHardwareControl();

    /** Asks the interface for its state and enables the controls. */
    void requestStateAndEnableControls();

    /** The restore of a new connection: the device reset when asked for, the stored state into
        the model, the controls and the interface; then the periodic save and the state request.
    */
    void restoreStateIntoInterface();

    /** The second half of the factory-default command: the main window back, the factory matrix
        with no mutes, the solos, phases and mute-all off, a click posted to target 0, the 16 gains
        sent and the settings saved.
    */
    void completeFactoryReset();

    /** Stores the aligned sample rate and shows it in an open settings dialog. */
    void syncSampleRates();

    /** The first half of a mute-all click: every output sent with the button's state. */
    void applyMuteAllToOutputs();

    /** The second half: every source and output mute, their toggles and the 16 gains follow. */
    void applyMuteAllToSources();

    /** Sets every source mute and every output mute in the model. */
    void setEveryMute (bool mute);

    //==============================================================================
    // Snapshot steps (MainComponentSnapshots.cpp)

    /** Turns the given recall button on and every other one off, without notification. */
    void showRecalledSlot (juce::Button& recallButton);

    /** Applies a valid snapshot to the model, the phase and target toggles, the strips and the
        interface (the outputs as at a connection), then refreshes the controls.
    */
    void recallSnapshot (const TalvoSnapShotParameter& record);

    /** The record's targets, target 0 when it selects none, and their toggles. */
    void selectRecalledTargets (const TalvoSnapShotParameter& record);

    /** Captures the current state into the record, runs the snapshot dialog on it and stores the
        slot's name and path, however the dialog was closed.
    */
    void captureAndEditSnapshot (TalvoSnapShotParameter& record, juce::Button& recallButton, int slot);

    /** The record from the current mixer, toggles and targets, with the default description and
        the recall button's text as its name.
    */
    void captureSnapshot (TalvoSnapShotParameter& record, const juce::Button& recallButton);

    /** Builds the snapshot dialog on the record (which must outlive it), centred on the screen and
        not yet shown; m_snapshotWindow and m_snapshotDialog point to it.
    */
    juce::DialogWindow* createSnapshotDialog (TalvoSnapShotParameter& record, int slot);

    /** Stores the slot's file path and the dialog's name, and names the recall button after it. */
    void storeEditedSlot (TalvoSnapshotWindow& content, juce::Button& recallButton,
                          const TalvoSnapShotParameter& record, int slot);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
