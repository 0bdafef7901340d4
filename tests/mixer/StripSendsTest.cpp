#include "mixer/PanText.h"
#include "mixer/StripSends.h"
#include "mixer/TargetSelection.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    const juce::Array<TargetPair> pairs = makeTargetPairs();

    StripState strip (double left, double right, bool mute = false, bool solo = false)
    {
        return { { left, right }, mute, solo };
    }
}

TEST (StripSends, InputAndPlaybackStripsFeedEverySelectedTargetInSelectionOrder)
{
    // HP1 first, then Out 1/2: the selection order, not the target order.
    const auto in2 = inputStripSends (3, strip (-20.0, -65.0, true, false), { 1, 0 }, pairs);
    EXPECT_EQ (in2, (std::vector<SourceSend> { { 3, 0, -20.0, true, false }, { 3, 1, -65.0, true, false },
                                               { 3, 2, -20.0, true, false }, { 3, 3, -65.0, true, false } }));

    // The playback strip's two orders differ only in where the crossed gains go.
    const auto state = strip (-6.0, -51.0, false, true);
    const auto moved = playbackStripSends (state, { 0 }, pairs, PlaybackSendOrder::faderOrBalance);
    EXPECT_EQ (moved, (std::vector<SourceSend> { { 0, 2, -6.0, false, true }, { 0, 3, -90.0, false, true },
                                                 { 1, 2, -90.0, false, true }, { 1, 3, -51.0, false, true } }));
    const auto muted = playbackStripSends (state, { 0 }, pairs, PlaybackSendOrder::muteClick);
    EXPECT_EQ (muted, (std::vector<SourceSend> { moved[0], moved[2], moved[3], moved[1] }));

    // No target selected: nothing to send. A target outside the table writes to HP1 L twice.
    EXPECT_TRUE (inputStripSends (2, strip (0.0, 0.0), {}, pairs).empty());
    EXPECT_TRUE (playbackStripSends (state, {}, pairs, PlaybackSendOrder::muteClick).empty());
    const auto stray = inputStripSends (2, strip (-1.0, -2.0), { 7 }, pairs);
    ASSERT_EQ (stray.size(), 2u);
    EXPECT_EQ (stray[0].destination, 0);
    EXPECT_EQ (stray[1].destination, 0);
    EXPECT_EQ (targetPairFor (pairs, -1), (TargetPair { 0, 0 }));
    EXPECT_EQ (targetPairFor ({}, 0), (TargetPair { 0, 0 }));
}

TEST (StripSends, OutputSoloOverridesTheMuteButtonsOrResendsTwiceWithoutASolo)
{
    const OutputStripState out { strip (-10.0, -20.0, false, false), pairs[0] };
    const OutputStripState hp { strip (0.0, -45.0, true, false), pairs[1] };

    // An output strip's own send knows nothing of solo.
    auto soloedOut = out;
    soloedOut.strip.solo = true;
    EXPECT_EQ (outputStripSends (soloedOut.strip, soloedOut.pair),
               (std::vector<OutputSend> { { 2, -10.0, false }, { 3, -20.0, false } }));

    // The soloed strip sounds, the muted-by-solo one is muted: one pass only.
    EXPECT_EQ (outputSoloSends ({ soloedOut, hp }),
               (std::vector<OutputSend> { { 2, -10.0, false }, { 3, -20.0, false }, { 0, 0.0, true }, { 1, -45.0, true } }));

    // A soloed strip is unmuted even when its mute button is on; two solos both sound.
    auto soloedHp = hp;
    soloedHp.strip.solo = true;
    for (const auto& send : outputSoloSends ({ soloedOut, soloedHp }))
        EXPECT_FALSE (send.mute) << send.output;
    EXPECT_EQ (outputSoloSends ({ soloedOut, soloedHp }).size(), 4u);

    // No solo: all muted, then each with its own mute button.
    EXPECT_EQ (outputSoloSends ({ out, hp }),
               (std::vector<OutputSend> { { 2, -10.0, true }, { 3, -20.0, true }, { 0, 0.0, true }, { 1, -45.0, true },
                                          { 2, -10.0, false }, { 3, -20.0, false }, { 0, 0.0, true }, { 1, -45.0, true } }));
    EXPECT_TRUE (outputSoloSends ({}).empty());
}

TEST (TargetSelection, PlainClicksSelectOneTargetAndOptionClicksAddACopy)
{
    const auto plain = selectTarget ({ 0, 1 }, 1, false);
    EXPECT_EQ (plain.selection, juce::Array<int> { 1 });
    EXPECT_FALSE (plain.copiesMix);

    const auto added = selectTarget ({ 1 }, 0, true);
    EXPECT_EQ (added.selection, (juce::Array<int> { 1, 0 }));
    EXPECT_TRUE (added.copiesMix);
    EXPECT_EQ (added.fromTarget, 1);

    const auto again = selectTarget ({ 0, 1 }, 0, true);
    EXPECT_EQ (again.selection, (juce::Array<int> { 0, 1 }));
    EXPECT_FALSE (again.copiesMix);

    // An empty selection (never left by a click, but possible after a damaged restore) copies from target 0.
    const auto fromNothing = selectTarget ({}, 1, true);
    EXPECT_EQ (fromNothing.selection, juce::Array<int> { 1 });
    EXPECT_EQ (fromNothing.fromTarget, 0);
}

TEST (TargetSelection, TheCopyTakesEverySourcesLeftAndRightAndItsFlags)
{
    double volumes[4][4];
    bool mutes[4][4] {};
    copyFactoryMatrix (volumes);
    volumes[2][2] = -12.0;
    volumes[3][3] = -30.0;
    mutes[2][3] = true;

    copyTargetMix (volumes, mutes, pairs[0], pairs[1]);
    for (int s = 0; s < 4; ++s)
    {
        EXPECT_EQ (volumes[s][0], volumes[s][2]) << s;
        EXPECT_EQ (volumes[s][1], volumes[s][3]) << s;
        EXPECT_EQ (mutes[s][0], mutes[s][2]) << s;
        EXPECT_EQ (mutes[s][1], mutes[s][3]) << s;
    }
    EXPECT_TRUE (mutes[2][1]);

    // A pair with a destination outside the matrix changes nothing.
    volumes[0][0] = -3.0;
    copyTargetMix (volumes, mutes, { 2, 3 }, { 0, 4 });
    EXPECT_EQ (volumes[0][0], -3.0);

    std::uint8_t flags[4] { 1, 0, 1, 1 };
    copyTargetFlags (flags, 0, 1);
    EXPECT_EQ (flags[2], 1);
    EXPECT_EQ (flags[3], 0);
    copyTargetFlags (flags, 1, 2);   // no such target
    EXPECT_EQ (flags[0], 1);
}

TEST (PanText, RoundsToOneDecimalAndNamesTheSide)
{
    EXPECT_EQ (panText (0.04), "Pan: Center");
    EXPECT_EQ (panText (0.05), "Pan: 10% Right");
    EXPECT_EQ (panText (-1.0), "Pan: 100% Left");
    EXPECT_EQ (panText (-0.0), "Pan: Center");
    EXPECT_EQ (panText (0.3), "Pan: 30% Right");
    EXPECT_EQ (panText (-0.25), "Pan: 30% Left");      // halves away from zero
    EXPECT_EQ (panText (0.7000000000000002), "Pan: 70% Right");
    EXPECT_EQ (panText (std::nan ("")), "Pan: Center");
}
