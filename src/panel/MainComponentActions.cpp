#include "device/SysExMessages.h"
#include "mixer/ActionCommands.h"
#include "mixer/FluxrouteRoutingRecord.h"
#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"

void MainComponent::actionListenerCallback (const juce::String& message)
{
    using Kind = ActionCommands::Kind;
    const auto action = ActionCommands::parse (message);

    switch (action.kind)
    {
        case Kind::tryIconClicked:      showOrRaiseMainWindow(); break;
        case Kind::fluxrouteUpdate:     resetMyDeviceMixer(); break;
        case Kind::setFactoryDefault:   runFactoryDefaultCommand(); break;
        case Kind::resetMonitoring:     resetMonitoringCommand(); break;
        case Kind::startUpdate:         openUpdater(); break;
        case Kind::latency:             changeLatency (action.value); break;

        case Kind::hwControlSetting:
            if (m_settingsWindow != nullptr)
                m_hwControlAllowed = m_settingsWindow->getHWCtrlSettings();
            break;

        case Kind::sampleRate:
            // The dialog only offers its own list; anything without a positive rate is dropped.
            if (action.sampleRateHz > 0.0)
                hw_setSampleRate (action.sampleRateHz);
            break;

        case Kind::volumeUpdate:
        case Kind::loopbackUpdate:
        case Kind::settingsUpdate:
        case Kind::usbBuffer:
        case Kind::none:
            break;
    }
}

void MainComponent::changeLatency (int) {}

void MainComponent::showOrRaiseMainWindow()
{
    auto* window = getParentComponent();
    if (window == nullptr)
        return;

    if (! window->isVisible())
    {
        window->setVisible (true);
        setVisible (true);
    }
    else
    {
        window->toFront (true);
    }
}

void MainComponent::runFactoryDefaultCommand()
{
    setFactoryDefaults();

    sendToOutputs (SysExMessages::oneByte (SysExCommand::resetBegin, 0x00));
    sendToOutputs (SysExMessages::oneByte (SysExCommand::resetFactoryDefaults, 0x00));

    // The headphones come back at full level; the line outputs keep theirs.
    sendOutputVolume (0, 0.0, false);
    sendOutputVolume (1, 0.0, false);
    sendStateRequestToHardware();

    startTimer (factoryResetTimer, TimerIntervals::factoryResetDelay);

    alignSampleRatesForSettings();
    refreshSettingsDialog();
}

void MainComponent::resetMonitoringCommand()
{
    sendToOutputs (SysExMessages::oneByte (SysExCommand::resetBegin, 0x00));
    sendStateRequestToHardware();
    sendToOutputs (SysExMessages::oneByte (SysExCommand::resetMonitoring, 0x00));
}

void MainComponent::alignSampleRatesForSettings()
{
    m_mixer.sampleRate = hw_getAlignedSampleRate();
    m_mixer.usbBuffer = 0;
    m_mixer.bufferSize = 0;
}

bool MainComponent::refreshSettingsDialog()
{
    if (m_settingsWindow == nullptr)
        return false;

    m_settingsWindow->updateMixer (m_mixer);
    return true;
}
