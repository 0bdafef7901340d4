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
}
