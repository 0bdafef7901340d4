#include "storage/SettingsStore.h"

#include "storage/SettingsFile.h"
#include "storage/StoredProperties.h"

#include <cstdio>
#include <utility>

std::unique_ptr<SettingsStore> SettingsStore::openUserSettings()
{
    const auto file = SettingsFile::defaultFile();
    const auto check = SettingsFile::checkBeforeLoading (file);

    if (const auto message = check.message (file); message.isNotEmpty())
        std::fprintf (stderr, "%s\n", message.toRawUTF8());

    auto store = std::make_unique<SettingsStore> (file, SettingsFile::millisecondsBeforeSaving, ! check.savingOff);
    if (check.read.ok())
        store->load (check.read.properties);
    return store;
}

SettingsStore::SettingsStore (juce::File f, int delayMs, bool allowed)
    : juce::PropertySet (false), file (std::move (f)), millisecondsBeforeSaving (delayMs), savingAllowed (allowed)
{
    onSaveFailure = [] (const juce::String& problem)
    {
        std::fprintf (stderr, "Talvo z3 Control: the settings could not be saved: %s.\n", problem.toRawUTF8());
    };
}

SettingsStore::~SettingsStore()
{
    saveIfNeeded();
}

double SettingsStore::getDoubleValue (juce::StringRef keyName, double defaultValue) const
{
    return containsKey (keyName) ? PropertiesDocument::numberOf (getValue (keyName)) : defaultValue;
}

bool SettingsStore::getBoolValue (juce::StringRef keyName, bool defaultValue) const
{
    return containsKey (keyName) ? PropertiesDocument::flagOf (getValue (keyName)) : defaultValue;
}

void SettingsStore::load (const juce::StringPairArray& stored)
{
    const juce::ScopedLock sl (getLock());
    getAllProperties() = stored;
    needsWriting = false;
}

bool SettingsStore::saveIfNeeded()
{
    const juce::ScopedLock sl (getLock());
    return ! needsWriting || save();
}

bool SettingsStore::save()
{
    const juce::ScopedLock sl (getLock());
    stopTimer();

    if (! savingAllowed)
    {
        saveProblem = "saving is off in this session";
        return false;
    }

    const auto written = StoredProperties::write (file, getAllProperties());
    saveProblem = written.problem;

    if (! written)
    {
        if (! std::exchange (failureSaid, true) && onSaveFailure != nullptr)
            onSaveFailure (saveProblem);
        return false;
    }

    failureSaid = false;
    needsWriting = false;
    return true;
}

void SettingsStore::propertyChanged()
{
    needsWriting = true;

    if (millisecondsBeforeSaving > 0)
        startTimer (millisecondsBeforeSaving);
    else if (millisecondsBeforeSaving == 0)
        saveIfNeeded();
}

void SettingsStore::timerCallback()
{
    saveIfNeeded();
}
