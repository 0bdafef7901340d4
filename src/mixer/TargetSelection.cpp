#include "mixer/TargetSelection.h"

TargetSelectionChange selectTarget (const juce::Array<int>& selected, int target, bool optionDown)
{
    TargetSelectionChange change;

    if (! optionDown)
    {
        change.selection = { target };
        return change;
    }

    change.selection = selected;
    if (selected.contains (target))
        return change;

    change.copiesMix = true;
    change.fromTarget = selected.isEmpty() ? 0 : selected.getLast();
    change.selection.add (target);
    return change;
}

void copyTargetMix (double (&volumes)[numMixerSources][numMixerDestinations],
                    bool (&mutes)[numMixerSources][numMixerDestinations],
                    TargetPair from, TargetPair to) noexcept
{
    const auto valid = [] (int destination) { return juce::isPositiveAndBelow (destination, numMixerDestinations); };
    if (! (valid (from.first) && valid (from.second) && valid (to.first) && valid (to.second)))
        return;

    for (int source = 0; source < numMixerSources; ++source)
    {
        volumes[source][to.first] = volumes[source][from.first];
        volumes[source][to.second] = volumes[source][from.second];
        mutes[source][to.first] = mutes[source][from.first];
        mutes[source][to.second] = mutes[source][from.second];
    }
}
