#include "device/SysExMessages.h"

#include <iterator>
#include <vector>

namespace SysExMessages
{
    juce::MidiMessage frame (std::uint8_t command, std::initializer_list<std::uint8_t> data)
    {
        // The frames the panel sends fit the stack buffer, so building one costs no allocation
        // beyond the message's own; a longer one goes to the heap, never past the buffer's end.
        std::uint8_t stackBytes[16];
        std::vector<std::uint8_t> heapBytes;

        const auto length = SysEx::emptyFrameLength + data.size();
        auto* bytes = stackBytes;
        if (length > std::size (stackBytes))
        {
            heapBytes.resize (length);
            bytes = heapBytes.data();
        }

        size_t size = 0;
        bytes[size++] = SysEx::start;
        for (auto b : SysEx::manufacturerId)
            bytes[size++] = b;
        bytes[size++] = SysEx::deviceModelId;
        bytes[size++] = command;

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
