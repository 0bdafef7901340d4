#include "device/ProtocolParser.h"

namespace ProtocolParser
{
    namespace
    {
        constexpr std::uint8_t byteOf (SysExCommand c) noexcept { return static_cast<std::uint8_t> (c); }
    }

    std::size_t layoutLength (std::uint8_t command) noexcept
    {
        if (isSourceLevelCommand (command))
            return levelReportLength;

        switch (command)
        {
            case byteOf (SysExCommand::inputConfig1):
            case byteOf (SysExCommand::inputConfig2):
            case byteOf (SysExCommand::midiActivity):
            case byteOf (SysExCommand::hardwareFlags):
            case byteOf (SysExCommand::hardwareFlagsExt):    return oneByteReportLength;
            case byteOf (SysExCommand::outputLevel):         return levelReportLength;
            case byteOf (SysExCommand::levelMeter):          return meterReportLength;
            case byteOf (SysExCommand::serialNumber):        return serialReportMinLength;
            case byteOf (SysExCommand::firmwareVersionSTC):
            case byteOf (SysExCommand::firmwareVersionRWA):  return versionReportLength;
            default:                                        return SysEx::commandOffset + 1;
        }
    }

    bool isStateReply (const std::uint8_t* data, std::size_t size) noexcept
    {
        return data != nullptr
            && size == oneByteReportLength
            && data[0] == SysEx::start
            && data[SysEx::commandOffset] == byteOf (SysExCommand::stateRequest)
            && data[SysEx::dataOffset] == 0x7F;
    }

    bool isAnswer (const std::uint8_t* data, std::size_t size) noexcept
    {
        if (data == nullptr || size <= SysEx::commandOffset || data[0] != SysEx::start)
            return false;

        const auto command = data[SysEx::commandOffset];
        if (isSourceLevelCommand (command))
            return true;

        switch (command)
        {
            case byteOf (SysExCommand::inputConfig1):
            case byteOf (SysExCommand::inputConfig2):
            case byteOf (SysExCommand::hardwareFlags):
            case byteOf (SysExCommand::hardwareFlagsExt):
            case byteOf (SysExCommand::outputLevel):
            case byteOf (SysExCommand::serialNumber):
            case byteOf (SysExCommand::firmwareVersionSTC):
            case byteOf (SysExCommand::firmwareVersionRWA):
            case byteOf (SysExCommand::stateRequest):        return true;
            default:                                        return false;
        }
    }

    InputConfig decodeInputConfig (std::uint8_t b) noexcept
    {
        InputConfig config;
        config.lineMode = (b & 0x03) == 0x03;
        config.hiZ = config.lineMode && (b & 0x08) != 0;
        config.phantomPower = ! config.lineMode && (b & 0x04) != 0;
        return config;
    }

    bool decodeOutputLevel (std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, OutputLevel& result) noexcept
    {
        const auto output = (b1 >> 3) & 0x0F;
        if (output >= SysEx::numDestinations)
            return false;

        result.output = output;
        result.levelDb = hwLevelToDb (b1, b2, b3);
        result.mute = (b1 & 0x04) != 0;
        return true;
    }

    namespace
    {
        int versionFrom (const std::uint8_t* d) noexcept
        {
            // The first of the four characters is not part of the version the panel compares.
            return (d[1] << 16) | (d[2] << 8) | d[3];
        }

        void readSerial (const std::uint8_t* data, std::size_t size, Report& report) noexcept
        {
            std::size_t count = 0;

            while (count < maxSerialCharacters)
            {
                const auto index = SysEx::dataOffset + count;

                // Without its terminator within the message the text may be cut short: drop it.
                if (index >= size)
                {
                    report.type = Report::Type::truncated;
                    return;
                }

                const auto c = data[index];
                if (c == 0x00 || c == SysEx::end)
                    break;

                report.serial[count++] = static_cast<char> (c);
            }

            report.serialLength = count;
        }
    }

    Report parse (const std::uint8_t* data, std::size_t size) noexcept
    {
        Report report;

        if (data == nullptr || size == 0 || data[0] != SysEx::start)
            return report;

        if (size <= SysEx::commandOffset)
        {
            report.type = Report::Type::truncated;
            return report;
        }

        const auto command = data[SysEx::commandOffset];
        report.command = command;

        if (size < layoutLength (command))
        {
            report.type = Report::Type::truncated;
            return report;
        }

        const auto* d = data + SysEx::dataOffset;
        report.type = Report::Type::ignored;

        if (command < 0x40)
        {
            // 0x00-0x1F with a source above 3, and 0x20-0x3F, name no cell of the matrix.
            if (isSourceLevelCommand (command))
            {
                report.type = Report::Type::sourceLevel;
                report.source = command & 0x07;
                report.destination = command >> 3;
                report.levelDb = hwLevelToDb (d[0], d[1], d[2]);
            }
            return report;
        }

        switch (command)
        {
            case byteOf (SysExCommand::inputConfig1):
            case byteOf (SysExCommand::inputConfig2):
                report.type = Report::Type::inputConfig;
                report.input = command == byteOf (SysExCommand::inputConfig1) ? 0 : 1;
                report.value = d[0];
                report.inputConfig = decodeInputConfig (d[0]);
                break;

            case byteOf (SysExCommand::midiActivity):
                report.type = Report::Type::midiActivity;
                report.value = d[0];
                break;

            case byteOf (SysExCommand::hardwareFlags):
                report.type = Report::Type::hardwareFlags;
                report.value = d[0];
                break;

            case byteOf (SysExCommand::hardwareFlagsExt):
                report.type = Report::Type::hardwareFlagsExt;
                report.value = d[0];
                break;

            case byteOf (SysExCommand::outputLevel):
                report.type = Report::Type::outputLevel;
                report.bytes = { d[0], d[1], d[2] };
                break;

            case byteOf (SysExCommand::levelMeter):
                if (d[0] < 4)
                {
                    report.type = Report::Type::levelMeter;
                    report.meterIndex = d[0];
                    report.meterLevel = d[1];
                }
                break;

            case byteOf (SysExCommand::serialNumber):
                report.type = Report::Type::serialNumber;
                readSerial (data, size, report);
                break;

            case byteOf (SysExCommand::firmwareVersionSTC):
                report.type = Report::Type::firmwareVersionSTC;
                report.version = versionFrom (d);
                break;

            case byteOf (SysExCommand::firmwareVersionRWA):
                report.type = Report::Type::firmwareVersionRWA;
                report.version = versionFrom (d);
                break;

            // Echoes of host commands, monitoring levels, the mix knob and state messages.
            default:
                break;
        }

        return report;
    }
}
