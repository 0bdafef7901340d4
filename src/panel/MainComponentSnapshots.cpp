#include "dialogs/TalvoSnapshotWindow.h"
#include "storage/SettingsFile.h"
#include "storage/SnapshotFile.h"
#include "mixer/TalvoSliderOperations.h"
#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"

#include <algorithm>

namespace
{
    constexpr int snapshotDialogWidth = 300;
    constexpr int snapshotDialogHeight = 100;

    template <typename T, size_t N, size_t M>
    void copyMatrix (T (&to)[N][M], const T (&from)[N][M])
    {
        for (size_t i = 0; i < N; ++i)
            std::copy (std::begin (from[i]), std::end (from[i]), std::begin (to[i]));
    }
}

bool MainComponent::loadSnapShotAndValidate (juce::File& file, TalvoSnapShotParameter* record, int)
{
    // The slot would only name a snapshot without a name, and a file without "Name" is rejected.
    return record != nullptr && SnapshotFile::load (file, *record);
}

void MainComponent::presetContex (juce::Button* button, int slot, bool recall)
{
    TalvoSnapShotParameter record;

    if (recall)
        showRecalledSlot (*button);

    // The file is read for an edit press too, though what it holds is then discarded.
    record.LastFile = SnapshotFile::fileForSlot (slot);
    const auto valid = loadSnapShotAndValidate (record.LastFile, &record, slot);

    if (valid && recall)
        recallSnapshot (record);
    else
        captureAndEditSnapshot (record, *button, slot);
}

//==============================================================================
void MainComponent::showRecalledSlot (juce::Button& button)
{
    for (auto* recallButton : m_ssButtons)
        recallButton->setToggleState (false, juce::dontSendNotification);
    button.setToggleState (true, juce::dontSendNotification);
}

void MainComponent::recallSnapshot (const TalvoSnapShotParameter& record)
{
    copyMatrix (m_sourceVolumeArray, record.vol);
    copyMatrix (m_sourceMuteArray, record.mute);
    std::copy (std::begin (record.volOut), std::end (record.volOut), std::begin (m_outputVolumeArray));
    std::copy (std::begin (record.muteOut), std::end (record.muteOut), std::begin (m_outputMuteArray));

    // A changed phase toggle runs its click action, which sends the phase mode.
    m_phase1.setToggleState (record.Phase[0], juce::sendNotificationSync);
    m_phase2.setToggleState (record.Phase[1], juce::sendNotificationSync);

    selectRecalledTargets (record);

    for (auto target : m_selectedTargets)
        updateLevelValues (target);

    // As at a connection.
    sendMixerModelToInterface();

    startTimer (uiRefreshTimer, reportRefreshDelayMs);
    startTimer (levelControlsTimer, reportRefreshDelayMs);
}

void MainComponent::selectRecalledTargets (const TalvoSnapShotParameter& record)
{
    m_selectedTargets.clearQuick();
    if (record.Target[0])
        m_selectedTargets.add (0);
    if (record.Target[1])
        m_selectedTargets.add (1);
    if (m_selectedTargets.isEmpty())
        m_selectedTargets.add (0);

    for (int index = 0; index < m_trgButtons.size(); ++index)
        m_trgButtons[index]->setToggleState (m_selectedTargets.contains (index), juce::dontSendNotification);
}

//==============================================================================
void MainComponent::captureAndEditSnapshot (TalvoSnapShotParameter& record, juce::Button& button, int slot)
{
    captureSnapshot (record, button);

    // Local guards: the panel's members may be reused by a nested press while this loop runs.
    juce::Component::SafePointer<juce::DialogWindow> dialog (createSnapshotDialog (record, slot));
    juce::Component::SafePointer<TalvoSnapshotWindow> content (m_snapshotWindow);
    juce::Component::SafePointer<MainComponent> self (this);

    if (runSnapshotDialog)
        runSnapshotDialog (*dialog);
    else
        dialog->runModalLoop();

    if (self == nullptr)
    {
        // The panel went while the dialog was open; the dialog must not outlive the record.
        delete dialog.getComponent();
        return;
    }

    if (content != nullptr)
    {
        storeEditedSlot (*content, button, record, slot);
        content->removeActionListener (this);
    }

    delete dialog.getComponent();
    m_snapshotWindow = nullptr;
    m_snapshotDialog = nullptr;
}

void MainComponent::captureSnapshot (TalvoSnapShotParameter& record, const juce::Button& button)
{
    // The dialog starts from the state of this moment, whatever the file held.
    record.Phase[0] = m_phase1.getToggleState();
    record.Phase[1] = m_phase2.getToggleState();
    record.Target[0] = m_selectedTargets.contains (0);
    record.Target[1] = m_selectedTargets.contains (1);
    copyMatrix (record.vol, m_sourceVolumeArray);
    copyMatrix (record.mute, m_sourceMuteArray);
    std::copy (std::begin (m_outputVolumeArray), std::end (m_outputVolumeArray), std::begin (record.volOut));
    std::copy (std::begin (m_outputMuteArray), std::end (m_outputMuteArray), std::begin (record.muteOut));
    record.Description = SnapshotFile::defaultDescription;
    record.Name = button.getButtonText();
}

juce::DialogWindow* MainComponent::createSnapshotDialog (TalvoSnapShotParameter& record, int slot)
{
    auto* window = new TalvoSnapshotWindow (slot + 1, &record, this);
    window->setSize (snapshotDialogWidth, snapshotDialogHeight);
    window->addActionListener (this);

    juce::DialogWindow::LaunchOptions options;
    options.content.setOwned (window);
    options.dialogTitle = "z3 Snapshot: " + juce::String (slot + 1);
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = false;
    options.resizable = false;
    options.componentToCentreAround = nullptr;

    auto* dialog = options.create();

    // On the screen itself: without a component to centre around, the framework would centre it
    // over whichever window happens to be active.
    dialog->centreWithSize (dialog->getWidth(), dialog->getHeight());
    m_snapshotWindow = window;
    m_snapshotDialog = dialog;
    return dialog;
}

void MainComponent::storeEditedSlot (TalvoSnapshotWindow& content, juce::Button& button,
                                     const TalvoSnapShotParameter& record, int slot)
{
    auto* settings = getUserSettings();
    if (settings != nullptr)
        settings->setValue (SettingsFile::Keys::snapshotPath (slot), record.LastFile.getFullPathName());

    const auto name = content.getCurrentName();
    if (button.getButtonText() != name)
    {
        button.setButtonText (name);
        button.repaint();
    }

    if (settings != nullptr)
        settings->setValue (SettingsFile::Keys::snapshotName (slot), name);
}
