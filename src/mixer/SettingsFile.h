#pragma once

#include "mixer/SafeXmlFile.h"

#include <juce_data_structures/juce_data_structures.h>

#include <functional>
#include <optional>

/** Where and how the per-user settings file is kept, and the names of its keys. Pure code. */
namespace SettingsFile
{
    /** "Talvoz3Panel.settings" in the folder "Talvoz3Panel" of the user application-data folder
        ($XDG_CONFIG_HOME or ~/.config here), XML, saved 3000 ms after a change. When that path is
        a symbolic link to a regular file whose name has an extension, the options name the linked
        file instead, so that saves (which write beside the file and rename) replace the linked
        file and leave the link in place.
    */
    juce::PropertiesFile::Options options();

    /** The folder of the settings file and the snapshot files. */
    juce::File folder();

    /** The settings file's own path: "Talvoz3Panel.settings" in folder(). */
    juce::File defaultFile();

    /** How the settings file is read: regular files only, never blocking, at most 1 MiB, elements
        nested at most 64 deep, a "PROPERTIES" root with at most maxKeys children. Anything else
        is a file the store must not read (the framework's parser recurses per level and its key
        table slows down with the square of the key count).
    */
    SafeXmlFile::Result readChecked (const juce::File& file);
    constexpr int maxKeys = 4096;

    /** What the start-up check found and did. */
    struct StartupCheck
    {
        SafeXmlFile::Problem problem = SafeXmlFile::Problem::none;
        juce::String detail;
        juce::File keptAs;          ///< where a file that could not be read now lies; null when none was set aside
        bool storeUnusable = false; ///< it could not be set aside: no settings are read or saved this session
        int removedTemporaries = 0;

        /** What to tell the user on standard error; empty when all is well. */
        juce::String message (const juce::File& file) const;
    };

    using Reader = std::function<SafeXmlFile::Result (const juce::File&)>;

    /** Runs before the store first reads the file. Removes temporaries that an interrupted save
        left beside it (older than a minute), and moves a file that cannot be read aside
        ("Talvoz3Panel.settings.unreadable", then ".unreadable.2", ...; never over an earlier one)
        so that the next save cannot overwrite what was saved before.
    */
    StartupCheck checkBeforeLoading (const juce::File& file, const Reader& read = readChecked);

    /** Moves the file (or link, FIFO, ...) to the first free numbered ".unreadable" sibling
        without reading it. Null when it could not be moved.
    */
    juce::File setAside (const juce::File& file);

    /** Deletes "<name>_temp<hex>.<extension>" files that a save killed half-way left beside the
        settings file, when they were last written before the given time. Returns how many went.
    */
    int removeStaleTemporaries (const juce::File& settingsFile, juce::Time writtenBefore);

    /** The store's options for this session, after checkBeforeLoading (whose message goes to
        standard error): options(); nothing when the store must not be used at all.
    */
    std::optional<juce::PropertiesFile::Options> prepareStore();

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
