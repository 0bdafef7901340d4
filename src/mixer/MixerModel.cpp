#include "mixer/MixerModel.h"

const char* const sourceID_Name[numMixerSources] = { "DAW 1", "DAW 2", "In 1", "In 2" };

const char* const destinationID_NameFull[numMixerDestinations] = { "HP1 L", "HP1 R", "Out 1", "Out 2" };

const double _static_default_volume_array[numMixerSources][numMixerDestinations] = {
    {   0.0, -90.0,   0.0, -90.0 },
    { -90.0,   0.0, -90.0,   0.0 },
    { -90.0, -90.0, -90.0, -90.0 },
    { -90.0, -90.0, -90.0, -90.0 }
};

void copyFactoryMatrix (double (&matrix)[numMixerSources][numMixerDestinations]) noexcept
{
    for (int source = 0; source < numMixerSources; ++source)
        for (int destination = 0; destination < numMixerDestinations; ++destination)
            matrix[source][destination] = _static_default_volume_array[source][destination];
}

juce::Array<TargetPair> makeTargetPairs()
{
    return { TargetPair { 2, 3 }, TargetPair { 0, 1 } };
}
