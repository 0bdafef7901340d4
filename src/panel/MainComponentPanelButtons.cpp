#include "device/SysExMessages.h"
#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"

void MainComponent::startMuteAll()
{
    m_outputFaderMoving = true;
    startTimer (muteAllOutputsTimer, TimerIntervals::muteAllOutputsDelay);
    startTimer (muteAllSourcesTimer, TimerIntervals::muteAllSourcesDelay);
    startTimer (outputFaderIdleTimer, TimerIntervals::outputFaderIdleAfterMuteAll);
}

void MainComponent::sendMidiButtonMessage()
{
    sendToOutputs (SysExMessages::oneByte (SysExCommand::midiButton, 0x7F));
}

void MainComponent::openSettingsDialog()
{
    alignSampleRatesForSettings();

    auto window = std::make_unique<TalvoSettingsWindow> (m_hwControlAllowed, m_mixer);
    m_settingsWindow = window.get();
    window->setBounds (window->getX(), window->getY(), TalvoSettingsWindow::contentWidth,
                       TalvoSettingsWindow::contentHeight);
    window->updateMixer (m_mixer);
    window->addActionListener (this);

    juce::DialogWindow::LaunchOptions options;
    options.content.setOwned (window.release());
    options.dialogTitle = "Talvo z3 Settings";
    options.dialogBackgroundColour = juce::LookAndFeel::getDefaultLookAndFeel()
                                         .findColour (juce::ResizableWindow::backgroundColourId);
    options.componentToCentreAround = nullptr;
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = false;
    options.resizable = false;

    // The dialog deletes itself, and with it its content, when its modal state ends.
    m_settingsDialog = options.launchAsync();
    const auto result = m_settingsDialog->runModalLoop();

    if (result == TalvoSettingsWindow::startUpdaterResult)
        openUpdater();

    if (auto* leftOver = m_settingsWindow.getComponent())
    {
        leftOver->setVisible (false);
        delete leftOver;
    }
}
