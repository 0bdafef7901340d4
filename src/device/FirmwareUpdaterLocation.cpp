#include "device/FirmwareUpdaterLocation.h"

namespace FirmwareUpdaterLocation
{
    juce::File applicationBundle()
    {
        const auto application = juce::File::getSpecialLocation (juce::File::currentApplicationFile);

       #if JUCE_MAC
        return application;
       #else
        return application.getParentDirectory();
       #endif
    }

    juce::File updaterIn (const juce::File& bundle)
    {
        return bundle.getChildFile (pathInBundle);
    }

    juce::String quotedPath (const juce::File& updater)
    {
        return "\"" + updater.getFullPathName() + "\"";
    }

    juce::String commandLine (const juce::File& updater)
    {
        return quotedPath (updater) + " " + checkArgument;
    }
}
