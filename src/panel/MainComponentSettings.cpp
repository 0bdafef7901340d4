#include "storage/SettingsFile.h"
#include "panel/MainComponent.h"

namespace Keys = SettingsFile::Keys;

SettingsStore* MainComponent::getUserSettings()
{
    return m_settingsStore.get();
}

bool MainComponent::saveProperties()
{
    if (m_saveInProgress)
        return false;

    m_saveInProgress = true;
    const juce::ScopedLock lock (m_saveLock);
    bool saved = true;

    // Until this connection's restore has run, the controls hold start values, not the user's
    // state: writing them would overwrite what was saved before.
    if (m_stateRestored)
    {
        auto* settings = getUserSettings();
        for (int slot = 0; slot < m_ssButtons.size(); ++slot)
            settings->setValue (Keys::snapshotName (slot), m_ssButtons[slot]->getButtonText());

        settings->setValue (Keys::enableControlWhileUiOpen, m_hwControlAllowed);

        for (int source = 0; source < numMixerSources; ++source)
            for (int destination = 0; destination < numMixerDestinations; ++destination)
                settings->setValue (Keys::sourceLevel (source, destination), m_sourceVolumeArray[source][destination]);

        for (int source = 0; source < numMixerSources; ++source)
            for (int destination = 0; destination < numMixerDestinations; ++destination)
                settings->setValue (Keys::sourceMute (source, destination), m_sourceMuteArray[source][destination]);

        for (int destination = 0; destination < numMixerDestinations; ++destination)
        {
            settings->setValue (Keys::outputLevel (destination), m_outputVolumeArray[destination]);
            settings->setValue (Keys::outputMute (destination), m_outputMuteArray[destination]);
        }

        // The mixer keys go to disk now; the toggles below follow with the delayed save.
        saved = settings->saveIfNeeded();

        for (int index = 0; index < m_phaseButtons.size(); ++index)
            settings->setValue (Keys::phase (index), m_phaseButtons[index]->getToggleState());

        settings->setValue (Keys::phantomPower (1), m_48V1.getToggleState());
        settings->setValue (Keys::phantomPower (2), m_48V2.getToggleState());

        settings->setValue (Keys::target (0), m_selectedTargets.contains (0));
        settings->setValue (Keys::target (1), m_selectedTargets.contains (1));
    }

    m_saveInProgress = false;
    return saved;
}

void MainComponent::restoreProperties (bool)
{
    if (m_saveInProgress)
        return;

    auto* settings = getUserSettings();

    for (int slot = 0; slot < m_ssButtons.size(); ++slot)
    {
        auto name = settings->getValue (Keys::snapshotName (slot), SettingsFile::defaultSnapshotName (slot));
        if (name.isEmpty())
            name = SettingsFile::defaultSnapshotName (slot);

        if (m_ssButtons[slot]->getButtonText() != name)
        {
            m_ssButtons[slot]->setButtonText (name);
            m_ssButtons[slot]->repaint();
        }
    }

    m_hwControlAllowed = settings->getBoolValue (Keys::enableControlWhileUiOpen, false);

    for (int source = 0; source < numMixerSources; ++source)
    {
        for (int destination = 0; destination < numMixerDestinations; ++destination)
        {
            m_sourceMuteArray[source][destination] = settings->getBoolValue (Keys::sourceMute (source, destination), false);
            m_sourceVolumeArray[source][destination] = settings->getDoubleValue (Keys::sourceLevel (source, destination),
                                                                                 _static_default_volume_array[source][destination]);
        }
    }

    for (int destination = 0; destination < numMixerDestinations; ++destination)
    {
        m_outputVolumeArray[destination] = settings->getDoubleValue (Keys::outputLevel (destination), 0.0);
        m_outputMuteArray[destination] = settings->getBoolValue (Keys::outputMute (destination), false);
    }

    for (int index = 0; index < m_phaseButtons.size(); ++index)
        m_phaseButtons[index]->setToggleState (settings->getBoolValue (Keys::phase (index), false), juce::dontSendNotification);

    m_48V1.setToggleState (settings->getBoolValue (Keys::phantomPower (1), false), juce::dontSendNotification);
    m_48V2.setToggleState (settings->getBoolValue (Keys::phantomPower (2), false), juce::dontSendNotification);

    for (int index = 0; index < m_trgButtons.size(); ++index)
        m_trgButtons[index]->setToggleState (settings->getBoolValue (Keys::target (index), false), juce::dontSendNotification);

    setInputChannelConfig();
    setRoutingAndPhaseMode();

    m_selectedTargets.clearQuick();
    for (int index = 0; index < m_trgButtons.size(); ++index)
        if (m_trgButtons[index]->getToggleState())
            m_selectedTargets.add (index);

    if (m_selectedTargets.isEmpty())
        m_selectedTargets.add (0);

    repaint();
}
