#include "device/ProtocolParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
    using Bytes = std::vector<std::uint8_t>;
    using Type = ProtocolParser::Report::Type;

    Bytes frame (std::initializer_list<std::uint8_t> commandAndData)
    {
        Bytes b { 0xF0, 0x00, 0x5E, 0x17, 0x34 };
        for (auto byte : commandAndData)
            b.push_back (byte);
        b.push_back (0xF7);
        return b;
    }

    Bytes serialFrame (const std::string& characters, std::initializer_list<std::uint8_t> ending)
    {
        Bytes b { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78 };
        for (auto c : characters)
            b.push_back (static_cast<std::uint8_t> (c));
        for (auto byte : ending)
            b.push_back (byte);
        return b;
    }

    ProtocolParser::Report parse (const Bytes& b)
    {
        return ProtocolParser::parse (b.data(), b.size());
    }

    /** A complete message for any command: the full layout of what the panel reads. */
    Bytes fullMessageFor (std::uint8_t command)
    {
        switch (command)
        {
            case 0x70: return frame ({ command, 0x02, 0x40 });
            case 0x78: return serialFrame ("AB", { 0x00, 0xF7 });
            case 0x79:
            case 0x7A: return frame ({ command, 0x76, 0x31, 0x31, 0x37 });
            default:   break;
        }

        // Commands the panel ignores need nothing beyond the command byte.
        auto b = frame ({ command, 0x1B, 0x19, 0x4C });
        b.resize (ProtocolParser::layoutLength (command));
        if (b.size() > 6)
            b.back() = 0xF7;
        return b;
    }

    Type expectedTypeOf (std::uint8_t command)
    {
        if (command <= 0x1B && (command & 0x04) == 0)  return Type::sourceLevel;
        if (command == 0x40 || command == 0x41)         return Type::inputConfig;
        if (command == 0x60)                            return Type::midiActivity;
        if (command == 0x64)                            return Type::hardwareFlags;
        if (command == 0x65)                            return Type::hardwareFlagsExt;
        if (command == 0x67)                            return Type::outputLevel;
        if (command == 0x70)                            return Type::levelMeter;
        if (command == 0x78)                            return Type::serialNumber;
        if (command == 0x79)                            return Type::firmwareVersionSTC;
        if (command == 0x7A)                            return Type::firmwareVersionRWA;
        return Type::ignored;
    }

    std::string serialOf (const ProtocolParser::Report& r)
    {
        return std::string (r.serial.data(), r.serialLength);
    }
}

TEST (ProtocolParser, EveryCommandByteFollowsTheCommandTable)
{
    for (int c = 0; c < 256; ++c)
    {
        const auto command = static_cast<std::uint8_t> (c);
        const auto report = parse (fullMessageFor (command));
        EXPECT_EQ (report.type, expectedTypeOf (command)) << "command " << c;
        EXPECT_EQ (report.command, command);
    }
}

TEST (ProtocolParser, EveryShortMessageOfEveryCommandIsTruncatedAndNothingIsReadPastItsEnd)
{
    // Each prefix lives in a buffer of exactly its size, so a read past the end shows under
    // AddressSanitizer.
    for (int c = 0; c < 256; ++c)
    {
        const auto full = fullMessageFor (static_cast<std::uint8_t> (c));

        for (size_t length = 0; length < full.size(); ++length)
        {
            const Bytes prefix (full.begin(), full.begin() + static_cast<std::ptrdiff_t> (length));
            const auto report = parse (prefix);

            if (length == 0)
                EXPECT_EQ (report.type, Type::notSysEx);
            else if (c == 0x78 && length == full.size() - 1)
                EXPECT_EQ (report.type, Type::serialNumber) << "terminated by 0x00 before F7";
            else
                EXPECT_EQ (report.type, Type::truncated) << "command " << c << " length " << length;
        }
    }

    EXPECT_EQ (ProtocolParser::parse (nullptr, 10).type, Type::notSysEx);
}

TEST (ProtocolParser, LayoutLengthsAreThoseOfTheCommandTable)
{
    EXPECT_EQ (ProtocolParser::layoutLength (0x00), 10u);
    EXPECT_EQ (ProtocolParser::layoutLength (0x1B), 10u);
    EXPECT_EQ (ProtocolParser::layoutLength (0x1C), 6u);   // not a cell: only the command is read
    EXPECT_EQ (ProtocolParser::layoutLength (0x40), 8u);
    EXPECT_EQ (ProtocolParser::layoutLength (0x67), 10u);
    EXPECT_EQ (ProtocolParser::layoutLength (0x70), 9u);
    EXPECT_EQ (ProtocolParser::layoutLength (0x78), 7u);
    EXPECT_EQ (ProtocolParser::layoutLength (0x7A), 11u);
    EXPECT_EQ (ProtocolParser::layoutLength (0x7F), 6u);
}

TEST (ProtocolParser, SourceLevelNamesTheCellAndIgnoresTheMuteBit)
{
    auto r = parse (frame ({ 0x13, 0x00, 0x19, 0x4C }));
    ASSERT_EQ (r.type, Type::sourceLevel);
    EXPECT_EQ (r.source, 3);
    EXPECT_EQ (r.destination, 2);
    EXPECT_NEAR (r.levelDb, -20.00186, 0.000005);

    const auto muted = parse (frame ({ 0x13, 0x40, 0x19, 0x4C }));
    EXPECT_EQ (muted.levelDb, r.levelDb);

    r = parse (frame ({ 0x08, 0x01, 0x7F, 0x7F }));
    EXPECT_EQ (r.source, 0);
    EXPECT_EQ (r.destination, 1);
    EXPECT_EQ (r.levelDb, 0.0);

    // Any bytes decode to a level no lower than the floor.
    r = parse (frame ({ 0x1B, 0x00, 0x00, 0x00 }));
    EXPECT_DOUBLE_EQ (r.levelDb, 20.0 * std::log10 (1.0 / 32767.0));
}

TEST (ProtocolParser, InputConfigTellsLineModeHiZAndPhantomPower)
{
    struct Case { std::uint8_t b; bool line, hiZ, phantom; };
    const Case cases[] = {
        { 0x0B, true,  true,  false },
        { 0x03, true,  false, false },
        { 0x07, true,  false, false }, // bit 2 means nothing in line mode
        { 0x04, false, false, true },
        { 0x00, false, false, false },
        { 0x0C, false, false, true },  // bit 3 means nothing in microphone mode
        { 0x01, false, false, false }, // one line bit alone is microphone mode
    };

    for (const auto& c : cases)
    {
        const auto r = parse (frame ({ 0x41, c.b }));
        ASSERT_EQ (r.type, Type::inputConfig);
        EXPECT_EQ (r.input, 1);
        EXPECT_EQ (r.inputConfig.lineMode, c.line) << int (c.b);
        EXPECT_EQ (r.inputConfig.hiZ, c.hiZ) << int (c.b);
        EXPECT_EQ (r.inputConfig.phantomPower, c.phantom) << int (c.b);
    }

    EXPECT_EQ (parse (frame ({ 0x40, 0x00 })).input, 0);
}

TEST (ProtocolParser, OutputLevelDecodesOutputMuteAndLevel)
{
    ProtocolParser::OutputLevel level;

    ASSERT_TRUE (ProtocolParser::decodeOutputLevel (0x1D, 0x7F, 0x7F, level));
    EXPECT_EQ (level.output, 3);
    EXPECT_TRUE (level.mute);
    EXPECT_EQ (level.levelDb, 0.0);

    ASSERT_TRUE (ProtocolParser::decodeOutputLevel (0x10, 0x19, 0x4C, level));
    EXPECT_EQ (level.output, 2);
    EXPECT_FALSE (level.mute);
    EXPECT_NEAR (level.levelDb, -20.00186, 0.000005);

    for (std::uint8_t output = 4; output < 16; ++output)
        EXPECT_FALSE (ProtocolParser::decodeOutputLevel (static_cast<std::uint8_t> (output << 3), 0x7F, 0x7F, level));
}

TEST (ProtocolParser, MeterIndexAboveThreeIsIgnored)
{
    auto r = parse (frame ({ 0x70, 0x03, 0x55 }));
    ASSERT_EQ (r.type, Type::levelMeter);
    EXPECT_EQ (r.meterIndex, 3);
    EXPECT_EQ (r.meterLevel, 0x55);

    EXPECT_EQ (parse (frame ({ 0x70, 0x04, 0x55 })).type, Type::ignored);
    EXPECT_EQ (parse (frame ({ 0x70, 0x7F, 0x55 })).type, Type::ignored);
}

TEST (ProtocolParser, SerialNumberEndsAtZeroAtF7OrAfterThirteenCharacters)
{
    EXPECT_EQ (serialOf (parse (serialFrame ("TZ3A42", { 0x00, 0xF7 }))), "TZ3A42");
    EXPECT_EQ (serialOf (parse (serialFrame ("ABCDEFGHIJKLM", { 0xF7 }))), "ABCDEFGHIJKLM");
    EXPECT_EQ (serialOf (parse (serialFrame ("ABCDEFGHIJKLMNO", { 0xF7 }))), "ABCDEFGHIJKLM");
    EXPECT_EQ (serialOf (parse (serialFrame ("WXYZ", { 0xF7 }))), "WXYZ");
    EXPECT_EQ (serialOf (parse (serialFrame ("", { 0x00, 0x41, 0xF7 }))), "");
    EXPECT_EQ (serialOf (parse (serialFrame ("", { 0xF7 }))), "");

    // Thirteen characters end the text even when the message stops right after them.
    EXPECT_EQ (serialOf (parse (serialFrame ("ABCDEFGHIJKLM", {}))), "ABCDEFGHIJKLM");

    // No terminator within the message: the text may be cut, so it is dropped.
    EXPECT_EQ (parse (serialFrame ("ABCDEFGHIJKL", {})).type, Type::truncated);
}

TEST (ProtocolParser, VersionsKeepTheLastThreeCharacters)
{
    auto r = parse (frame ({ 0x7A, 0x00, '1', '1', '7' }));
    ASSERT_EQ (r.type, Type::firmwareVersionRWA);
    EXPECT_EQ (r.version, 0x313137);

    r = parse (frame ({ 0x79, 'Q', '1', '0', 'F' }));
    ASSERT_EQ (r.type, Type::firmwareVersionSTC);
    EXPECT_EQ (r.version, 0x313046);

    // The request the panel sends (8 bytes) is shorter than a reply.
    EXPECT_EQ (parse (frame ({ 0x79, 0x00 })).type, Type::truncated);
}

TEST (ProtocolParser, OnlyTheExactEightByteStateMessageIsAStateReply)
{
    const auto reply = frame ({ 0x7F, 0x7F });
    EXPECT_TRUE (ProtocolParser::isStateReply (reply.data(), reply.size()));
    EXPECT_EQ (parse (reply).type, Type::ignored);

    const auto longer = frame ({ 0x7F, 0x7F, 0x00 });
    const auto request = frame ({ 0x7F, 0x01 });
    Bytes notSysEx = reply;
    notSysEx[0] = 0x90;

    EXPECT_FALSE (ProtocolParser::isStateReply (longer.data(), longer.size()));
    EXPECT_FALSE (ProtocolParser::isStateReply (request.data(), request.size()));
    EXPECT_FALSE (ProtocolParser::isStateReply (notSysEx.data(), notSysEx.size()));
    EXPECT_FALSE (ProtocolParser::isStateReply (reply.data(), 7));
    EXPECT_FALSE (ProtocolParser::isStateReply (nullptr, 8));
}

TEST (ProtocolParser, HeaderBytesAreNotComparedButTheFirstByteMustStartSysEx)
{
    Bytes otherMaker = frame ({ 0x67, 0x1D, 0x7F, 0x7F });
    otherMaker[1] = 0x41;
    otherMaker[4] = 0x10;
    EXPECT_EQ (parse (otherMaker).type, Type::outputLevel);

    EXPECT_EQ (parse ({ 0x90, 0x3C, 0x64 }).type, Type::notSysEx);
    EXPECT_EQ (parse ({ 0xF8 }).type, Type::notSysEx);
}

TEST (ProtocolParser, EverythingThePanelAppliesIsAnAnswerExceptTheRepeatingReadings)
{
    // Whatever the parser applies must not give way in a full queue, save the readings the
    // interface repeats by itself; the state message is only counted, but it answers a request.
    for (int c = 0; c < 256; ++c)
    {
        const auto message = fullMessageFor (static_cast<std::uint8_t> (c));
        const auto type = parse (message).type;
        const auto expected = c == 0x7F || ! (type == Type::ignored || type == Type::levelMeter || type == Type::midiActivity);
        EXPECT_EQ (ProtocolParser::isAnswer (message.data(), message.size()), expected) << "command " << c;
    }

    const auto hiZ = frame ({ 0x40, 0x0B });
    const Bytes noteOn { 0x90, 0x40, 0x0B, 0x00, 0x00, 0x40, 0x0B, 0xF7 };
    EXPECT_TRUE (ProtocolParser::isAnswer (hiZ.data(), 6));     // only the command byte is needed
    EXPECT_FALSE (ProtocolParser::isAnswer (hiZ.data(), 5));
    EXPECT_FALSE (ProtocolParser::isAnswer (noteOn.data(), noteOn.size()));
    EXPECT_FALSE (ProtocolParser::isAnswer (nullptr, 8));
}
