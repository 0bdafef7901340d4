#pragma once

#include "device/MidiPortSystem.h"
#include "updater/UpdaterResult.h"

#include <functional>

/** The firmware updater's check: finds the interface's "DAW Control" ports, asks for its two
    firmware versions with the protocol's own requests and compares them with the firmware this
    panel expects. It writes no firmware.

    Runs on the caller's thread; replies arrive on the MIDI input's thread.
*/
namespace FirmwareCheck
{
    /** How long the check waits for both version replies. */
    constexpr int defaultReplyTimeoutMs = 2000;

    /** Runs the check on the given endpoints, handing each line of its report to writeLine (which
        is called on the caller's thread only), and returns the result. The closing lines (nothing
        written, the result number) are left to the caller.
    */
    UpdaterResult::Code run (MidiPortSystem& ports,
                             const std::function<void (const juce::String&)>& writeLine,
                             int replyTimeoutMs = defaultReplyTimeoutMs);
}
