#include "mixer/SettingsStore.h"

#include "mixer/StoredProperties.h"

SettingsStore::SettingsStore (juce::File f, int delayMs, bool allowed)
    : juce::PropertySet (false), file (std::move (f)), millisecondsBeforeSaving (delayMs), savingAllowed (allowed)
{
}

SettingsStore::~SettingsStore()
{
    saveIfNeeded();
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

    if (! savingAllowed || ! StoredProperties::write (file, getAllProperties()))
        return false;

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
