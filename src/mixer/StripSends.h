#pragma once

#include "mixer/MixerModel.h"
#include "mixer/TalvoSliderOperations.h"

#include <vector>

/** The messages a channel strip sends, worked out from what its controls hold. Pure code: the
    panel's strip handlers read the controls, call these and hand each entry to the senders in
    the order given. Any thread.

    A strip is always resent whole: every destination of every selected target (input and
    playback strips) or both outputs of the strip's own pair (output strips).
*/

/** What a strip's controls hold at the moment of sending: the levels from its fader and
    pan/balance slider (the balance law), and the toggle states of its mute and solo buttons.
*/
struct StripState
{
    StereoLevels levels;
    bool mute = false;
    bool solo = false;
};

/** One gain of a source into a destination (sendVolumeFromInputToSelectedOutputs). */
struct SourceSend
{
    int source = 0;
    int destination = 0;
    double dB = mixerFloorDb;
    bool mute = false;
    bool solo = false;

    bool operator== (const SourceSend& other) const noexcept
    {
        return source == other.source && destination == other.destination && dB == other.dB
            && mute == other.mute && solo == other.solo;
    }
};

/** The level and mute of one output (sendOutputVolume). */
struct OutputSend
{
    int output = 0;
    double dB = 0.0;
    bool mute = false;

    bool operator== (const OutputSend& other) const noexcept
    {
        return output == other.output && dB == other.dB && mute == other.mute;
    }
};

/** The destination pair of a target; a target outside the table gives the pair (0, 0). */
TargetPair targetPairFor (const juce::Array<TargetPair>& targetPairs, int target) noexcept;

/** A mono input strip: the source feeds the left destination of each selected target with the
    left level and the right one with the right level, target by target in selection order.
*/
std::vector<SourceSend> inputStripSends (int source, const StripState& strip,
                                         const juce::Array<int>& selectedTargets,
                                         const juce::Array<TargetPair>& targetPairs);

/** The two orders in which the playback strip sends its four gains per target. */
enum class PlaybackSendOrder
{
    faderOrBalance, ///< DAW 1 left, DAW 1 right, DAW 2 left, DAW 2 right
    muteClick       ///< DAW 1 left, DAW 2 left, DAW 2 right, DAW 1 right
};

/** The playback strip: "DAW 1" feeds only the left destination of each selected target and
    "DAW 2" only the right one; the crossed gains are sent at the floor.
*/
std::vector<SourceSend> playbackStripSends (const StripState& strip,
                                            const juce::Array<int>& selectedTargets,
                                            const juce::Array<TargetPair>& targetPairs,
                                            PlaybackSendOrder order);

/** An output strip: its pair's left and right output with the strip's own mute; solo plays no
    part here.
*/
std::vector<OutputSend> outputStripSends (const StripState& strip, TargetPair pair);

/** One output strip as the output solo sees it. */
struct OutputStripState
{
    StripState strip;
    TargetPair pair;
};

/** The output solo over all output strips, in strip order. With a solo on, every soloed strip is
    sent unmuted and every other one muted, whatever their mute buttons say. With no solo on,
    every strip is first sent muted and then resent with its own mute state.
*/
std::vector<OutputSend> outputSoloSends (const std::vector<OutputStripState>& strips);
