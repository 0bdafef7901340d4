#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

/** The interface's System Exclusive protocol: frame layout, command bytes and the level codec.

    Pure code: no framework types, callable from any thread.

    Every message, in both directions, is F0 00 5E 17 34 <command> <data...> F7.
*/
namespace SysEx
{
    /** Offsets and fixed bytes of a frame. */
    constexpr std::uint8_t start = 0xF0;
    constexpr std::uint8_t end = 0xF7;
    constexpr std::array<std::uint8_t, 3> manufacturerId { 0x00, 0x5E, 0x17 };
    constexpr std::uint8_t deviceModelId = 0x34;

    constexpr std::size_t commandOffset = 5;
    constexpr std::size_t dataOffset = 6;

    /** Length of a frame with no data byte (F0 .. command F7). */
    constexpr std::size_t emptyFrameLength = 7;
    constexpr std::size_t oneByteFrameLength = 8;
    constexpr std::size_t levelFrameLength = 10;

    constexpr int numSources = 4;
    constexpr int numDestinations = 4;
}

/** Command bytes of the protocol ("host" is the panel, "device" the interface). */
enum class SysExCommand : std::uint8_t
{
    sourceLevel          = 0x00, ///< 0x00-0x1B: (destination << 3) | source, both directions
    inputConfig1         = 0x40,
    inputConfig2         = 0x41,
    monitoringLevel      = 0x50, ///< 0x50-0x53, device to host, ignored
    midiActivity         = 0x60,
    routingAndPhaseMode  = 0x62,
    hardwareFlags        = 0x64,
    hardwareFlagsExt     = 0x65,
    outputLevel          = 0x67,
    midiButton           = 0x68,
    resetMonitoring      = 0x69,
    hwControlLock        = 0x6A,
    levelMeter           = 0x70,
    serialNumber         = 0x78,
    firmwareVersionSTC   = 0x79,
    firmwareVersionRWA   = 0x7A,
    mixKnob              = 0x7B,
    resetFactoryDefaults = 0x7C,
    resetBegin           = 0x7D,
    stateRequest         = 0x7F
};

/** The command byte of a source-to-destination gain: (destination << 3) | source. */
constexpr std::uint8_t sourceLevelCommand (int source, int destination) noexcept
{
    return static_cast<std::uint8_t> (((destination & 0x03) << 3) | (source & 0x03));
}

/** True for the sixteen command bytes 0x00-0x03, 0x08-0x0B, 0x10-0x13, 0x18-0x1B. */
constexpr bool isSourceLevelCommand (std::uint8_t command) noexcept
{
    return command <= 0x1B && (command & 0x04) == 0;
}

//==============================================================================
/** The interface's 16-bit linear level: 32767 is 0 dB, 1 is about -90.3 dB. */
using HwLevel = std::uint16_t;

constexpr HwLevel hwLevelUnity = 32767;

/** dB to the interface's linear level, truncated toward zero.

    Levels above 0 dB are limited to 0 dB so that the level always fits the two level bits of the
    first data byte; a level that is not a number counts as the floor and gives 0.
*/
HwLevel dbToHwLevel (double dB) noexcept;

/** Decodes three data bytes to dB. The flag bits of b1 (bit 2 and up) fall outside the 16 bits;
    0 and 65535 decode as 1, so the lowest level is -90.30873 dB.
*/
double hwLevelToDb (std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) noexcept;

/** The three data bytes of one level, with flag bits OR-ed into the first. */
struct HwLevelBytes
{
    std::uint8_t b1 = 0, b2 = 0, b3 = 0;
};

/** Packs a level: b1 = bits 14-15 of level | flagBits, b2 = bits 7-13, b3 = bits 0-6. */
constexpr HwLevelBytes hwLevelBytes (HwLevel level, std::uint8_t flagBits = 0) noexcept
{
    return { static_cast<std::uint8_t> (((level >> 14) & 0x03) | flagBits),
             static_cast<std::uint8_t> ((level >> 7) & 0x7F),
             static_cast<std::uint8_t> (level & 0x7F) };
}

/** Mute flag of a source-level message's first data byte. */
constexpr std::uint8_t sourceLevelMuteFlag = 0x40;

/** Flag bits of an output-level message's first data byte: (output << 3) | (mute ? 0x04 : 0). */
constexpr std::uint8_t outputLevelFlags (int output, bool mute) noexcept
{
    return static_cast<std::uint8_t> (((output << 3) & 0xFF) | (mute ? 0x04 : 0));
}
