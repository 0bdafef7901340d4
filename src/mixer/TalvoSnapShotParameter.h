#pragma once

#include "mixer/MixerModel.h"

#include <juce_core/juce_core.h>

/** The contents of one snapshot slot: what its file holds and what a recall applies.

    Levels are dB, [source][destination] and per destination, as in the panel's mixer arrays. The
    snapshot dialog fills the name and description and writes the record to its file.
*/
struct TalvoSnapShotParameter
{
    juce::File LastFile;                                       ///< the slot's snapshot file
    bool Phase[2] {};                                          ///< the two phase toggles
    bool Target[2] {};                                         ///< target 0 / target 1 selected
    double vol[numMixerSources][numMixerDestinations] {};
    bool mute[numMixerSources][numMixerDestinations] {};
    double volOut[numMixerDestinations] {};
    bool muteOut[numMixerDestinations] {};
    juce::String Name;                                         ///< also the recall button's text
    juce::String Description;
};
