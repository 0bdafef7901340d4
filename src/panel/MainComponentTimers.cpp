#include "device/RegisterDeviceCallBacksMac.h"
#include "device/SysExMessages.h"
#include "storage/SettingsFile.h"
#include "mixer/TalvoSliderOperations.h"
#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"
#include "platform/PlatformClock.h"

#include <algorithm>

namespace
{
    constexpr const char* dawControlPortName = "DAW Control";
    constexpr const char* unusedPortName = "DUMMY_NOT_IN_USE";
}

void MainComponent::timerCallback (int timerID)
{
    // Stopped before the job runs, so that the job may start its own id again.
    if (isOneShotTimer (timerID))
        stopTimer (timerID);

    // clang-format off
    switch (timerID)
    {
        case firmwareCheckTimer:    checkFirmwareVersions(); break;
        case uiRefreshTimer:        updateUIFromSettings(); break;
        case levelControlsTimer:    updateLevelControls(); break;
        case midiPortScanTimer:     scanMidiPorts(); break;
        case hideUpdateButtonTimer: m_updateButton.setVisible (false); break;
        case periodicSaveTimer:     saveAndLockHardwareControl(); break;
        case stateRequestTimer:     requestStateAndEnableControls(); break;
        case disableControlsTimer:  enableAllElements (false); break;
        case restoreStateTimer:     restoreStateIntoInterface(); break;
        case factoryResetTimer:     completeFactoryReset(); break;
        case sampleRateSyncTimer:   syncSampleRates(); break;
        case muteAllOutputsTimer:   applyMuteAllToOutputs(); break;
        case muteAllSourcesTimer:   applyMuteAllToSources(); break;
        case outputFaderIdleTimer:  m_outputFaderMoving = false; break;

        case resizeSettledTimer:    resizeSettled(); break;

        // Markers of the connection sequence: nothing depends on them.
        case portsOpenedTimer:
        case deviceArrivedTimer:
        default:
            break;
    }
    // clang-format on
}

//==============================================================================
void MainComponent::checkFirmwareVersions()
{
    if (m_mixer.versionRWA == 0 || m_mixer.versionSTC == 0)
    {
        sendToOutputs (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionSTC));
        sendToOutputs (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionRWA));
        sendToOutputs (SysExMessages::serialNumberRequest());
        startTimer (firmwareCheckTimer, TimerIntervals::firmwareRetry);
        return;
    }

    if (m_mixer.versionRWA == expectedVersionRWA && m_mixer.versionSTC == expectedVersionSTC)
        return;

    m_updateButton.setVisible (true);

    // Once the updater has left this firmware as it was, starting it again is the user's
    // choice: the button stays there for it.
    if (! m_updaterLeftFirmwareUnchanged)
        m_updateButton.triggerClick();
}

void MainComponent::updateLevelControls()
{
    for (auto target : m_selectedTargets)
        updateLevelValues (target);

    levelsToFaderAndBalance (m_outputVolumeArray[2], m_outputVolumeArray[3], m_vSliders2[0], m_hSliders2[0]);
    m_muteOutButtons[0]->setToggleState (m_outputMuteArray[2], juce::dontSendNotification);
    m_muteOutButtons[1]->setToggleState (m_outputMuteArray[0], juce::dontSendNotification);
}

void MainComponent::scanMidiPorts()
{
    // The timer keeps running at its interval while the updater holds the ports.
    if (updaterRunning)
        return;

    stopTimer (midiPortScanTimer);

    const auto inputsOpened = updateDeviceList (true)
                           && openMIDIDevice (true, dawControlPortName, dawControlPortName, unusedPortName);

    // The outputs are refreshed in every tick, whatever the inputs did.
    const auto outputsChanged = updateDeviceList (false);
    const auto outputsOpened = outputsChanged
                            && openMIDIDevice (false, dawControlPortName, dawControlPortName, unusedPortName);

    m_connected = inputsOpened && outputsOpened;
    if (m_connected)
    {
        startTimer (portsOpenedTimer, TimerIntervals::portsOpenedDelay);
        startTimer (restoreStateTimer, TimerIntervals::restoreDelay);
    }

    startTimer (midiPortScanTimer, TimerIntervals::portScanInterval);
}

void MainComponent::saveAndLockHardwareControl()
{
    saveProperties();
    if (! m_hwControlAllowed)
        sendToOutputs (SysExMessages::oneByte (SysExCommand::hwControlLock, 0x01));
}

void MainComponent::requestStateAndEnableControls()
{
    sendStateRequestToHardware();
    enableAllElements (true);
}

void MainComponent::restoreStateIntoInterface()
{
    auto* settings = getUserSettings();
    if (settings != nullptr && settings->getBoolValue (SettingsFile::Keys::resetNextBoot, false))
        deviceResetSequence();

    if (settings != nullptr)
        settings->setValue (SettingsFile::Keys::resetNextBoot, false);

    restoreProperties();
    m_stateRestored = true;

    sendMixerModelToInterface();

    updateUIFromSettings();

    startTimer (periodicSaveTimer, TimerIntervals::periodicSaveInterval);
    startTimer (stateRequestTimer, TimerIntervals::stateRequestDelay);
}

void MainComponent::completeFactoryReset()
{
    if (auto* window = getParentComponent())
        window->setVisible (true);

    // On top and back again: brings an open settings dialog in front of the main window.
    if (auto* dialog = m_settingsDialog.getComponent())
    {
        dialog->setAlwaysOnTop (true);
        dialog->setAlwaysOnTop (false);
    }

    copyFactoryMatrix (m_sourceVolumeArray);
    setEveryMute (false);

    for (auto* solo : m_soloOutButtons)
        solo->setToggleState (false, juce::sendNotificationSync);

    for (auto* phase : m_phaseButtons)
    {
        phase->setToggleState (false, juce::dontSendNotification);
        setRoutingAndPhaseMode();
    }

    m_muteAllButton.setToggleState (false, juce::dontSendNotification);
    m_trgButtons[0]->triggerClick();

    sendAllSourceLevelsDownToHW (false);
    saveProperties();
}

void MainComponent::syncSampleRates()
{
    m_mixer.sampleRate = hw_getAlignedSampleRate();

    if (refreshSettingsDialog())
    {
        m_settingsWindow->repaint();
        if (m_settingsDialog != nullptr)
            m_settingsDialog->repaint();
    }
}

void MainComponent::applyMuteAllToOutputs()
{
    sendOutputLevelsFromStrips (m_muteAllButton.getToggleState());
}

void MainComponent::applyMuteAllToSources()
{
    const auto muteAll = m_muteAllButton.getToggleState();
    setEveryMute (muteAll);

    for (auto* button : m_muteInButtons)
        button->setToggleState (muteAll, juce::dontSendNotification);
    for (auto* button : m_muteOutButtons)
        button->setToggleState (muteAll, juce::dontSendNotification);

    sendAllSourceLevelsDownToHW (muteAll);
}

//==============================================================================
void MainComponent::setEveryMute (bool mute)
{
    std::fill (&m_sourceMuteArray[0][0], &m_sourceMuteArray[0][0] + numMixerSources * numMixerDestinations, mute);
    std::fill (std::begin (m_outputMuteArray), std::end (m_outputMuteArray), mute);
}

void MainComponent::sendMixerModelToInterface()
{
    const auto muteAll = m_muteAllButton.getToggleState();
    sendAllSourceLevelsDownToHW (muteAll);

    // HP1 keeps only its balance: its level fader stays at 0 dB. The outputs follow mute-all.
    levelsToFaderAndBalance (m_outputVolumeArray[2], m_outputVolumeArray[3], m_vSliders2[0], m_hSliders2[0]);
    levelsToFaderAndBalance (m_outputVolumeArray[0], m_outputVolumeArray[1], &m_faderHP1, m_hSliders2[1]);
    m_faderHP1.setValue (m_faderHP1.getMaximum(), juce::dontSendNotification);

    sendOutputLevelsFromStrips (muteAll);
}

void MainComponent::sendOutputLevelsFromStrips (bool mute)
{
    getLeftRightLevelWithBalance (m_outputVolumeArray[0], m_outputVolumeArray[1], &m_faderHP1, m_hSliders2[1]);
    getLeftRightLevelWithBalance (m_outputVolumeArray[2], m_outputVolumeArray[3], m_vSliders2[0], m_hSliders2[0]);

    for (int destination = 0; destination < numMixerDestinations; ++destination)
    {
        m_outputMuteArray[destination] = mute;
        sendOutputVolume (static_cast<char> (destination), m_outputVolumeArray[destination], mute);
    }
}

void MainComponent::deviceResetSequence()
{
    sendToOutputs (SysExMessages::oneByte (SysExCommand::resetBegin, 0x00));
    PlatformClock::sleepFor (TimerIntervals::deviceResetSettle);
    sendToOutputs (SysExMessages::oneByte (SysExCommand::resetFactoryDefaults, 0x00));
    sendToOutputs (SysExMessages::oneByte (SysExCommand::resetMonitoring, 0x00));

    for (auto* phase : m_phaseButtons)
        phase->setToggleState (false, juce::dontSendNotification);
}
