#include "mixer/MixerModel.h"
#include "mixer/TalvoSliderOperations.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    /** A fader and a balance slider as the panel configures them. */
    struct Strip
    {
        Strip()
        {
            fader.setRange (-90.0, 0.0, 0.5);
            balance.setRange (-1.0, 1.0, 0.1);
        }

        StereoLevels levels()
        {
            StereoLevels l;
            getLeftRightLevelWithBalance (l.left, l.right, &fader, &balance);
            return l;
        }

        juce::Slider fader, balance;
    };
}

TEST (BalanceLaw, AttenuatesOnlyTheSideAwayFromTheBalance)
{
    juce::Slider balance;
    balance.setRange (-1.0, 1.0, 0.1);
    double left = 1.0, right = 1.0;

    getLeftRightLevelWithBalance (left, right, nullptr, &balance);
    EXPECT_EQ (left, 0.0);
    EXPECT_EQ (right, 0.0);

    balance.setValue (1.0);
    getLeftRightLevelWithBalance (left, right, nullptr, &balance);
    EXPECT_EQ (left, -90.0);
    EXPECT_EQ (right, 0.0);

    balance.setValue (-0.5);
    getLeftRightLevelWithBalance (left, right, nullptr, &balance);
    EXPECT_EQ (left, 0.0);
    EXPECT_EQ (right, -45.0);

    const auto halfRight = balanceLaw (0.0, -90.0, 0.5);
    EXPECT_EQ (halfRight.left, -45.0);
    EXPECT_EQ (halfRight.right, 0.0);

    // Full right floors the left side whatever the fader says.
    EXPECT_EQ (balanceLaw (-12.0, -90.0, 1.0).left, -90.0);
}

TEST (BalanceLaw, AFaderAtTheFloorGivesTheFloorOnBothSides)
{
    for (double b = -1.0; b <= 1.0001; b += 0.1)
    {
        const auto l = balanceLaw (-90.0, -90.0, b);
        EXPECT_EQ (l.left, -90.0) << b;
        EXPECT_EQ (l.right, -90.0) << b;
    }
}

TEST (BalanceLaw, InverseSetsFaderAndBalanceThatGiveTheLevelsBack)
{
    Strip strip;

    levelsToFaderAndBalance (-20.0, -65.0, &strip.fader, &strip.balance);
    EXPECT_EQ (strip.fader.getValue(), -20.0);
    EXPECT_NEAR (strip.balance.getValue(), -0.5, 1e-12);
    EXPECT_NEAR (strip.levels().left, -20.0, 1e-9);
    EXPECT_NEAR (strip.levels().right, -65.0, 1e-9);

    levelsToFaderAndBalance (0.0, -90.0, &strip.fader, &strip.balance);
    EXPECT_EQ (strip.fader.getValue(), 0.0);
    EXPECT_EQ (strip.balance.getValue(), -1.0);

    levelsToFaderAndBalance (-90.0, -90.0, &strip.fader, &strip.balance);
    EXPECT_EQ (strip.fader.getValue(), -90.0);
    EXPECT_EQ (strip.balance.getValue(), 0.0);

    levelsToFaderAndBalance (-3.0, -3.0, &strip.fader, &strip.balance);
    EXPECT_EQ (strip.fader.getValue(), -3.0);
    EXPECT_EQ (strip.balance.getValue(), 0.0);

    // The stored floor (-90.3 dB) counts as off.
    levelsToFaderAndBalance (0.0, -90.30873, &strip.fader, &strip.balance);
    EXPECT_EQ (strip.fader.getValue(), 0.0);
    EXPECT_EQ (strip.balance.getValue(), -1.0);

    levelsToFaderAndBalance (-90.30873, -10.0, &strip.fader, &strip.balance);
    EXPECT_EQ (strip.fader.getValue(), -10.0);
    EXPECT_EQ (strip.balance.getValue(), 1.0);
}

TEST (BalanceLaw, InverseRoundTripsEveryPairOnTheSliderGrid)
{
    // Law -> inverse -> law must reproduce the levels for every fader step and balance step.
    Strip strip;

    for (double v = -89.5; v <= 0.0; v += 0.5)
    {
        for (int step = -10; step <= 10; ++step)
        {
            const auto b = step / 10.0;
            const auto original = balanceLaw (v, -90.0, b);

            levelsToFaderAndBalance (original.left, original.right, &strip.fader, &strip.balance);
            const auto back = strip.levels();

            ASSERT_NEAR (back.left, original.left, 1e-9) << v << " " << b;
            ASSERT_NEAR (back.right, original.right, 1e-9) << v << " " << b;
        }
    }
}

TEST (BalanceLaw, InverseToleratesMissingSliders)
{
    juce::Slider balance;
    balance.setRange (-1.0, 1.0, 0.1);

    levelsToFaderAndBalance (-10.0, 0.0, nullptr, &balance);
    EXPECT_NEAR (balance.getValue(), 0.1, 1e-12); // 10/90 to the right, on the 0.1 grid

    levelsToFaderAndBalance (-10.0, 0.0, nullptr, nullptr); // no crash, nothing to set
}

TEST (MixerModel, FactoryMatrixFeedsThePlaybackChannelsToBothPairs)
{
    int unity = 0;
    for (int s = 0; s < numMixerSources; ++s)
        for (int d = 0; d < numMixerDestinations; ++d)
        {
            const auto level = _static_default_volume_array[s][d];
            EXPECT_TRUE (level == 0.0 || level == -90.0);
            unity += level == 0.0 ? 1 : 0;
        }

    EXPECT_EQ (unity, 4);
    EXPECT_EQ (_static_default_volume_array[0][0], 0.0); // DAW 1 -> HP1 L
    EXPECT_EQ (_static_default_volume_array[0][2], 0.0); // DAW 1 -> Out 1
    EXPECT_EQ (_static_default_volume_array[1][1], 0.0); // DAW 2 -> HP1 R
    EXPECT_EQ (_static_default_volume_array[1][3], 0.0); // DAW 2 -> Out 2

    const auto pairs = makeTargetPairs();
    EXPECT_EQ (pairs[0], TargetPair (2, 3));
    EXPECT_EQ (pairs[1], TargetPair (0, 1));
    EXPECT_EQ (pairs[2], TargetPair (0, 0)); // outside the table

    EXPECT_STREQ (sourceID_Name[2], "In 1");
    EXPECT_STREQ (destinationID_NameFull[3], "Out 2");
}
