#pragma once

#include "device/SysExProtocol.h"

#include <array>
#include <cstddef>
#include <cstdint>

/** Decoding of the messages the interface sends, one message at a time.

    Pure code: no framework types, no allocation, callable from any thread. Every function reads
    only the bytes it is given: a message shorter than its command's layout decodes as truncated
    and is meant to be dropped whole.
*/
namespace ProtocolParser
{
    /** Full lengths, F0 to F7, of the layouts the panel reads. */
    constexpr std::size_t levelReportLength = 10;     ///< source level and output level
    constexpr std::size_t oneByteReportLength = 8;    ///< input config, MIDI activity, flags, state
    constexpr std::size_t meterReportLength = 9;
    constexpr std::size_t versionReportLength = 11;
    constexpr std::size_t serialReportMinLength = 7;  ///< F0 .. 78 F7: an empty serial number
    constexpr std::size_t maxSerialCharacters = 13;

    /** The length a message with this command needs before it is decoded: the full layout of a
        report the panel reads, just the command byte for everything it ignores. A serial-number
        reply needs at least serialReportMinLength and its terminator (see parse).
    */
    std::size_t layoutLength (std::uint8_t command) noexcept;

    /** True for the device's 8-byte state message F0 00 5E 17 34 7F 7F F7, which is only counted. */
    bool isStateReply (const std::uint8_t* data, std::size_t size) noexcept;

    /** True for a message that answers one of the panel's requests or reports a change of the
        mixer's state: levels, input configs, flags, versions, the serial number, the state message.
        The interface sends each of these once, so the incoming queue never lets one give way.

        False for what the interface repeats by itself (meter readings, MIDI activity) and for
        anything the panel does not read (other commands, messages that are not System Exclusive):
        those give way first when the queue is full. Reads only the first byte and the command.
    */
    bool isAnswer (const std::uint8_t* data, std::size_t size) noexcept;

    /** What an input-config byte from the device says about one input. */
    struct InputConfig
    {
        bool lineMode = false;      ///< bits 0 and 1 both set; otherwise microphone mode
        bool hiZ = false;           ///< line mode with bit 3 set
        bool phantomPower = false;  ///< microphone mode with bit 2 set
    };

    InputConfig decodeInputConfig (std::uint8_t b) noexcept;

    /** The three data bytes of an output-level report. */
    struct OutputLevel
    {
        int output = 0;         ///< destination id 0..3
        double levelDb = 0.0;   ///< decoded from b1 bits 0-1, b2, b3
        bool mute = false;      ///< b1 bit 2
    };

    /** Decodes an output-level report's data; false when the output index is above 3. */
    bool decodeOutputLevel (std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, OutputLevel& result) noexcept;

    /** One decoded message. Only the fields of its type are meaningful. */
    struct Report
    {
        enum class Type
        {
            notSysEx,           ///< empty, or the first byte is not F0
            truncated,          ///< shorter than its command's layout: drop it, change nothing
            ignored,            ///< a command, echo or index the panel does not act on
            sourceLevel,        ///< source, destination, levelDb
            inputConfig,        ///< input (0 or 1), inputConfig
            midiActivity,       ///< value = d6
            hardwareFlags,      ///< value = d6
            hardwareFlagsExt,   ///< value = d6
            outputLevel,        ///< bytes = d6 d7 d8, for decodeOutputLevel
            levelMeter,         ///< meterIndex (0..3), meterLevel
            serialNumber,       ///< serial, serialLength
            firmwareVersionSTC, ///< version
            firmwareVersionRWA  ///< version
        };

        Type type = Type::notSysEx;
        std::uint8_t command = 0;

        int source = 0;
        int destination = 0;
        double levelDb = 0.0;

        int input = 0;
        InputConfig inputConfig;

        std::uint8_t value = 0;
        std::array<std::uint8_t, 3> bytes {};

        int meterIndex = 0;
        std::uint8_t meterLevel = 0;

        int version = 0;

        std::array<char, maxSerialCharacters> serial {};
        std::size_t serialLength = 0;
    };

    /** Decodes one complete message, F0 included. The header bytes 1 to 4 are not compared. */
    Report parse (const std::uint8_t* data, std::size_t size) noexcept;
}
