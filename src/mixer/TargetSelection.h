#pragma once

#include "mixer/MixerModel.h"

/** Choosing the targets (output pairs) that the input and playback strips feed. Pure code, any
    thread.

    A plain click on a target selects it alone. An Option-click adds a target that is not yet
    selected, and the new target starts as a copy of the last selected target's mix; an
    Option-click on a selected target changes nothing. The selection is never left empty.
*/
struct TargetSelectionChange
{
    juce::Array<int> selection;   ///< the targets selected afterwards, in selection order
    bool copiesMix = false;       ///< whether the mix of fromTarget is copied to the new target
    int fromTarget = 0;           ///< the last target selected before an Option-click (0 when none)
};

/** What a click on `target` does to `selected`; optionDown is the Option key at that click. */
TargetSelectionChange selectTarget (const juce::Array<int>& selected, int target, bool optionDown);

/** Copies every source's gains and mutes from one destination pair to another, left to left and
    right to right. Pairs hold destination ids 0..3; another id leaves the matrices untouched.
*/
void copyTargetMix (double (&volumes)[numMixerSources][numMixerDestinations],
                    bool (&mutes)[numMixerSources][numMixerDestinations],
                    TargetPair from, TargetPair to) noexcept;

/** Every target carries two flags of its own, kept in one byte array (target t at 2t and 2t + 1);
    an Option-click copies them to the new target with the mix. Targets outside the array are
    left alone.
*/
constexpr int flagsPerTarget = 2;

template <size_t numFlags>
void copyTargetFlags (std::uint8_t (&flags)[numFlags], int fromTarget, int toTarget) noexcept
{
    constexpr auto numTargets = static_cast<int> (numFlags) / flagsPerTarget;
    if (! juce::isPositiveAndBelow (fromTarget, numTargets) || ! juce::isPositiveAndBelow (toTarget, numTargets))
        return;

    for (int k = 0; k < flagsPerTarget; ++k)
        flags[toTarget * flagsPerTarget + k] = flags[fromTarget * flagsPerTarget + k];
}
