#include "panel/MainComponent.h"

#include <algorithm>

namespace
{
    bool sameEndpoint (const juce::MidiDeviceInfo& a, const juce::MidiDeviceInfo& b)
    {
        return a.name == b.name && a.identifier == b.identifier;
    }

    bool listMatches (const juce::ReferenceCountedArray<MidiDeviceListEntry>& list,
                      const juce::Array<juce::MidiDeviceInfo>& current)
    {
        if (list.size() != current.size())
            return false;

        for (int i = 0; i < current.size(); ++i)
            if (! sameEndpoint (list.getUnchecked (i)->deviceInfo, current.getReference (i)))
                return false;

        return true;
    }

    bool isOpen (const MidiDeviceListEntry& entry, bool isInput)
    {
        return isInput ? entry.inputDevice != nullptr : entry.outputDevice != nullptr;
    }

    void close (MidiDeviceListEntry& entry, bool isInput)
    {
        if (isInput)
        {
            // Stopping waits for a delivery in progress, so nothing arrives from a deleted input.
            if (entry.inputDevice != nullptr)
                entry.inputDevice->stop();
            entry.inputDevice.reset();
        }
        else
        {
            entry.outputDevice.reset();
        }
    }
}

bool MainComponent::updateDeviceList (bool isInput)
{
    const auto current = isInput ? midiPortSystem.getAvailableInputs()
                                 : midiPortSystem.getAvailableOutputs();
    auto& list = isInput ? midiInputs : midiOutputs;

    if (listMatches (list, current))
        return false;

    closeUnpluggedDevices (current, isInput);

    // Entries of endpoints that are still there keep their open ports; each entry is taken once,
    // so two endpoints listed alike get an entry each.
    juce::ReferenceCountedArray<MidiDeviceListEntry> remaining (list);
    juce::ReferenceCountedArray<MidiDeviceListEntry> newList;

    for (const auto& endpoint : current)
    {
        MidiDeviceListEntry::Ptr entry;

        for (int i = 0; i < remaining.size(); ++i)
        {
            if (sameEndpoint (remaining.getUnchecked (i)->deviceInfo, endpoint))
            {
                entry = remaining.getUnchecked (i);
                remaining.remove (i);
                break;
            }
        }

        if (entry == nullptr)
            entry = new MidiDeviceListEntry (endpoint);

        newList.add (entry);
    }

    remaining.clear();
    list.swapWith (newList);
    return true;
}

bool MainComponent::openMIDIDevice (bool isInput, juce::String name1, juce::String name2, juce::String)
{
    auto& list = isInput ? midiInputs : midiOutputs;
    auto result = false;

    for (auto* entry : list)
    {
        const auto& info = entry->deviceInfo;

        if (! (info.name.contains (name1) || info.name.contains (name2)) || info.identifier.isEmpty())
            continue;

        if (isInput)
        {
            auto input = midiPortSystem.openInput (info.identifier, this);
            close (*entry, true);
            entry->inputDevice = std::move (input);

            if (entry->inputDevice == nullptr)
                return false;

            entry->inputDevice->start();
        }
        else
        {
            auto output = midiPortSystem.openOutput (info.identifier);
            close (*entry, false);
            entry->outputDevice = std::move (output);

            if (entry->outputDevice == nullptr)
                return false;
        }

        result = true;
    }

    return result;
}

void MainComponent::closeUnpluggedDevices (juce::Array<juce::MidiDeviceInfo> current, bool isInput)
{
    auto& list = isInput ? midiInputs : midiOutputs;

    for (int i = list.size(); --i >= 0;)
    {
        auto* entry = list.getObjectPointerUnchecked (i);

        const auto present = std::any_of (current.begin(), current.end(),
                                          [entry] (const auto& e) { return sameEndpoint (entry->deviceInfo, e); });
        if (present)
            continue;

        if (isOpen (*entry, isInput))
            for (auto* other : list)
                close (*other, isInput);

        list.remove (i);
    }
}
