#pragma once

#include "storage/SettingsFile.h"
#include "storage/SettingsStore.h"
#include "panel/MainComponent.h"
#include "support/SimulatedMidiPorts.h"

#include <gtest/gtest.h>

/** Starts a test with no settings file: tests of one process share the run's HOME. */
struct FreshSettingsFile
{
    FreshSettingsFile()  { file().deleteFile(); }
    static juce::File file() { return SettingsFile::defaultFile(); }
};

/** The settings file as the panel's next start reads it; changes are saved when it goes. */
inline std::unique_ptr<SettingsStore> storedSettings()
{
    auto settings = std::make_unique<SettingsStore> (SettingsFile::defaultFile(), SettingsFile::millisecondsBeforeSaving, true);
    settings->load (SettingsFile::readChecked (SettingsFile::defaultFile()).properties);
    return settings;
}

/** A panel on simulated MIDI endpoints, with helpers to give it open outputs directly. */
class PanelFixture : public ::testing::Test
{
protected:
    PanelFixture() : panel (std::make_unique<MainComponent> (ports)) {}

    ~PanelFixture() override
    {
        panel = nullptr;
    }

    /** Adds an open output entry to the panel's output list, as the port scan would. */
    void giveOpenOutput (const juce::String& identifier, const juce::String& name = "Talvo z3 DAW Control")
    {
        ports.addOutput (name, identifier);
        MidiDeviceListEntry::Ptr entry = new MidiDeviceListEntry (midiEndpoint (name, identifier));
        entry->outputDevice = ports.openOutput (identifier);
        panel->midiOutputs.add (entry);
    }

    /** Every message sent so far, as bytes, in order, to all outputs. */
    std::vector<std::vector<std::uint8_t>> sentBytes() const
    {
        std::vector<std::vector<std::uint8_t>> result;
        for (const auto& s : ports.sentMessages())
            result.push_back (bytesOf (s.message));
        return result;
    }

    FreshSettingsFile freshSettings;
    SimulatedMidiPorts ports;
    std::unique_ptr<MainComponent> panel;
};

using Bytes = std::vector<std::uint8_t>;

/** A whole message as the interface frames it: F0 00 5E 17 34, command and data, F7. */
inline Bytes frame (std::initializer_list<std::uint8_t> commandAndData)
{
    Bytes b { 0xF0, 0x00, 0x5E, 0x17, 0x34 };
    for (auto byte : commandAndData)
        b.push_back (byte);
    b.push_back (0xF7);
    return b;
}
