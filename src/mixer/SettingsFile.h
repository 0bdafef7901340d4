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

    namespace Keys
    {
        constexpr const char* windowPosition = "WindowPosition";
    }
}
