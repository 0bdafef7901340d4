#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>
#include <utility>

/** Index tables and the factory gain matrix of the interface's 4 x 4 mixer.

    Sources 0..3 are "DAW 1", "DAW 2", "In 1", "In 2"; destinations 0..3 are "HP1 L", "HP1 R",
    "Out 1", "Out 2". Levels are dB; -90 is the faders' floor and means off.
*/
constexpr int numMixerSources = 4;
constexpr int numMixerDestinations = 4;

/** The faders' floor: this level and anything below it means off. */
constexpr double mixerFloorDb = -90.0;

/** Names of the sources, indexed by source id; for log and diagnostic texts only. */
extern const char* const sourceID_Name[numMixerSources];

/** Names of the destinations, indexed by destination id; for log and diagnostic texts only. */
extern const char* const destinationID_NameFull[numMixerDestinations];

/** The factory gain matrix, [source][destination] in dB: DAW 1 feeds HP1 L and Out 1, DAW 2 feeds
    HP1 R and Out 2, both at 0 dB; everything else is off.
*/
extern const double _static_default_volume_array[numMixerSources][numMixerDestinations];

/** Writes the factory matrix into a gain matrix. */
void copyFactoryMatrix (double (&matrix)[numMixerSources][numMixerDestinations]) noexcept;

/** A target's destination pair: the first is the left destination. */
using TargetPair = std::pair<int, int>;

/** Target 0 feeds Out 1/Out 2, target 1 HP1 L/HP1 R. */
juce::Array<TargetPair> makeTargetPairs();

//==============================================================================
/** The panel's mirror of the interface's state beyond the mixer matrix.

    Filled from the interface's reports and by the sample-rate handling, read by the settings
    dialog; touched on the message thread only.
*/
struct Talvoz6Mixer
{
    int hwFlags[4] {};              ///< bits 0..3 of the last hardware-flags report, one per int
    int hwFlagExt = 0;              ///< bit 0 of the last extended hardware-flags report
    int hwFlagExtReserved = 0;      ///< always 0, kept beside hwFlagExt
    std::uint8_t midiLedState = 0;  ///< steady state of the two MIDI LEDs (bits 0 and 1)
    std::uint8_t midiLedPulse = 0;  ///< pending blink requests: 0x04/0x08 LED 1, 0x10/0x20 LED 2
    int versionRWA = 0;             ///< three ASCII characters, most significant first; 0 = not reported
    int versionSTC = 0;             ///< as versionRWA
    juce::String serial;
    double sampleRate = 0.0;        ///< Hz
    int usbBuffer = 0;
    int bufferSize = 0;
};

/** The firmware this panel expects: "1", "1", "7" and "1", "0", "f". */
constexpr int expectedVersionRWA = 0x313137;
constexpr int expectedVersionSTC = 0x313066;
