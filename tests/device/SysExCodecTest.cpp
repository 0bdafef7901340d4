#include "device/SysExMessages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
    struct CodecExample
    {
        double dB;
        HwLevel level;
        std::uint8_t b1, b2, b3;
        double stored;
    };

    double roundTrip (double dB)
    {
        const auto bytes = hwLevelBytes (dbToHwLevel (dB));
        return hwLevelToDb (bytes.b1, bytes.b2, bytes.b3);
    }
}

TEST (SysExCodec, KnownLevelsEncodeAndDecodeAsTheInterfaceExpects)
{
    const CodecExample examples[] = {
        {    0.0, 32767, 1, 0x7F, 0x7F,   0.0 },
        {   -0.5, 30934, 1, 0x71, 0x56,  -0.50001 },
        {   -6.0, 16422, 1, 0x00, 0x26,  -6.00021 },
        {  -20.0,  3276, 0, 0x19, 0x4C, -20.00186 },
        {  -60.0,    32, 0, 0x00, 0x20, -60.20573 },
        {  -90.0,     1, 0, 0x00, 0x01, -90.30873 },
        { -100.0,     0, 0, 0x00, 0x00, -90.30873 },
    };

    for (const auto& e : examples)
    {
        SCOPED_TRACE (e.dB);
        EXPECT_EQ (dbToHwLevel (e.dB), e.level);

        const auto bytes = hwLevelBytes (e.level);
        EXPECT_EQ (bytes.b1, e.b1);
        EXPECT_EQ (bytes.b2, e.b2);
        EXPECT_EQ (bytes.b3, e.b3);
        EXPECT_NEAR (hwLevelToDb (bytes.b1, bytes.b2, bytes.b3), e.stored, 0.000005);
    }

    EXPECT_EQ (roundTrip (0.0), 0.0); // exactly, not nearly
}

TEST (SysExCodec, LevelsOutsideTheFaderRangeStayWithinSevenBitBytes)
{
    // Above 0 dB the level would spill into the flag bits; it is held at 0 dB instead.
    for (auto dB : { 0.0001, 0.5, 6.0, 24.0, 1.0e6, std::numeric_limits<double>::infinity() })
    {
        SCOPED_TRACE (dB);
        EXPECT_EQ (dbToHwLevel (dB), hwLevelUnity);
    }

    // Not a number counts as off; minus infinity is off anyway.
    EXPECT_EQ (dbToHwLevel (std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ (dbToHwLevel (-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ (dbToHwLevel (-90.309), 0);

    for (double dB = -120.0; dB <= 30.0; dB += 0.25)
    {
        const auto bytes = hwLevelBytes (dbToHwLevel (dB), sourceLevelMuteFlag);
        ASSERT_LE (bytes.b1, 0x7F) << dB;
        ASSERT_LE (bytes.b2, 0x7F) << dB;
        ASSERT_LE (bytes.b3, 0x7F) << dB;
    }
}

TEST (SysExCodec, DecodingIgnoresFlagBitsAndTreatsTheExtremesAsTheFloor)
{
    const auto floor = 20.0 * std::log10 (1.0 / 32767.0);

    EXPECT_DOUBLE_EQ (hwLevelToDb (0x40 | 0x01, 0x7F, 0x7F), 0.0);    // mute flag above the level bits
    EXPECT_DOUBLE_EQ (hwLevelToDb (0x1D, 0x7F, 0x7F), 0.0);           // output 3, muted
    EXPECT_DOUBLE_EQ (hwLevelToDb (0, 0, 0), floor);
    EXPECT_DOUBLE_EQ (hwLevelToDb (0x03, 0x7F, 0x7F), floor);         // 65535 decodes as 1
    EXPECT_GT (hwLevelToDb (0x02, 0x00, 0x00), 0.0);                  // reported levels may exceed 0 dB

    // Bytes with bit 7 set (never valid on the wire) still decode to a finite level.
    EXPECT_TRUE (std::isfinite (hwLevelToDb (0xFF, 0xFF, 0xFF)));
}

TEST (SysExCodec, EveryStoredLevelIsAFixedPointOfTheCodec)
{
    // Storing what was sent means a resend must send the same bytes again.
    for (double dB = -95.0; dB <= 0.0; dB += 0.5)
    {
        const auto stored = roundTrip (dB);
        EXPECT_EQ (dbToHwLevel (stored), std::max<HwLevel> (1, dbToHwLevel (dB))) << dB;
    }
}

TEST (SysExFrames, MessagesHaveTheInterfaceFrameAndLength)
{
    const auto expectBytes = [] (const juce::MidiMessage& m, std::vector<int> expected)
    {
        std::vector<int> actual (m.getRawData(), m.getRawData() + m.getRawDataSize());
        EXPECT_EQ (actual, expected);
    };

    expectBytes (SysExMessages::stateRequest(),        { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x7F, 0x01, 0xF7 });
    expectBytes (SysExMessages::serialNumberRequest(), { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 0xF7 });
    expectBytes (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionRWA),
                 { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x7A, 0x00, 0xF7 });
    expectBytes (SysExMessages::sourceLevel (3, 3, hwLevelBytes (1, sourceLevelMuteFlag)),
                 { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x1B, 0x40, 0x00, 0x01, 0xF7 });
    expectBytes (SysExMessages::outputLevel (hwLevelBytes (hwLevelUnity, outputLevelFlags (3, true))),
                 { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x67, 0x1D, 0x7F, 0x7F, 0xF7 });

    EXPECT_TRUE (SysExMessages::stateRequest().isSysEx());
}

TEST (SysExFrames, AFrameLongerThanAnyThePanelSendsIsStillWhole)
{
    // Past the builder's stack buffer: release builds have no assertion to stop an overrun there.
    const auto m = SysExMessages::frame (0x78, { 'T', 'Z', '3', 'A', '0', '0', '0', '0', '0', '0', '0', '1', 0xC2 });

    const std::vector<int> expected { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 'T', 'Z', '3', 'A',
                                      '0', '0', '0', '0', '0', '0', '0', '1', 0x42, 0xF7 };
    EXPECT_EQ (std::vector<int> (m.getRawData(), m.getRawData() + m.getRawDataSize()), expected);
}

TEST (SysExFrames, SourceLevelCommandsCoverExactlyTheSixteenCells)
{
    int count = 0;
    for (int command = 0; command < 0x80; ++command)
        count += isSourceLevelCommand (static_cast<std::uint8_t> (command)) ? 1 : 0;
    EXPECT_EQ (count, 16);

    for (int s = 0; s < 4; ++s)
        for (int d = 0; d < 4; ++d)
            EXPECT_TRUE (isSourceLevelCommand (sourceLevelCommand (s, d)));

    EXPECT_EQ (sourceLevelCommand (1, 2), 0x11);
    EXPECT_FALSE (isSourceLevelCommand (0x04));
    EXPECT_FALSE (isSourceLevelCommand (0x1C));
}
