#include "panel/MainComponent.h"

#include "device/RawUsbDeviceLayer.h"
#include "storage/SettingsFile.h"
#include "storage/SnapshotFile.h"
#include "panel/CommandLineSwitches.h"
#include "panel/PanelArtwork.h"
#include "resources/OVKBIN.h"

#include <algorithm>

namespace
{
    /** The program's one command manager; the panel listens to its key mappings. */
    std::unique_ptr<juce::ApplicationCommandManager> applicationCommandManager;

    juce::Image resourceImage (const char* data, int size)
    {
        return juce::ImageCache::getFromMemory (data, size);
    }

    template <typename ButtonType>
    void makeToggle (ButtonType& button, juce::Button::Listener* listener, bool clickToggles)
    {
        button.setToggleable (true);
        button.addListener (listener);
        button.setClickingTogglesState (clickToggles);
    }

    void fillButtons (juce::OwnedArray<juce::ImageButton>& buttons, int count)
    {
        for (int i = 0; i < count; ++i)
            buttons.add (new juce::ImageButton());
    }

    /** The version as the application shows it; without an application object, the build's. */
    juce::String applicationVersion()
    {
        if (auto* application = juce::JUCEApplicationBase::getInstance())
            return application->getApplicationVersion();

        return shownVersionOf (JUCE_APPLICATION_VERSION_STRING);
    }

    /** The exit code when the settings could not be saved at exit. An exit code already chosen
        (/init's 4321, a lost display's 1) stays: the line on standard error tells.
    */
    constexpr int settingsNotSavedExitCode = 1;

    constexpr double faderMinimum = -90.0;
    constexpr double faderMaximum = 0.0;
    constexpr double faderInterval = 0.5;
}

MainComponent::MainComponent() : MainComponent (getSystemMidiPorts()) {}

MainComponent::MainComponent (MidiPortSystem& ports)
    : m_menuBarLookAndFeel (std::make_unique<PopupMenuLookandFeel>()),
      midiPortSystem (ports)
{
    m_dBLabelLookAndFeel.labelFont.setHeight (8.0f);
    m_dBLabelLookAndFeel.referenceText = "-63.5 dB";

    setName ("MainComponent");

    copyFactoryMatrix (m_sourceVolumeArray);

    // The file is checked (and set aside when unreadable) before anything reads a setting.
    m_settingsStore = SettingsStore::openUserSettings();
    SnapshotFile::removeStaleTemporaries();
    m_stateRestored = false;

    for (auto* editor : { &m_midiMonitorIn, &m_midiMonitorOut })
    {
        editor->setMultiLine (true, true);
        editor->setReturnKeyStartsNewLine (false);
        editor->setScrollbarsShown (true);
        editor->setCaretVisible (false);
        editor->setText ({}, false);
        addAndMakeVisible (editor);
    }

    buildMonitorAndMidiSection();
    buildInputSection();
    buildPhaseAndPhantomButtons();
    buildStripButtons();
    buildTargetAndSnapshotButtons();
    buildSettingsAndUpdateButtons();
    buildPanSliders();
    buildFaders();
    buildMeters();
    buildMiniMixers();

    m_outputFaderMoving = false;

    if (applicationCommandManager == nullptr)
        applicationCommandManager = std::make_unique<juce::ApplicationCommandManager>();
    addKeyListener (applicationCommandManager->getKeyMappings());

    // The interface's own USB handle: one already plugged in is opened here.
    registerRawUsbNotifications();

    buildAboutBox();

    updaterRunning = false;

    // Only the first picture's size is needed here: the layout below replaces the background
    // before anything is painted, so the picture itself (3 MB decoded) is never decoded.
    if (const auto size = PanelArtwork::initialBackgroundSize())
        setSize (size->width, size->height);

    enableAllElements (false);

    // An interface that is already plugged in is reported inside this call.
    connectDeviceEvents();

    resized();
    m_saveInProgress = false;
}

MainComponent::~MainComponent()
{
    // No device event may reach a panel that is being taken apart.
    disconnectDeviceEvents();

    if (auto* settings = getUserSettings())
        settings->setValue (SettingsFile::Keys::resetNextBoot, true);

    // No save can be under way here: saves run on this thread and none of them runs the message
    // loop. What the delayed save would write later (the toggles, the reset flag) goes now, so
    // that the exit code can say whether everything reached the disk.
    const bool mixerSaved = saveProperties();
    if (auto* settings = getUserSettings(); ! (settings->saveIfNeeded() && mixerSaved) && settings->isSavingAllowed())
        if (auto* application = juce::JUCEApplicationBase::getInstance(); application != nullptr && application->getApplicationReturnValue() == 0)
            application->setApplicationReturnValue (settingsNotSavedExitCode);

    closeUnpluggedDevices (midiPortSystem.getAvailableInputs(), true);
    closeUnpluggedDevices (midiPortSystem.getAvailableOutputs(), false);
    releaseUSBDevice();
    // The arrival registration goes as well: nothing may open the device for a panel that is gone.
    releaseRawUsbNotifications();

   #if JUCE_MAC
    juce::MenuBarModel::setMacMainMenu (nullptr);
   #endif

    // A settings dialog still open at exit loses its content before the controls go.
    delete m_settingsWindow.getComponent();

    m_routingDialog = nullptr;
    m_routingWindow = nullptr;

    juce::PopupMenu::dismissAllActiveMenus();

    // The dialog's hold on its content empties when the content goes first, so it is deleted once.
    m_aboutWindow = nullptr;
    m_aboutDialog = nullptr;

    if (applicationCommandManager == nullptr)
        applicationCommandManager = std::make_unique<juce::ApplicationCommandManager>();
    removeKeyListener (applicationCommandManager->getKeyMappings());
    applicationCommandManager = nullptr;

    for (auto* box : m_inputTypeBoxes)    box->setLookAndFeel (nullptr);
    for (auto* button : m_ssButtons)      button->setLookAndFeel (nullptr);
    for (auto* mixer : m_miniMixers)      mixer->setLookAndFeel (nullptr);
    for (auto* slider : m_vSliders1)      slider->setLookAndFeel (nullptr);
    for (auto* slider : m_vSliders2)      if (slider != nullptr) slider->setLookAndFeel (nullptr);
    for (auto* slider : m_hSliders1)      slider->setLookAndFeel (nullptr);
    for (auto* slider : m_hSliders2)      slider->setLookAndFeel (nullptr);

    // The inputs stop before the queue they deliver into goes away.
    for (auto* entry : midiInputs)
        if (entry->inputDevice != nullptr)
            entry->inputDevice->stop();

    cancelPendingUpdate();
    midiOutputs.clear();
    midiInputs.clear();
}

//==============================================================================
void MainComponent::buildAboutBox()
{
    const auto versionText = juce::String (JUCE_APPLICATION_NAME_STRING) + " v" + applicationVersion();
    m_aboutWindow = std::make_unique<AboutWindow> (versionText);
    m_aboutDialog.reset (AboutWindow::createDialog (m_aboutWindow.get()));
}

void MainComponent::buildMonitorAndMidiSection()
{
    fillButtons (m_monitorButtons, 2);
    for (auto* button : m_monitorButtons)
    {
        button->setVisible (true);
        addAndMakeVisible (button);
        makeToggle (*button, this, true);
    }

    std::fill (std::begin (m_targetFlags), std::end (m_targetFlags), std::uint8_t { 1 });
    std::fill (std::begin (m_meterLevels), std::end (m_meterLevels), std::uint8_t { 1 });

    for (auto* button : m_monitorButtons)
        button->onClick = [] {};

    addAndMakeVisible (m_midiLed1);
    addAndMakeVisible (m_midiLed2);
    addAndMakeVisible (m_midiButton);
    m_midiButton.setToggleable (true);
    m_midiButton.addListener (this);
    m_midiButton.onClick = [this] { sendMidiButtonMessage(); };

    addAndMakeVisible (m_muteAllButton);
    makeToggle (m_muteAllButton, this, true);
    m_muteAllButton.onClick = [this] { startMuteAll(); };
}

void MainComponent::buildInputSection()
{
    m_inputTypeBoxes = { &m_inputTypeBox1, &m_inputTypeBox2 };

    for (int i = 0; i < m_inputTypeBoxes.size(); ++i)
    {
        auto* box = m_inputTypeBoxes[i];
        addAndMakeVisible (box);
        box->setLookAndFeel (&m_comboLookAndFeel);
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
    for (auto* button : { &m_48V1, &m_48V2, &m_mono12, &m_stereo12 })
        addAndMakeVisible (button);

    m_phaseButtons = { &m_phase1, &m_phase2 };
    addAndMakeVisible (m_phase1);
    addAndMakeVisible (m_phase2);

    const std::pair<juce::ImageButton*, const char*> named[] = {
        { &m_48V1, "m_48V1" }, { &m_48V2, "m_48V2" }, { &m_mono12, "m_mono12" },
        { &m_stereo12, "m_stereo12" }, { &m_phase1, "m_phase1" }, { &m_phase2, "m_phase2" }
    };

    for (auto [button, name] : named)
    {
        button->setToggleable (true);
        button->setName (name);
        button->addListener (this);
    }

    m_phase1.setClickingTogglesState (true);
    m_phase2.setClickingTogglesState (true);
    m_phase1.onClick = [this] { setRoutingAndPhaseMode (&m_phase1, 0); };
    m_phase2.onClick = [this] { setRoutingAndPhaseMode (&m_phase2, 1); };

    m_48V1.setClickingTogglesState (true);
    m_48V2.setClickingTogglesState (true);
    m_48V1.onClick = [this] { setInputChannelConfig(); };
    m_48V2.onClick = [this] { setInputChannelConfig(); };
}

void MainComponent::buildStripButtons()
{
    fillButtons (m_muteInButtons, 3);
    fillButtons (m_soloInButtons, 3);
    fillButtons (m_muteOutButtons, 2);
    fillButtons (m_soloOutButtons, 2);

    m_stripMuteButtons = { m_muteInButtons[0], m_muteInButtons[1], m_muteInButtons[2],
                           m_muteOutButtons[0], m_muteOutButtons[1] };

    // The strips' sliders are built later: each action looks its controls up when it runs.
    for (int strip = 0; strip < 2; ++strip)
    {
        m_muteInButtons[strip]->onClick = [this, strip] { sendInputStrip (strip); };
        m_soloInButtons[strip]->onClick = [this, strip] { sendInputStrip (strip); };
    }

    m_muteInButtons[2]->onClick = [this]
    {
        sliderPBValueChanged (m_vSliders1[2], m_hSliders1[2], m_muteInButtons[2], m_soloInButtons[2],
                              PlaybackSendOrder::muteClick);
    };
    m_muteOutButtons[0]->onClick = [this] { sliderOut34ValueChanged (m_vSliders2[0], m_hSliders2[0], m_muteOutButtons[0]); };
    m_muteOutButtons[1]->onClick = [this] { sliderOutHP12ValueChanged (nullptr, m_hSliders2[1], m_muteOutButtons[1]); };
    m_soloOutButtons[0]->onClick = [this] { soloOutChannels(); };
    m_soloOutButtons[1]->onClick = [this] { soloOutChannels(); };

    const std::pair<juce::OwnedArray<juce::ImageButton>*, const char*> groups[] = {
        { &m_muteInButtons, "muteIn" }, { &m_muteOutButtons, "muteOut" },
        { &m_soloInButtons, "soloIn" }, { &m_soloOutButtons, "soloOut" }
    };

    for (auto [group, prefix] : groups)
    {
        for (int i = 0; i < group->size(); ++i)
        {
            auto* button = (*group)[i];
            makeToggle (*button, this, true);
            addAndMakeVisible (button);
            button->setName (prefix + juce::String (i));
        }
    }
}

void MainComponent::buildTargetAndSnapshotButtons()
{
    fillButtons (m_trgButtons, 2);
    for (int i = 0; i < m_trgButtons.size(); ++i)
    {
        auto* button = m_trgButtons[i];
        makeToggle (*button, this, false);
        button->setName ("trg" + juce::String (i));
        addAndMakeVisible (button);
    }

    m_trgButtons[0]->onClick = [this] { setTargetOutput (0); };
    m_trgButtons[1]->onClick = [this] { setTargetOutput (1); };

    fillButtons (m_ssButtons, 4);
    fillButtons (m_sscButtons, 4);
    for (int i = 0; i < 4; ++i)
    {
        auto* recall = m_ssButtons[i];
        makeToggle (*recall, this, true);
        addAndMakeVisible (recall);
        recall->setLookAndFeel (&m_comboLookAndFeel);
        recall->setName ("ss" + juce::String (i));

        auto* edit = m_sscButtons[i];
        makeToggle (*edit, this, false);
        addAndMakeVisible (edit);
        edit->setName ("ssc" + juce::String (i));
    }

    for (int i = 0; i < 4; ++i)
    {
        m_ssButtons[i]->onClick = [this, i] { presetContex (m_ssButtons[i], i, true); };
        m_sscButtons[i]->onClick = [this, i] { presetContex (m_ssButtons[i], i, false); };
    }
}

void MainComponent::buildSettingsAndUpdateButtons()
{
    addAndMakeVisible (m_settingsButton);
    m_settingsButton.setToggleable (true);
    m_settingsButton.addListener (this);

    addAndMakeVisible (m_updateButton);
    m_updateButton.setVisible (false);
    m_updateButton.addListener (this);
    m_updateButton.setButtonText ("Update Firmware");

    m_settingsButton.setName ("settings");
    m_updateButton.setName ("update");

    m_settingsButton.onClick = [this] { openSettingsDialog(); };
    m_updateButton.onClick = [this] { openUpdater(); };
}

void MainComponent::buildPanSliders()
{
    m_panLookAndFeel.knobImage = resourceImage (OVKBIN::temp_binary_data_66, OVKBIN::temp_binary_data_66Size);

    const auto configure = [this] (juce::OwnedArray<TalvoHSlider>& sliders, int count, const juce::String& prefix)
    {
        for (int i = 0; i < count; ++i)
        {
            auto* slider = sliders.add (new TalvoHSlider());
            addAndMakeVisible (slider);
            slider->setLookAndFeel (&m_panLookAndFeel);
            slider->setSliderSnapsToMousePosition (true);
            slider->addListener (this);
            slider->setName (prefix + juce::String (i));
            slider->setRange (-1.0, 1.0, 0.1);
            slider->setSliderStyle (juce::Slider::LinearHorizontal);
            slider->setDoubleClickReturnValue (true, 0.0);
            slider->setPopupDisplayEnabled (true, true, this, 1000);
        }
    };

    const auto showPanText = [this] (double value) { return myValueToString (value); };

    configure (m_hSliders1, 3, "hSlider1-");
    m_hSliders1[0]->setValue (0.0, juce::dontSendNotification);
    m_hSliders1[1]->setValue (0.0, juce::dontSendNotification);
    for (auto* slider : m_hSliders1)
        slider->textFromValueFunction = showPanText;

    configure (m_hSliders2, 2, "hSlider2-");
    for (auto* slider : m_hSliders2)
        slider->textFromValueFunction = showPanText;

    // The Out 1/2 fader is built later: the action looks it up when it runs.
    m_hSliders2[0]->onValueChange = [this] { sliderOut34ValueChanged (m_vSliders2[0], m_hSliders2[0], m_muteOutButtons[0]); };
    m_hSliders2[1]->onValueChange = [this] { sliderOutHP12ValueChanged (&m_faderHP1, m_hSliders2[1], m_muteOutButtons[1]); };
}

void MainComponent::buildFaders()
{
    m_faderLookAndFeel1.knobImage = resourceImage (OVKBIN::temp_binary_data_64, OVKBIN::temp_binary_data_64Size);
    for (int i = 0; i < 3; ++i)
    {
        auto* fader = m_vSliders1.add (new TalvoVSlider());
        addAndMakeVisible (fader);
        fader->setLookAndFeel (&m_faderLookAndFeel1);
        fader->setSliderSnapsToMousePosition (true);
        fader->addListener (this);
        fader->setName ("vSlider1-" + juce::String (i));
        fader->setRange (faderMinimum, faderMaximum, faderInterval);
        // Silently, all three: a notified start value would reach the strip's action and overwrite the factory mix.
        fader->setValue (-20.0, juce::dontSendNotification);
    }

    const auto sendPlaybackStrip = [this]
    {
        sliderPBValueChanged (m_vSliders1[2], m_hSliders1[2], m_muteInButtons[2], m_soloInButtons[2]);
    };
    m_vSliders1[2]->onValueChange = sendPlaybackStrip;
    m_hSliders1[2]->onValueChange = sendPlaybackStrip;

    for (int strip = 0; strip < 2; ++strip)
    {
        m_vSliders1[strip]->onValueChange = [this, strip] { sendInputStrip (strip); };
        m_hSliders1[strip]->onValueChange = [this, strip] { sendInputStrip (strip); };
    }

    m_vSliders2.add (new TalvoVSlider());
    m_vSliders2.add (nullptr);
    m_vSliders2.add (nullptr);

    m_faderLookAndFeel2.knobImage = resourceImage (OVKBIN::temp_binary_data_65, OVKBIN::temp_binary_data_65Size);
    int filled = 0;
    for (auto* fader : m_vSliders2)
    {
        if (fader == nullptr)
            continue;

        addAndMakeVisible (fader);
        fader->setLookAndFeel (&m_faderLookAndFeel2);
        fader->setSliderSnapsToMousePosition (true);
        fader->addListener (this);
        fader->setName ("vSlider2-" + juce::String (filled++));
        fader->setRange (faderMinimum, faderMaximum, faderInterval);
    }

    m_faderHP1.setRange (faderMinimum, faderMaximum, faderInterval);
    m_faderHP1.setValue (0.0, juce::dontSendNotification);

    m_vSliders2[0]->onValueChange = [this] { sliderOut34ValueChanged (m_vSliders2[0], m_hSliders2[0], m_muteOutButtons[0]); };
}

void MainComponent::buildMeters()
{
    m_inputMeters = { &m_in1Meter, &m_in2Meter };
    m_playbackMeters = { &m_playbackMeterLeft, &m_playbackMeterRight };
    m_outputMeters = { &m_outputMeterLeft, &m_outputMeterRight };

    // The DAW and the output meters show the same two level bytes.
    const std::pair<Talvoz6VUMeter*, int> sources[] = {
        { &m_in1Meter, 0 }, { &m_in2Meter, 1 }, { &m_playbackMeterLeft, 2 },
        { &m_playbackMeterRight, 3 }, { &m_outputMeterLeft, 2 }, { &m_outputMeterRight, 3 }
    };

    for (auto [meter, index] : sources)
    {
        meter->levelSource = reinterpret_cast<const std::int8_t*> (&m_meterLevels[index]);
        addAndMakeVisible (meter);
    }

    m_levelMeterByIndex = { &m_in1Meter, &m_in2Meter, &m_outputMeterLeft, &m_outputMeterRight };
}

void MainComponent::buildMiniMixers()
{
    m_miniMixers = { &m_miniMixerOut, &m_miniMixerHP };

    for (auto* mixer : m_miniMixers)
    {
        addAndMakeVisible (mixer);
        mixer->setLookAndFeel (&m_comboLookAndFeel);
        mixer->minimumDb = m_vSliders2[0]->getMinimum();
        std::fill (std::begin (mixer->stripValues), std::end (mixer->stripValues), mixer->minimumDb);
    }
}

