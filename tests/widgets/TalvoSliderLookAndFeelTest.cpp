#include "widgets/SliderLookAndFeel2.h"
#include "widgets/Talvoz6Sliders.h"
#include "widgets/WidgetTestHelpers.h"

#include <gtest/gtest.h>

using WidgetTestHelpers::Canvas;
using WidgetTestHelpers::paintedBounds;
using WidgetTestHelpers::Panel;
using WidgetTestHelpers::solidKnob;

TEST (TalvoSliders, HaveTheirFixedStyleAndNoTextBox)
{
    TalvoVSlider v;
    TalvoHSlider h;
    EXPECT_EQ (v.getSliderStyle(), juce::Slider::LinearVertical);
    EXPECT_EQ (h.getSliderStyle(), juce::Slider::LinearHorizontal);
    EXPECT_EQ (v.getTextBoxPosition(), juce::Slider::NoTextBox);
    EXPECT_EQ (h.getTextBoxPosition(), juce::Slider::NoTextBox);
    EXPECT_FALSE (v.isTextBoxEditable());
    EXPECT_EQ (v.getTextBoxWidth(), 0);
    EXPECT_EQ (h.getTextBoxHeight(), 0);
}

TEST (TalvoSliderLookAndFeel, VerticalKnobIsClampedToTheTrack)
{
    using L = TalvoSliderLookAndFeel;

    EXPECT_EQ (L::verticalKnobTop (30.0f, 80, 1.0f), -10);   // inside the range
    EXPECT_EQ (L::verticalKnobTop (20.0f, 80, 1.0f), -11);   // -20 clamped
    EXPECT_EQ (L::verticalKnobTop (410.0f, 80, 1.0f), 322);  // 370 clamped
    EXPECT_EQ (L::verticalKnobTop (362.0f, 80, 1.0f), 322);
    EXPECT_EQ (L::verticalKnobTop (361.9f, 80, 1.0f), 321);  // truncated difference

    // At 0.75 the range is -8 .. 241 (-8.25 and 241.5 truncated toward zero).
    EXPECT_EQ (L::verticalKnobTop (0.0f, 60, 0.75f), -8);
    EXPECT_EQ (L::verticalKnobTop (400.0f, 60, 0.75f), 241);
    EXPECT_EQ (L::verticalKnobTop (30.0f + 241.6f, 60, 0.75f), 241);
    EXPECT_EQ (L::verticalKnobTop (30.0f - 8.9f, 60, 0.75f), -8);

    // An odd knob height is halved by integer division.
    EXPECT_EQ (L::verticalKnobTop (100.0f, 41, 1.0f), 80);

    // Horizontal knobs are never clamped.
    EXPECT_EQ (L::horizontalKnobLeft (5.0f, 32), -11);
    EXPECT_EQ (L::horizontalKnobLeft (5.5f, 33), -10);
}

TEST (TalvoSliderLookAndFeel, KnobIsScaledByTheParentWidth)
{
    TalvoSliderLookAndFeel lf;
    lf.knobImage = solidKnob (44, 80);

    // Position 200: knob top 160 at full size; at half size 180, clamped to 161 (322 x 0.5).
    for (auto [parentWidth, expected] : { std::pair<int, juce::Rectangle<int>> { 496, { 0, 160, 44, 80 } },
                                          std::pair<int, juce::Rectangle<int>> { 248, { 0, 161, 22, 40 } } })
    {
        Panel panel (parentWidth);
        TalvoVSlider slider;
        panel.addAndMakeVisible (slider);
        Canvas c (60, 400);
        lf.drawLinearSlider (c.g, 0, 12, 40, 368, 200.0f, 380.0f, 12.0f, juce::Slider::LinearVertical, slider);
        EXPECT_EQ (paintedBounds (c.image), expected) << parentWidth;
    }

    // A horizontal knob sits at the slider's top, left edge half a knob before the position.
    Panel panel (496);
    TalvoHSlider pan;
    panel.addAndMakeVisible (pan);
    TalvoSliderLookAndFeel panLf;
    panLf.knobImage = solidKnob (32, 32);
    Canvas c (120, 40);
    panLf.drawLinearSlider (c.g, 12, 0, 92, 32, 5.0f, 12.0f, 104.0f, juce::Slider::LinearHorizontal, pan);
    EXPECT_EQ (paintedBounds (c.image), juce::Rectangle<int> (0, 0, 21, 32)); // -11 .. 21, cut at 0
}

TEST (TalvoSliderLookAndFeel, NullKnobOrUnparentedSliderDrawsNothing)
{
    TalvoSliderLookAndFeel lf;
    TalvoVSlider slider;
    Canvas c (40, 400);
    lf.drawLinearSlider (c.g, 0, 12, 40, 368, 100.0f, 380.0f, 12.0f, juce::Slider::LinearVertical, slider);
    EXPECT_TRUE (paintedBounds (c.image).isEmpty());
}

TEST (TalvoSliderLookAndFeel, OtherStylesLookLikeTheFrameworkDefault)
{
    TalvoSliderLookAndFeel lf;
    lf.knobImage = solidKnob (44, 80);
    juce::LookAndFeel_V4 reference;

    for (auto style : { juce::Slider::LinearBar, juce::Slider::Rotary })
    {
        juce::Slider slider (style, juce::Slider::NoTextBox);
        slider.setBounds (0, 0, 80, 80);
        slider.setValue (3.0);

        slider.setLookAndFeel (&lf);
        juce::Image ours (juce::Image::ARGB, 80, 80, true);
        {
            juce::Graphics g (ours);
            slider.paintEntireComponent (g, false);
        }

        slider.setLookAndFeel (&reference);
        juce::Image theirs (juce::Image::ARGB, 80, 80, true);
        {
            juce::Graphics g (theirs);
            slider.paintEntireComponent (g, false);
        }

        slider.setLookAndFeel (nullptr);

        for (int y = 0; y < 80; y += 3)
            for (int x = 0; x < 80; x += 3)
                ASSERT_EQ (ours.getPixelAt (x, y), theirs.getPixelAt (x, y)) << (int) style << " at " << x << "," << y;
    }
}

TEST (OvkSliderLookAndFeel2, ThumbRadiusAndDrawing)
{
    OvkSliderLookAndFeel2 lf;
    juce::Slider slider;
    EXPECT_EQ (lf.getSliderThumbRadius (slider), 0); // null thumb

    lf.thumbImages[1] = solidKnob (20, 25);
    EXPECT_EQ (lf.getSliderThumbRadius (slider), 13);
    lf.thumbImages[1] = solidKnob (20, 24);
    EXPECT_EQ (lf.getSliderThumbRadius (slider), 12);

    // The normal thumb is drawn unscaled, centred on the position by its own height.
    TalvoVSlider fader;
    Canvas c (40, 200);
    lf.drawLinearSlider (c.g, 3, 0, 30, 200, 100.0f, 190.0f, 10.0f, juce::Slider::LinearVertical, fader);
    EXPECT_EQ (paintedBounds (c.image), juce::Rectangle<int> (3, 88, 20, 24));

    // Horizontal sliders show nothing.
    Canvas h (200, 40);
    lf.drawLinearSlider (h.g, 0, 0, 200, 40, 100.0f, 0.0f, 200.0f, juce::Slider::LinearHorizontal, fader);
    EXPECT_TRUE (paintedBounds (h.image).isEmpty());
}
