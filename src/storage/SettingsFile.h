#pragma once

#include "storage/StoredProperties.h"

#include <functional>

/** Where the per-user settings file lies, its keys, what a read of it admits, and what the panel
    does at start with a file it cannot read. Works on the file system; message thread by use.
*/
namespace SettingsFile
{
    /** The folder of the settings file and the snapshot files: "Talvoz3Panel" in the user
        application-data folder ($XDG_CONFIG_HOME or ~/.config here).
    */
    juce::File folder();

    /** The settings file's own path: "Talvoz3Panel.settings" in folder(). */
    juce::File defaultFile();

    /** The snapshot slots whose names and file paths the settings keep. */
    constexpr int numSnapshotSlots = 4;

    /** Saved this long after the last change. */
    constexpr int millisecondsBeforeSaving = 3000;

    /** What a read admits: at most 4096 keys besides the panel's own, at most 1 MiB of them as
        the panel writes them, nested values at most 64 deep; the panel's own keys with values of
        ordinary length are free, so its saves never make a file that its next start refuses.
    */
    const PropertiesDocument::Caps& caps();

    /** A temporary left by a save is stale when it was last written before this (a minute ago):
        a younger one may belong to a save under way.
    */
    juce::Time staleTemporariesBefore();

    /** The settings file read and checked against caps(). */
    StoredProperties::Result readChecked (const juce::File& file);

    /** What the start-up check found and did. */
    struct StartupCheck
    {
        StoredProperties::Result read;  ///< the properties, when the file was read
        juce::File keptAs;              ///< where a file that could not be read now lies; null when none was set aside
        bool savingOff = false;         ///< nothing is saved this session (set aside failed, or notOurs)
        juce::String notOurs;           ///< why the file's place is not the panel's own (GuardedFile::whyWeMayNotWrite); empty when it is
        int removedTemporaries = 0;

        bool refused() const noexcept { return ! read.ok() && ! read.missing(); }

        /** What to tell the user on standard error; empty when all is well. */
        juce::String message (const juce::File& file) const;
    };

    using Reader = std::function<StoredProperties::Result (const juce::File&)>;

    /** Runs before the panel reads any setting. Removes temporaries that an interrupted save left
        beside the file (older than a minute), reads it, and moves a file that cannot be read aside
        ("Talvoz3Panel.settings.unreadable", then ".unreadable.2", ...; never over an earlier one)
        so that the next save cannot overwrite what was saved before. Where the panel may not write
        (notOurs) the file is only read: nothing is removed, moved or saved.
    */
    StartupCheck checkBeforeLoading (const juce::File& file, const Reader& read = readChecked);

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

        /** Every key the panel writes to the settings file. */
        const juce::StringArray& all();
    }

    /** The name a snapshot slot has until the user names it: "Snapshot 1" .. "Snapshot 4". */
    juce::String defaultSnapshotName (int slot);
}
