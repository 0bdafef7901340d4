// The device's messages on their way in: whatever bytes the MIDI input delivers, the parser reads
// none past the message it is given, and every field it decodes is one the panel can index an
// array with or show. Each message is handed over in a heap block of exactly its size, so that the
// address sanitizer stops the first byte read beyond it.
//
// The input is taken whole as one message, then cut after each F7 into the messages a stream would
// carry, and each short message is also given cut short at every length.

#include "device/ProtocolParser.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{
    using ProtocolParser::Report;

    /** Longer than every layout and the longest serial-number reply: its prefixes cover them all. */
    constexpr std::size_t prefixesUpTo = 24;

    void require (bool condition, const char* what)
    {
        if (! condition)
        {
            std::fprintf (stderr, "fuzz: %s\n", what);
            std::abort();
        }
    }

    /** The codec's range: 16-bit levels 1 to 65534 (0 and 65535 count as 1), 32767 being 0 dB. */
    bool isLevelInRange (double dB)
    {
        static const double lowest = 20.0 * std::log10 (1.0 / hwLevelUnity);
        static const double highest = 20.0 * std::log10 (65534.0 / hwLevelUnity);
        return std::isfinite (dB) && dB >= lowest && dB <= highest;
    }

    void checkSerial (const Report& report, const std::uint8_t* message, std::size_t size)
    {
        require (report.serialLength <= ProtocolParser::maxSerialCharacters, "serial longer than its field");

        for (std::size_t i = 0; i < report.serialLength; ++i)
        {
            const auto c = static_cast<std::uint8_t> (report.serial[i]);
            require (c == message[SysEx::dataOffset + i], "serial character not the message's byte");
            require (c != 0x00 && c != SysEx::end, "serial holds its terminator");
        }

        // A serial shorter than the field ends at a terminator inside the message.
        if (report.serialLength < ProtocolParser::maxSerialCharacters)
            require (SysEx::dataOffset + report.serialLength < size, "serial accepted without its terminator");
    }

    void checkFields (const Report& report, const std::uint8_t* message, std::size_t size)
    {
        const auto* d = message + SysEx::dataOffset;

        switch (report.type)
        {
            case Report::Type::sourceLevel:
                require (isSourceLevelCommand (report.command), "source level from another command");
                require (report.source >= 0 && report.source < SysEx::numSources, "source out of range");
                require (report.destination >= 0 && report.destination < SysEx::numDestinations, "destination out of range");
                require (isLevelInRange (report.levelDb), "source level out of range");
                break;

            case Report::Type::inputConfig:
                require (report.input == 0 || report.input == 1, "input out of range");
                require (report.value == d[0], "input config not the message's byte");
                require (! report.inputConfig.hiZ || report.inputConfig.lineMode, "hi-Z outside line mode");
                require (! report.inputConfig.phantomPower || ! report.inputConfig.lineMode, "phantom power in line mode");
                break;

            case Report::Type::midiActivity:
            case Report::Type::hardwareFlags:
            case Report::Type::hardwareFlagsExt:
                require (report.value == d[0], "flags not the message's byte");
                break;

            case Report::Type::outputLevel:
            {
                ProtocolParser::OutputLevel level;
                if (ProtocolParser::decodeOutputLevel (report.bytes[0], report.bytes[1], report.bytes[2], level))
                {
                    require (level.output >= 0 && level.output < SysEx::numDestinations, "output out of range");
                    require (isLevelInRange (level.levelDb), "output level out of range");
                }
                break;
            }

            case Report::Type::levelMeter:
                require (report.meterIndex >= 0 && report.meterIndex < 4, "meter index out of range");
                break;

            case Report::Type::serialNumber:
                checkSerial (report, message, size);
                break;

            case Report::Type::firmwareVersionSTC:
            case Report::Type::firmwareVersionRWA:
                require (report.version >= 0 && report.version <= 0xFFFFFF, "version wider than three bytes");
                break;

            case Report::Type::notSysEx:
            case Report::Type::truncated:
            case Report::Type::ignored:
                break;
        }
    }

    void parseExactly (const std::uint8_t* bytes, std::size_t size)
    {
        // Never the fuzzer's own buffer: a copy that ends where the message ends.
        const auto message = std::make_unique<std::uint8_t[]> (size);
        if (size > 0)
            std::memcpy (message.get(), bytes, size);

        // The input handler asks this of every message that starts with F0, before parsing it.
        if (ProtocolParser::isStateReply (message.get(), size))
            require (size == ProtocolParser::oneByteReportLength, "state reply of the wrong length");

        const auto report = ProtocolParser::parse (message.get(), size);

        if (size == 0 || message[0] != SysEx::start)
        {
            require (report.type == Report::Type::notSysEx, "decoded something that is not SysEx");
            return;
        }

        require (report.type != Report::Type::notSysEx, "SysEx taken for something else");

        if (size <= SysEx::commandOffset || size < ProtocolParser::layoutLength (message[SysEx::commandOffset]))
        {
            require (report.type == Report::Type::truncated, "decoded a message shorter than its layout");
            return;
        }

        require (report.command == message[SysEx::commandOffset], "command not the message's byte");
        checkFields (report, message.get(), size);
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    parseExactly (data, size);

    for (std::size_t start = 0; start < size;)
    {
        const auto* endByte = static_cast<const std::uint8_t*> (std::memchr (data + start, SysEx::end, size - start));
        const auto end = endByte != nullptr ? static_cast<std::size_t> (endByte - data) + 1 : size;

        if (end - start <= prefixesUpTo)
            for (auto length = start; length < end; ++length)
                parseExactly (data + start, length - start);

        parseExactly (data + start, end - start);
        start = end;
    }

    return 0;
}
