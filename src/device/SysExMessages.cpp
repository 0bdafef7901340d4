#include "device/SysExMessages.h"

namespace SysExMessages
{
    juce::MidiMessage frame (std::uint8_t command, std::initializer_list<std::uint8_t> data)
    {
        // Longest frame the panel sends is 10 bytes; a fixed buffer keeps this off the heap.
        std::uint8_t bytes[16];
        size_t size = 0;

        bytes[size++] = SysEx::start;
        for (auto b : SysEx::manufacturerId)
            bytes[size++] = b;
        bytes[size++] = SysEx::deviceModelId;
        bytes[size++] = command;

        jassert (data.size() <= sizeof (bytes) - size - 1);
        for (auto b : data)
            bytes[size++] = static_cast<std::uint8_t> (b & 0x7F);

        bytes[size++] = SysEx::end;
        return juce::MidiMessage (bytes, static_cast<int> (size));
    }

    juce::MidiMessage oneByte (SysExCommand command, std::uint8_t data)
    {
        return frame (static_cast<std::uint8_t> (command), { data });
    }

    juce::MidiMessage sourceLevel (int source, int destination, HwLevelBytes bytes)
    {
        return frame (sourceLevelCommand (source, destination), { bytes.b1, bytes.b2, bytes.b3 });
    }

    juce::MidiMessage outputLevel (HwLevelBytes bytes)
    {
        return frame (static_cast<std::uint8_t> (SysExCommand::outputLevel), { bytes.b1, bytes.b2, bytes.b3 });
    }

    juce::MidiMessage stateRequest()
    {
        return oneByte (SysExCommand::stateRequest, 0x01);
    }

    juce::MidiMessage firmwareVersionRequest (SysExCommand whichPart)
    {
        jassert (whichPart == SysExCommand::firmwareVersionSTC || whichPart == SysExCommand::firmwareVersionRWA);
        return oneByte (whichPart, 0x00);
    }

    juce::MidiMessage serialNumberRequest()
    {
        return frame (static_cast<std::uint8_t> (SysExCommand::serialNumber), {});
    }
}
