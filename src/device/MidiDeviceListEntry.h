#pragma once

#include "device/MidiPortSystem.h"

/** One known MIDI endpoint of the panel's input or output list.

    Reference counted so that an entry lives as long as a list or a caller holds it. Only entries of
    the input list use inputDevice, only those of the output list outputDevice. Message thread.
*/
struct MidiDeviceListEntry final : juce::ReferenceCountedObject
{
    using Ptr = juce::ReferenceCountedObjectPtr<MidiDeviceListEntry>;

    explicit MidiDeviceListEntry (juce::MidiDeviceInfo info) : deviceInfo (std::move (info)) {}

    ~MidiDeviceListEntry() override
    {
        // The output goes first; a deleted input delivers no further messages.
        outputDevice.reset();
        inputDevice.reset();
    }

    juce::MidiDeviceInfo deviceInfo;
    std::unique_ptr<MidiInputPort> inputDevice;
    std::unique_ptr<MidiOutputPort> outputDevice;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiDeviceListEntry)
};
