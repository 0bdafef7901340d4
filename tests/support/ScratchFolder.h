#pragma once

#include <juce_core/juce_core.h>

/** A new empty folder for one test, removed with everything in it afterwards. */
struct ScratchFolder
{
    ScratchFolder()  { folder.createDirectory(); }
    ~ScratchFolder() { folder.deleteRecursively(); }

    juce::File operator/ (const juce::String& name) const { return folder.getChildFile (name); }

    const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getNonexistentChildFile ("talvo-scratch", {}, false);
};
