#pragma once

#include "device/FirmwareUpdaterLocation.h"

#include <juce_core/juce_core.h>

/** A bundle folder for one test, with blanks in its name, removed with everything in it. */
class FakeBundle
{
public:
    FakeBundle()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("Talvo z3 Control bundle", {}, false))
    {
        folder.createDirectory();
    }

    ~FakeBundle() { folder.deleteRecursively(); }

    /** Places a shell script as the bundle's updater. */
    void installUpdater (const juce::String& script) const
    {
        const auto updater = FirmwareUpdaterLocation::updaterIn (folder);
        updater.getParentDirectory().createDirectory();
        updater.replaceWithText ("#!/bin/sh\n" + script + "\n", false, false, "\n");
        updater.setExecutePermission (true);
    }

    const juce::File folder;
};
