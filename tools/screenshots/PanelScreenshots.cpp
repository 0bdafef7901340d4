// Pictures of the whole panel as a person sees it, for review and for the README: the real panel
// against the simulated interface and host, with a mix that uses most controls, at the three
// artwork tiers, plus the panel with no interface and the three dialogs' contents as they open
// from it. Test support, not part of the product.
//
//   xvfb-run -a build/tools/screenshots/talvo_panel_screenshots <output folder>

#include "dialogs/TalvoSettingsWindow.h"
#include "dialogs/TalvoSnapshotWindow.h"
#include "storage/SettingsFile.h"
#include "storage/SettingsStore.h"
#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"
#include "support/MessageLoop.h"
#include "support/SimulatedHostFixture.h"
#include "support/SimulatedTalvoZ3.h"

#include <cstdlib>
#include <iostream>

namespace
{
constexpr int connectTimeoutMs = 15000;

/** The panel's height at a width, as the main window's fixed aspect ratio gives it. */
int heightForWidth (int width)
{
    return juce::roundToInt (width * (double)PanelLayout::designHeight / PanelLayout::designWidth);
}

bool writePicture (juce::Component& component, const juce::File& file)
{
    const auto picture = component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
    if (!picture.isValid())
    {
        std::cerr << "nothing to draw for " << file.getFullPathName() << std::endl;
        return false;
    }

    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    const auto written = out.openedOk() && png.writeImageToStream (picture, out);
    std::cout << (written ? "wrote " : "could not write ") << file.getFullPathName() << std::endl;
    return written;
}

bool writeSnapshot (MainComponent& panel, int width, const juce::File& file)
{
    panel.setSize (width, heightForWidth (width));
    return writePicture (panel, file);
}

/** Types text into an editable label through its editor, as a person does, and commits it. */
void typeInto (juce::Label& field, const juce::String& text)
{
    field.showEditor();
    if (auto* editor = field.getCurrentTextEditor())
    {
        editor->selectAll();
        editor->insertTextAtCaret (text);
    }
    field.hideEditor (false);
}

/** The settings dialog as the settings button opens it, without its modal loop. */
bool writeSettingsDialog (MainComponent& panel, const juce::File& file)
{
    panel.alignSampleRatesForSettings();
    TalvoSettingsWindow settings (panel.m_hwControlAllowed, panel.m_mixer);
    settings.setSize (TalvoSettingsWindow::contentWidth, TalvoSettingsWindow::contentHeight);
    settings.updateMixer (panel.m_mixer);
    return writePicture (settings, file);
}

/** The snapshot dialog of the first slot, opened by the panel itself, with a name and a
    description typed; it is cancelled afterwards so that the slot stays as it was.
*/
bool writeSnapshotDialog (MainComponent& panel, const juce::File& file)
{
    bool written = false;
    panel.runSnapshotDialog = [&] (juce::DialogWindow& dialog)
    {
        if (auto* content = dynamic_cast<TalvoSnapshotWindow*> (dialog.getContentComponent()))
        {
            typeInto (content->nameField, "Vocal take 3");
            typeInto (content->descriptionField, "Lead vocal, In 1 dry, -6 dB to the headphones");
            written = writePicture (*content, file);
            content->buttonClicked (&content->cancelButton);
        }
    };

    panel.presetContex (panel.m_ssButtons[0], 0, false);
    panel.runSnapshotDialog = nullptr;
    return written;
}

/** A previous session's mix, as the settings file keeps it; the restore pushes it into the
    interface and the controls.
*/
void storeMix()
{
    SettingsStore settings (SettingsFile::defaultFile(), SettingsFile::millisecondsBeforeSaving, true);
    namespace Keys = SettingsFile::Keys;

    // In 1 (source 2) panned left to Out 1/2, In 2 (source 3) right and muted, DAW a little low.
    settings.setValue (Keys::sourceLevel (2, 2), -6.0);
    settings.setValue (Keys::sourceLevel (2, 3), -24.0);
    settings.setValue (Keys::sourceLevel (3, 2), -40.0);
    settings.setValue (Keys::sourceLevel (3, 3), -16.0);
    settings.setValue (Keys::sourceMute (3, 2), true);
    settings.setValue (Keys::sourceLevel (0, 2), -10.0);
    settings.setValue (Keys::sourceLevel (1, 3), -15.0);

    // The headphones get the inputs louder than the computer.
    settings.setValue (Keys::sourceLevel (2, 0), -3.0);
    settings.setValue (Keys::sourceLevel (2, 1), -3.0);
    settings.setValue (Keys::sourceLevel (3, 0), -12.0);
    settings.setValue (Keys::sourceLevel (3, 1), -12.0);
    settings.setValue (Keys::sourceLevel (0, 0), -30.0);
    settings.setValue (Keys::sourceLevel (1, 1), -30.0);

    settings.setValue (Keys::outputLevel (2), -8.0);
    settings.setValue (Keys::outputLevel (3), -12.0);
    settings.setValue (Keys::outputLevel (0), -4.0);
    settings.setValue (Keys::outputLevel (1), 0.0);
    settings.setValue (Keys::outputMute (0), true);
    settings.setValue (Keys::outputMute (1), true);

    settings.setValue (Keys::phase (0), true);
    settings.setValue (Keys::phantomPower (1), true);
    settings.setValue (Keys::target (0), true);

    const char* names[] = {"Vocals", "Guitar DI", "Podcast", "Mixdown"};
    for (int slot = 0; slot < 4; ++slot)
        settings.setValue (Keys::snapshotName (slot), names[slot]);

    settings.setValue (Keys::resetNextBoot, false);
    settings.saveIfNeeded();
}

/** Moves what no settings key holds: meters, MIDI lamps, an output solo, a recalled slot. */
void setLiveState (MainComponent& panel, SimulatedTalvoZ3& talvo)
{
    talvo.sendReports ({SimulatedTalvoZ3::meterReport (0, 78), SimulatedTalvoZ3::meterReport (1, 35),
                        SimulatedTalvoZ3::meterReport (2, 62), SimulatedTalvoZ3::meterReport (3, 55),
                        SimulatedTalvoZ3::midiActivityReport (0x01)});
    talvo.waitUntilIdle();
    pumpMessagesUntil ([&panel]
              { return panel.m_meterLevels[1] == 35 && !panel.isTimerRunning (uiRefreshTimer); },
              2000);

    panel.m_soloOutButtons[0]->setToggleState (true, juce::dontSendNotification);
    panel.m_ssButtons[1]->setToggleState (true, juce::dontSendNotification);
}

int run (const juce::File& folder)
{
    if (!folder.createDirectory())
        return 1;

    ScopedSimulatedHost sim;
    SimulatedMidiPorts ports;
    SimulatedTalvoZ3 talvo{ports};
    talvo.unplug();

    SettingsFile::defaultFile().deleteFile();
    storeMix();

    auto panel = std::make_unique<MainComponent> (ports);
    auto ok = writeSnapshot (*panel, 471, folder.getChildFile ("panel-disconnected-471.png"));

    talvo.plugIn();
    sim.plugInTalvo();

    const auto connected = pumpMessagesUntil ([&]
                                     { return talvo.numReceived ((std::uint8_t)SysExCommand::serialNumber) > 0 && !panel->m_elementsDisabled; },
                                     connectTimeoutMs) &&
                           talvo.waitUntilIdle() && pumpMessagesUntil ([&]
                                                              { return panel->m_mixer.versionSTC != 0 && !panel->isTimerRunning (uiRefreshTimer); },
                                                              3000);
    if (!connected)
    {
        std::cerr << "the panel did not connect to the simulated interface" << std::endl;
        return 1;
    }

    setLiveState (*panel, talvo);

    for (auto width : {496, 372, 248})
        ok = writeSnapshot (*panel, width, folder.getChildFile ("panel-" + juce::String (width) + ".png")) && ok;

    ok = writeSettingsDialog (*panel, folder.getChildFile ("dialog-settings.png")) && ok;
    ok = writeSnapshotDialog (*panel, folder.getChildFile ("dialog-snapshot.png")) && ok;
    ok = (panel->m_aboutWindow != nullptr && writePicture (*panel->m_aboutWindow, folder.getChildFile ("dialog-about.png"))) && ok;

    panel = nullptr;
    return ok ? 0 : 1;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: talvo_panel_screenshots <output folder>" << std::endl;
        return 2;
    }

    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);

    // Without a window manager (Xvfb) a window put on the desktop, such as the hidden about box,
    // ends the process with an X error unless no application instance can be created.
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase*
    { return nullptr; };

    // The panel reads and writes its settings file: keep it away from the user's own.
    const auto home = juce::File::createTempFile ("talvo-screenshots-home");
    home.createDirectory();
    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    unsetenv ("XDG_CONFIG_HOME");

    int result = 1;
    {
        juce::ScopedJuceInitialiser_GUI gui;
        result = run (folder);
    }

    home.deleteRecursively();
    return result;
}
