#pragma once

#include "device/SysExProtocol.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <initializer_list>

/** Builders for the complete frames the panel sends. Pure code, any thread. */
namespace SysExMessages
{
    /** F0 00 5E 17 34 command data... F7, each data byte cut to its low 7 bits; any number of
        data bytes.
    */
    juce::MidiMessage frame (std::uint8_t command, std::initializer_list<std::uint8_t> data);

    /** F0 00 5E 17 34 command data F7: the one-byte messages (resets, lock, requests, modes). */
    juce::MidiMessage oneByte (SysExCommand command, std::uint8_t data);

    /** A gain of one source into one destination: 10 bytes. */
    juce::MidiMessage sourceLevel (int source, int destination, HwLevelBytes bytes);

    /** Level and mute of one output: 10 bytes, the output index and mute in b1. */
    juce::MidiMessage outputLevel (HwLevelBytes bytes);

    /** The four requests that ask the interface for its whole state, in the order they are sent:
        state, STC version, RWA version, serial number.
    */
    juce::MidiMessage stateRequest();
    juce::MidiMessage firmwareVersionRequest (SysExCommand whichPart);
    juce::MidiMessage serialNumberRequest();
}
