#pragma once

/** The ids of MainComponent's timer jobs (PanelTimers), one id per job.

    A one-shot job's id is stopped before the job runs (isOneShotTimer); the port scan re-arms
    itself; the periodic save, the sample-rate poll and the output-fader idle timer run for the
    panel's life.
*/
enum TimerId : int
{
    firmwareCheckTimer    = 4101, ///< one-shot: compares the reported firmware versions; re-arms while one is missing
    uiRefreshTimer        = 4102, ///< one-shot: pushes the mixer state into the controls after reports
    levelControlsTimer    = 4103, ///< one-shot: pushes the output levels into the output strips
    portsOpenedTimer      = 4104, ///< no action
    deviceArrivedTimer    = 4105, ///< no action
    midiPortScanTimer     = 4106, ///< refreshes the MIDI port lists and opens the interface's ports
    hideUpdateButtonTimer = 4107, ///< one-shot: hides the "Update Firmware" button
    periodicSaveTimer     = 4108, ///< saves the settings and sends the hardware-control lock
    stateRequestTimer     = 4109, ///< one-shot: asks the interface for its state and enables the controls
    disableControlsTimer  = 4110, ///< one-shot: disables the controls after a removal
    restoreStateTimer     = 4111, ///< one-shot: pushes the saved state into a newly connected interface
    factoryResetTimer     = 4112, ///< one-shot: second half of the factory-default action
    sampleRateSyncTimer   = 4113, ///< aligns the sample rates of the interface's two audio devices
    muteAllOutputsTimer   = 4114, ///< one-shot: first half of the mute-all button
    muteAllSourcesTimer   = 4115, ///< one-shot: second half of the mute-all button
    outputFaderIdleTimer  = 4116, ///< clears the output-fader moving flag
    resizeSettledTimer    = 4117  ///< one-shot: a live resize has ended; its spare pictures go
};

/** The jobs that run once per start: their callback stops the id before the job runs. The port
    scan stops and re-arms itself; the other jobs repeat until stopped.
*/
constexpr bool isOneShotTimer (int timerID) noexcept
{
    switch (timerID)
    {
        case firmwareCheckTimer:
        case uiRefreshTimer:
        case levelControlsTimer:
        case portsOpenedTimer:
        case deviceArrivedTimer:
        case hideUpdateButtonTimer:
        case stateRequestTimer:
        case disableControlsTimer:
        case restoreStateTimer:
        case factoryResetTimer:
        case muteAllOutputsTimer:
        case muteAllSourcesTimer:
        case resizeSettledTimer:
            return true;

        default:
            return false;
    }
}

/** The interval of the one-shot refreshes that follow the interface's reports; a burst of reports
    restarts it and ends in one refresh.
*/
constexpr int reportRefreshDelayMs = 10;

/** When the jobs of the connection sequence run, in milliseconds. */
namespace TimerIntervals
{
    constexpr int firmwareCheckDelay   = 10000; ///< after an arrival
    constexpr int firmwareRetry        = 1000;  ///< while a version is missing
    constexpr int portScanFirstDelay   = 800;   ///< after an arrival
    constexpr int portScanInterval     = 500;
    constexpr int portsOpenedDelay     = 950;
    constexpr int deviceArrivedDelay   = 1500;
    constexpr int restoreDelay         = 1500;  ///< after the tick that opened both ports
    constexpr int periodicSaveInterval = 2000;
    constexpr int stateRequestDelay    = 130;   ///< after the restore
    constexpr int disableControlsDelay = 10;    ///< after a removal
    constexpr int factoryResetDelay    = 300;   ///< after the factory-default command
    constexpr int hideUpdateButtonDelay = 100;  ///< after a removal
    constexpr int sampleRateSyncInterval = 50;
    constexpr int deviceResetSettle    = 250;   ///< between the first two messages of the reset
    constexpr int muteAllOutputsDelay  = 1;     ///< after a click of the mute-all button
    constexpr int muteAllSourcesDelay  = 100;
    constexpr int outputFaderIdleAfterMuteAll = 150;
    constexpr int outputFaderIdleAfterSend = 100; ///< after each output-strip send group
    constexpr int resizeSettle         = 500;   ///< after the last size of a live resize
}
