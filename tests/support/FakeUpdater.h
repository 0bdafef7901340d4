#pragma once

#include "device/FirmwareUpdaterLocation.h"

/** A bundle folder with blanks in its name for one test, removed with everything in it. */
struct FakeBundle
{
    FakeBundle() { folder.createDirectory(); }
    ~FakeBundle() { folder.deleteRecursively(); }

    /** Places a shell script as the bundle's updater. */
    void installUpdater (const juce::String& script) const
    {
        const auto updater = FirmwareUpdaterLocation::updaterIn (folder);
        updater.getParentDirectory().createDirectory();
        updater.replaceWithText ("#!/bin/sh\n" + script + "\n", false, false, "\n");
        updater.setExecutePermission (true);
    }

    const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getNonexistentChildFile ("Talvo z3 Control bundle", {}, false);
};
