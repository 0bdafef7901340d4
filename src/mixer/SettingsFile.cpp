#include "mixer/SettingsFile.h"

namespace SettingsFile
{
    juce::File folder()
    {
        return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
                   .getChildFile ("Talvoz3Panel");
    }

    juce::PropertiesFile::Options options()
    {
        juce::PropertiesFile::Options o;
        o.applicationName = "Talvoz3Panel";
        o.filenameSuffix = ".settings";
        o.osxLibrarySubFolder = "Application Support";
        // An absolute folder name takes the place of the platform's default sub-folder.
        o.folderName = folder().getFullPathName();
        o.commonToAllUsers = false;
        o.ignoreCaseOfKeyNames = false;
        o.doNotSave = false;
        o.millisecondsBeforeSaving = 3000;
        o.storageFormat = juce::PropertiesFile::storeAsXML;
        return o;
    }

    juce::File keepCopyOfUnreadableFile (const juce::PropertiesFile& settings)
    {
        const auto file = settings.getFile();
        if (settings.isValidFile() || ! file.existsAsFile())
            return {};

        const auto copy = file.getSiblingFile (file.getFileName() + ".unreadable");
        return file.copyFileTo (copy) ? copy : juce::File();
    }

    namespace Keys
    {
        juce::String snapshotName (int slot)                    { return "Snapshot" + juce::String (slot); }
        juce::String snapshotPath (int slot)                    { return "PathToSnapshot" + juce::String (slot); }
        juce::String sourceLevel (int source, int destination)  { return "vol" + juce::String (source) + juce::String (destination); }
        juce::String sourceMute (int source, int destination)   { return "mute" + juce::String (source) + juce::String (destination); }
        juce::String outputLevel (int destination)              { return "volOut" + juce::String (destination); }
        juce::String outputMute (int destination)               { return "muteOut" + juce::String (destination); }
        juce::String phase (int index)                          { return "Phase" + juce::String (index); }
        juce::String phantomPower (int input)                   { return "48V" + juce::String (input); }
        juce::String target (int index)                         { return "Target" + juce::String (index); }
    }

    juce::String defaultSnapshotName (int slot)
    {
        return "Snapshot " + juce::String (slot + 1);
    }
}
