#include "widgets/TalvoMiniMixerComponentz3.h"
#include "widgets/WidgetTestHelpers.h"

#include <gtest/gtest.h>

using WidgetTestHelpers::Canvas;

namespace
{
// [source][destination]; sources DAW 1, DAW 2, In 1, In 2; destinations HP1 L, HP1 R, Out 1, Out 2.
struct Matrix
{
    double m[4][4] = { { 0.0, -90.0, 0.0, -90.0 },
                       { -90.0, 0.0, -90.0, 0.0 },
                       { -90.0, -90.0, -90.0, -90.0 },
                       { -90.0, -90.0, -90.0, -90.0 } };
};

bool isOrange (juce::Colour c) { return c.getRed() > 200 && c.getGreen() > 120 && c.getGreen() < 200 && c.getBlue() < 60; }
bool isGrey (juce::Colour c)   { return c.getAlpha() == 255 && c.getRed() == c.getGreen() && c.getRed() == c.getBlue() && c.getRed() > 150; }
} // namespace

TEST (TalvoMiniMixerComponentz3, StartsAtTheFloorWithItsThreeStrips)
{
    TalvoMiniMixerComponentz3 mini;
    ASSERT_EQ (mini.strips.size(), 3);
    EXPECT_EQ (mini.strips[2].label1, "PB");
    EXPECT_EQ (mini.strips[2].label2, "12");
    EXPECT_FLOAT_EQ (mini.strips[1].tickX, 34.0f);
    EXPECT_FLOAT_EQ (mini.labelFont.getHeight(), 8.0f); // built before it had a size

    for (auto v : mini.stripValues)
        EXPECT_DOUBLE_EQ (v, -90.0);
}

TEST (TalvoMiniMixerComponentz3, EachOutputPairShowsTheLoudestFeedOfEachSource)
{
    Matrix factory;
    TalvoMiniMixerComponentz3 out, hp;
    out.setMiniMixerSliderValues (factory.m, 2, 3);
    hp.setMiniMixerSliderValues (factory.m, 0, 1);

    for (auto* mini : { &out, &hp })
    {
        EXPECT_DOUBLE_EQ (mini->stripValues[0], -90.0);
        EXPECT_DOUBLE_EQ (mini->stripValues[2], -90.0);
        EXPECT_DOUBLE_EQ (mini->stripValues[4], 0.0);
        EXPECT_DOUBLE_EQ (mini->stripValues[5], 0.0);
        EXPECT_DOUBLE_EQ (mini->stripValues[6], -90.0);
    }

    // Input 1 at -6 dB to Out 2 only.
    Matrix m;
    m.m[2][3] = -6.0;
    out.setMiniMixerSliderValues (m.m, 2, 3);
    hp.setMiniMixerSliderValues (m.m, 0, 1);
    EXPECT_DOUBLE_EQ (out.stripValues[0], -6.0);
    EXPECT_DOUBLE_EQ (out.stripValues[1], -6.0);
    EXPECT_DOUBLE_EQ (hp.stripValues[0], -90.0);

    // Playback 1 to the right side only is not shown; values below the floor are raised.
    Matrix p;
    p.m[0][2] = -100.0;
    p.m[1][2] = -100.0;
    p.m[0][3] = 0.0;
    p.m[1][3] = -120.0;
    p.m[3][2] = -200.0;
    out.setMiniMixerSliderValues (p.m, 2, 3);
    EXPECT_DOUBLE_EQ (out.stripValues[4], -90.0);
    EXPECT_DOUBLE_EQ (out.stripValues[2], -90.0);
}

TEST (TalvoMiniMixerComponentz3, BadArgumentsChangeNothing)
{
    Matrix m;
    m.m[2][2] = -3.0;
    TalvoMiniMixerComponentz3 mini;
    mini.setMiniMixerSliderValues (nullptr, 2, 3);
    mini.setMiniMixerSliderValues (m.m, 4, 3);
    mini.setMiniMixerSliderValues (m.m, 2, -1);
    EXPECT_DOUBLE_EQ (mini.stripValues[0], -90.0);
}

TEST (TalvoMiniMixerComponentz3, LabelHeightAndLevelPositionFollowTheWidth)
{
    EXPECT_FLOAT_EQ (TalvoMiniMixerComponentz3::labelHeightForScale (46.0f / 92.0f), 9.0f);
    EXPECT_FLOAT_EQ (TalvoMiniMixerComponentz3::labelHeightForScale (0.59f), 9.0f);
    EXPECT_FLOAT_EQ (TalvoMiniMixerComponentz3::labelHeightForScale (60.0f / 92.0f), 10.0f);
    EXPECT_FLOAT_EQ (TalvoMiniMixerComponentz3::labelHeightForScale (0.7f), 10.0f);
    EXPECT_FLOAT_EQ (TalvoMiniMixerComponentz3::labelHeightForScale (69.0f / 92.0f), 11.0f);
    EXPECT_FLOAT_EQ (TalvoMiniMixerComponentz3::labelHeightForScale (1.0f), 11.0f);

    TalvoMiniMixerComponentz3 mini;
    EXPECT_FLOAT_EQ (mini.levelY (-90.0, 1.0f), 66.0f);
    EXPECT_FLOAT_EQ (mini.levelY (0.0, 1.0f), 2.0f);
    EXPECT_FLOAT_EQ (mini.levelY (-45.0, 1.0f), 34.0f);
    EXPECT_FLOAT_EQ (mini.levelY (-45.0, 0.5f), 17.0f);
    EXPECT_LT (mini.levelY (6.0, 1.0f), 2.0f); // above 0 dB is not limited

    mini.minimumDb = 0.0; // no scale left: the floor, not a division by zero
    EXPECT_FLOAT_EQ (mini.levelY (-45.0, 1.0f), 66.0f);
}

TEST (TalvoMiniMixerComponentz3, PaintsTrackLevelLineAndTickRow)
{
    Matrix m;
    m.m[2][2] = -45.0;
    TalvoMiniMixerComponentz3 mini;
    mini.setBounds (0, 0, 92, 94);
    mini.setMiniMixerSliderValues (m.m, 2, 3);

    Canvas c (92, 94);
    mini.paint (c.g);
    const auto& image = c.image;

    // Strip 0: tick at y 34 from x 2 to 22, 4 wide; orange line from y 34 down to 66 at x 12.
    EXPECT_TRUE (isOrange (image.getPixelAt (4, 33)));
    EXPECT_TRUE (isOrange (image.getPixelAt (20, 34)));
    EXPECT_FALSE (isOrange (image.getPixelAt (4, 30)));
    EXPECT_FALSE (isOrange (image.getPixelAt (4, 38)));
    EXPECT_TRUE (image.getPixelAt (24, 34).isTransparent());
    EXPECT_TRUE (isOrange (image.getPixelAt (12, 50)));
    EXPECT_TRUE (isGrey (image.getPixelAt (12, 20)));   // the track above the level
    EXPECT_TRUE (image.getPixelAt (12, 67).isTransparent()); // butt ends: nothing below 66

    // Strip 1 at the floor: the tick lies on the track's bottom, y 66 (rows 64 to 67).
    EXPECT_TRUE (isOrange (image.getPixelAt (40, 65)));
    EXPECT_TRUE (isGrey (image.getPixelAt (44, 30)));

    // Strip 2 (factory playback at 0 dB): tick at y 2, the line covers the whole track.
    EXPECT_TRUE (isOrange (image.getPixelAt (70, 2)));
    EXPECT_TRUE (isOrange (image.getPixelAt (76, 30)));

    // Labels are orange and sit below the tracks.
    bool labelPainted = false;

    for (int y = 68; y < 94; ++y)
        for (int x = 9; x < 23; ++x)
            labelPainted = labelPainted || isOrange (image.getPixelAt (x, y));

    EXPECT_TRUE (labelPainted);
}

TEST (TalvoMiniMixerComponentz3, LabelsAreWholeOnTheSmallestPanel)
{
    // The smallest panel gives the mini mixer 47 pixels: "PB" and "12" at 9 px overrun their
    // 7-pixel boxes, and were once cut to "P" and "1".
    TalvoMiniMixerComponentz3 mini;
    mini.setBounds (0, 0, 47, 47);
    Matrix factory;
    mini.setMiniMixerSliderValues (factory.m, 2, 3); // strip 2 at 0 dB: its tick stays at the top

    Canvas c (47, 47);
    mini.paint (c.g);

    // Strip 2's labels start at x 36; their second characters lie right of x 41.
    int secondCharacterInk = 0;

    for (int y = 36; y < 47; ++y)
        for (int x = 41; x < 46; ++x)
            secondCharacterInk += isOrange (c.image.getPixelAt (x, y)) ? 1 : 0;

    EXPECT_GT (secondCharacterInk, 4);

    const auto font = mini.labelFont.withHeight (9.0f);
    EXPECT_EQ (TalvoMiniMixerComponentz3::labelBoxWidth (font, "A", 1.0f), 14);
    EXPECT_GE ((float) TalvoMiniMixerComponentz3::labelBoxWidth (font, "PB", 0.5f), font.getStringWidthFloat ("PB"));
}
