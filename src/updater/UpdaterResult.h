#pragma once

#include <juce_core/juce_core.h>

/** How the firmware updater reports its result, and how the panel reads it back.

    The updater writes what it found as text lines and ends its output with one line that holds
    only its result number; it exits with the same number. The panel reads the output, not the exit
    status: it takes the exit status 30 ms after the start, long before an updater that talks to the
    interface has finished. Pure code, any thread.
*/
namespace UpdaterResult
{
    enum Code : int
    {
        firmwareCurrent = 0,     ///< the interface reported the firmware this panel expects
        firmwareNotCurrent = 1,  ///< it reported another firmware; nothing was written
        interfaceRestarts = 2,   ///< firmware was written and the interface starts anew: the panel
                                 ///< resets it at the next connection and disables its controls.
                                 ///< Our updater carries no firmware image and never reports this.
        interfaceNotFound = 3,   ///< no "DAW Control" ports, ports that do not open, or no answer
        wrongArguments = 4       ///< started without the single argument "/check"
    };

    /** The last line of the updater's output: the number alone. */
    juce::String resultLine (Code code);

    /** The result number of an updater's output: its last non-blank line, without blanks and line
        ending, when that is a number; -1 otherwise (an empty output included).
    */
    int resultOf (const juce::String& output);

    /** True when the output reports interfaceRestarts. */
    bool asksForResetAtNextConnection (const juce::String& output);
}
