#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** Where and how the per-user settings file is kept, and the names of its keys. Pure code. */
namespace SettingsFile
{
    /** "Talvoz3Panel.settings" in the folder "Talvoz3Panel" of the user application-data folder
        ($XDG_CONFIG_HOME or ~/.config here), XML, saved 3000 ms after a change.
    */
    juce::PropertiesFile::Options options();

    /** The folder of the settings file and the snapshot files. */
    juce::File folder();

    /** A settings file that exists but cannot be read would be overwritten by the next save;
        keep a copy of it beside it first ("Talvoz3Panel.settings.unreadable"). Returns the copy,
        or a null file when there was nothing to keep.
    */
    juce::File keepCopyOfUnreadableFile (const juce::PropertiesFile& settings);

    /** Keys with an index are a stem and decimal digits without separator ("vol" + 2 + 3). */
    namespace Keys
    {
        constexpr const char* windowPosition = "WindowPosition";
        constexpr const char* resetNextBoot = "ResetNextBoot";
        constexpr const char* enableControlWhileUiOpen = "EnableContrlWhileUIopen";

        juce::String snapshotName (int slot);                  ///< "Snapshot0" .. "Snapshot3"
        juce::String snapshotPath (int slot);                  ///< "PathToSnapshot0" .. "PathToSnapshot3"
        juce::String sourceLevel (int source, int destination); ///< "vol00" .. "vol33"
        juce::String sourceMute (int source, int destination);  ///< "mute00" .. "mute33"
        juce::String outputLevel (int destination);            ///< "volOut0" .. "volOut3"
        juce::String outputMute (int destination);             ///< "muteOut0" .. "muteOut3"
        juce::String phase (int index);                        ///< "Phase0", "Phase1"
        juce::String phantomPower (int input);                 ///< "48V1", "48V2" (inputs count from 1)
        juce::String target (int index);                       ///< "Target0", "Target1"
    }

    /** The name a snapshot slot has until the user names it: "Snapshot 1" .. "Snapshot 4". */
    juce::String defaultSnapshotName (int slot);
}
