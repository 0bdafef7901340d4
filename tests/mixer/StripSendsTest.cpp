#include "mixer/PanText.h"
#include "mixer/StripSends.h"
#include "mixer/TargetSelection.h"

#include <gtest/gtest.h>

#include <cmath>

TEST (StripSends, SelectionOrderStrayTargetsAndSolosDecideWhatGoesOut)
{
    const auto pairs = makeTargetPairs();
    const StripState in { { -20.0, -65.0 }, true, false };

    // Selection order, not target order; a target outside the table writes HP1 L twice; none sends nothing.
    const auto sends = inputStripSends (3, in, { 1, 0, 7 }, pairs);
    ASSERT_EQ (sends.size(), 6u);
    EXPECT_EQ (sends[0], (SourceSend { 3, 0, -20.0, true, false }));
    EXPECT_EQ (sends[3], (SourceSend { 3, 3, -65.0, true, false }));
    EXPECT_TRUE (sends[4].destination == 0 && sends[5].destination == 0);
    EXPECT_TRUE (playbackStripSends (in, {}, pairs, PlaybackSendOrder::muteClick).empty());

    // Both outputs soloed: both sound, even the muted one, in a single pass.
    const OutputStripState out { { { -10.0, -20.0 }, false, true }, pairs[0] };
    const OutputStripState hp { { { 0.0, -45.0 }, true, true }, pairs[1] };
    EXPECT_EQ (outputSoloSends ({ out, hp }), (std::vector<OutputSend> { { 2, -10.0, false }, { 3, -20.0, false }, { 0, 0.0, false }, { 1, -45.0, false } }));
}

TEST (TargetSelection, OptionClicksCopyFromTheLastTargetWithItsFlags)
{
    const auto added = selectTarget ({ 1 }, 0, true);
    EXPECT_EQ (added.selection, (juce::Array<int> { 1, 0 }));
    EXPECT_TRUE (added.copiesMix && added.fromTarget == 1);

    // An empty selection (a damaged restore could leave one) copies from target 0 and is not left empty.
    const auto fromNothing = selectTarget ({}, 1, true);
    EXPECT_EQ (fromNothing.selection, juce::Array<int> { 1 });
    EXPECT_EQ (fromNothing.fromTarget, 0);

    std::uint8_t flags[4] { 1, 0, 1, 1 };
    copyTargetFlags (flags, 0, 1);
    copyTargetFlags (flags, 1, 2);   // no such target
    EXPECT_EQ (std::vector<int> (std::begin (flags), std::end (flags)), (std::vector<int> { 1, 0, 1, 0 }));
}

TEST (PanText, RoundsToOneDecimalHalvesAwayFromZeroAndNamesTheSide)
{
    EXPECT_EQ (panText (0.04), "Pan: Center");
    EXPECT_EQ (panText (0.05), "Pan: 10% Right");
    EXPECT_EQ (panText (-1.0), "Pan: 100% Left");
    EXPECT_EQ (panText (-0.0), "Pan: Center");
    EXPECT_EQ (panText (-0.25), "Pan: 30% Left");
    EXPECT_EQ (panText (std::nan ("")), "Pan: Center");
}
