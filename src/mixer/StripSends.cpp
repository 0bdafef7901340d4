#include "mixer/StripSends.h"

TargetPair targetPairFor (const juce::Array<TargetPair>& targetPairs, int target) noexcept
{
    return juce::isPositiveAndBelow (target, targetPairs.size()) ? targetPairs.getReference (target)
                                                                  : TargetPair { 0, 0 };
}

std::vector<SourceSend> inputStripSends (int source, const StripState& strip,
                                         const juce::Array<int>& selectedTargets,
                                         const juce::Array<TargetPair>& targetPairs)
{
    std::vector<SourceSend> sends;
    sends.reserve (static_cast<size_t> (selectedTargets.size()) * 2);

    for (auto target : selectedTargets)
    {
        const auto pair = targetPairFor (targetPairs, target);
        sends.push_back ({ source, pair.first, strip.levels.left, strip.mute, strip.solo });
        sends.push_back ({ source, pair.second, strip.levels.right, strip.mute, strip.solo });
    }

    return sends;
}

std::vector<SourceSend> playbackStripSends (const StripState& strip,
                                            const juce::Array<int>& selectedTargets,
                                            const juce::Array<TargetPair>& targetPairs,
                                            PlaybackSendOrder order)
{
    constexpr int daw1 = 0, daw2 = 1;

    std::vector<SourceSend> sends;
    sends.reserve (static_cast<size_t> (selectedTargets.size()) * 4);

    for (auto target : selectedTargets)
    {
        const auto pair = targetPairFor (targetPairs, target);
        const SourceSend daw1Left { daw1, pair.first, strip.levels.left, strip.mute, strip.solo };
        const SourceSend daw1Right { daw1, pair.second, mixerFloorDb, strip.mute, strip.solo };
        const SourceSend daw2Left { daw2, pair.first, mixerFloorDb, strip.mute, strip.solo };
        const SourceSend daw2Right { daw2, pair.second, strip.levels.right, strip.mute, strip.solo };

        if (order == PlaybackSendOrder::muteClick)
            sends.insert (sends.end(), { daw1Left, daw2Left, daw2Right, daw1Right });
        else
            sends.insert (sends.end(), { daw1Left, daw1Right, daw2Left, daw2Right });
    }

    return sends;
}

std::vector<OutputSend> outputStripSends (const StripState& strip, TargetPair pair)
{
    return { { pair.first, strip.levels.left, strip.mute },
             { pair.second, strip.levels.right, strip.mute } };
}

std::vector<OutputSend> outputSoloSends (const std::vector<OutputStripState>& strips)
{
    std::vector<OutputSend> sends;
    bool anySolo = false;

    for (const auto& output : strips)
    {
        anySolo = anySolo || output.strip.solo;
        const auto muted = ! output.strip.solo;
        sends.push_back ({ output.pair.first, output.strip.levels.left, muted });
        sends.push_back ({ output.pair.second, output.strip.levels.right, muted });
    }

    if (anySolo)
        return sends;

    for (const auto& output : strips)
    {
        const auto own = outputStripSends (output.strip, output.pair);
        sends.insert (sends.end(), own.begin(), own.end());
    }

    return sends;
}
