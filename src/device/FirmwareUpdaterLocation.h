#pragma once

#include <juce_core/juce_core.h>

/** Where the panel finds the firmware updater and how it starts it. Pure code, any thread.

    The updater lies at "Contents/bin/TalvoFWUpdatez3" inside the application bundle. On macOS the
    bundle is the application itself; Linux has no bundles, so the folder that holds the program
    stands for one (the build places the updater at <build>/Contents/bin beside the panel).
*/
namespace FirmwareUpdaterLocation
{
    /** The updater's place inside the bundle. */
    constexpr const char* pathInBundle = "./Contents/bin/TalvoFWUpdatez3";

    /** The one argument the updater is started with. */
    constexpr const char* checkArgument = "/check";

    /** The running program's bundle (see above). */
    juce::File applicationBundle();

    /** The updater inside a bundle. */
    juce::File updaterIn (const juce::File& bundle);

    /** The updater's full path in double quotes, as the log shows it and the command line starts. */
    juce::String quotedPath (const juce::File& updater);

    /** The quoted path and the argument: splitting at blanks keeps a quoted path with blanks whole. */
    juce::String commandLine (const juce::File& updater);
}
