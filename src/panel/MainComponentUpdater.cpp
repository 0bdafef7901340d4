#include "device/FirmwareUpdaterLocation.h"
#include "device/RawUsbDeviceLayer.h"
#include "storage/SettingsFile.h"
#include "panel/MainComponent.h"
#include "updater/UpdaterResult.h"

namespace
{
    /** How long the exit status is waited for; it only serves the log. */
    constexpr int exitCodeWaitMs = 30;

    void logLine (const juce::String& text)
    {
        juce::Logger::outputDebugString (text);
    }
}

void MainComponent::openUpdater()
{
    releaseUSBDevice();
    closeUnpluggedDevices (midiPortSystem.getAvailableInputs(), true);
    closeUnpluggedDevices (midiPortSystem.getAvailableOutputs(), false);
    updaterRunning = true;

    const auto updater = FirmwareUpdaterLocation::updaterIn (m_applicationBundle);
    logLine (FirmwareUpdaterLocation::quotedPath (updater));

    auto process = std::make_unique<juce::ChildProcess>();
    juce::uint32 exitCode = 0;

    // Started on a missing file, the framework's child would only report the failed start through
    // its exit status; a missing updater is a run with no exit status and no output.
    if (updater.existsAsFile()
        && process->start (FirmwareUpdaterLocation::commandLine (updater),
                          juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
    {
        process->waitForProcessToFinish (exitCodeWaitMs);
        exitCode = process->getExitCode();
    }

    logLine ("Exit cp with: " + juce::String (exitCode));

    // The long wait: the whole panel stands still until the updater closes its output.
    const auto output = process->readAllProcessOutput();
    logLine (output + "\r\n");

    const auto firmwareWritten = UpdaterResult::asksForResetAtNextConnection (output);

    if (firmwareWritten)
    {
        if (auto* settings = getUserSettings())
            settings->setValue (SettingsFile::Keys::resetNextBoot, true);

        enableAllElements (false);
    }

    // The arrival raised below re-arms the firmware check, which would find the same firmware and
    // start the updater again, blocking the panel every few seconds for the whole session.
    m_updaterLeftFirmwareUnchanged = ! firmwareWritten;

    // An updater that has ended is collected here, so that it leaves no zombie behind; one that
    // still runs is left alone.
    process->isRunning();
    process = nullptr;

    updaterRunning = false;
    connectDeviceEvents();
    m_updateButton.setVisible (false);
}
