#pragma once

#include <juce_core/juce_core.h>

/** The program's command-line switches. A switch counts only when it is the whole command line,
    letter case ignored: nothing is trimmed or split, so "/default " or "/init /default" is no
    switch at all. Pure code.
*/
namespace CommandLineSwitches
{
    constexpr const char* shutdown = "/shutdown";
    constexpr const char* defaultSwitch = "/default";
    constexpr const char* defaults = "/defaults";
    constexpr const char* init = "/init";

    /** True when the whole command line is the switch, letter case ignored. */
    inline bool is (const juce::String& commandLine, const char* switchText)
    {
        return commandLine.compareIgnoreCase (switchText) == 0;
    }

    /** "/default" or "/defaults": reset to factory defaults and carry on. */
    inline bool asksForDefaults (const juce::String& commandLine)
    {
        return is (commandLine, defaultSwitch) || is (commandLine, defaults);
    }

    /** Any switch that resets to factory defaults at start: "/default", "/defaults", "/init". */
    inline bool asksForResetAtStart (const juce::String& commandLine)
    {
        return asksForDefaults (commandLine) || is (commandLine, init);
    }
}

/** The application's version as shown: the full version cut after its first ".0" when it ends in
    ".0" ("1.1.0.0" gives "1.1.0").
*/
inline juce::String shownVersionOf (const juce::String& fullVersion)
{
    if (fullVersion.endsWith (".0"))
        return fullVersion.upToFirstOccurrenceOf (".0", true, false);

    return fullVersion;
}
