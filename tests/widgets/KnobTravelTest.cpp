#include "widgets/KnobTravel.h"
#include "widgets/Talvoz6Sliders.h"
#include "widgets/WidgetTestHelpers.h"

#include <gtest/gtest.h>

using WidgetTestHelpers::Canvas;
using WidgetTestHelpers::paintedBounds;
using WidgetTestHelpers::Panel;
using WidgetTestHelpers::solidKnob;

namespace
{
juce::Rectangle<int> scaled (juce::Rectangle<int> design, float s)
{
    return { (int) ((float) design.getX() * s), (int) ((float) design.getY() * s),
             (int) ((float) design.getWidth() * s), (int) ((float) design.getHeight() * s) };
}
} // namespace

// The artwork prints its scales from KnobTravel, so KnobTravel must agree with where the real
// slider and look-and-feel put the knob, at the tier widths and in between.
TEST (KnobTravel, AgreesWithTheRealSliderAndItsKnob)
{
    TalvoSliderLookAndFeel faderLook, panLook;
    faderLook.knobImage = solidKnob (44, 80);
    panLook.knobImage = solidKnob (32, 32);

    constexpr int margin = 100;

    for (int width : { 496, 471, 372, 300, 248 })
    {
        const auto s = (float) width / 496.0f;
        Panel panel (width);
        TalvoVSlider fader;
        TalvoHSlider pan;
        fader.setRange (-90.0, 0.0, 0.5);
        pan.setRange (-1.0, 1.0, 0.1);
        fader.setLookAndFeel (&faderLook); // its travel inset comes from the attached look-and-feel
        pan.setLookAndFeel (&panLook);
        panel.addAndMakeVisible (fader);
        panel.addAndMakeVisible (pan);
        fader.setBounds (scaled ({ 8, 264, 40, 392 }, s));
        pan.setBounds (scaled ({ 4, 232, 116, 32 }, s));

        for (double dB : { 0.0, -0.5, -4.0, -20.0, -45.0, -86.0, -90.0 })
        {
            const auto proportion = (dB + 90.0) / 90.0;
            fader.setValue (dB, juce::dontSendNotification);
            EXPECT_FLOAT_EQ (fader.getPositionOfValue (dB),
                             KnobTravel::sliderPosition (fader.getHeight(), fader.getWidth(), proportion, true)) << width << " " << dB;

            // Drawn on a margin, since the fader itself cuts off what overhangs its ends.
            Canvas c (fader.getWidth() + 60, fader.getHeight() + 200);
            c.g.setOrigin (0, margin);
            faderLook.drawLinearSlider (c.g, 0, 0, fader.getWidth(), fader.getHeight(), (float) fader.getPositionOfValue (dB),
                                        0.0f, 0.0f, juce::Slider::LinearVertical, fader);
            const auto knob = paintedBounds (c.image);
            EXPECT_FLOAT_EQ ((float) (knob.getY() - margin) + (float) knob.getHeight() * 0.5f,
                             KnobTravel::verticalKnobCentre (fader.getWidth(), fader.getHeight(), s, 80, proportion))
                << width << " " << dB;
        }

        for (double value : { -1.0, -0.3, 0.0, 1.0 })
        {
            pan.setValue (value, juce::dontSendNotification);
            const auto proportion = (value + 1.0) / 2.0;
            EXPECT_FLOAT_EQ (pan.getPositionOfValue (value),
                             KnobTravel::sliderPosition (pan.getWidth(), pan.getHeight(), proportion, false)) << width << " " << value;

            Canvas c (pan.getWidth() + 200, pan.getHeight());
            c.g.setOrigin (margin, 0);
            panLook.drawLinearSlider (c.g, 0, 0, pan.getWidth(), pan.getHeight(), (float) pan.getPositionOfValue (value),
                                      0.0f, 0.0f, juce::Slider::LinearHorizontal, pan);
            const auto knob = paintedBounds (c.image);
            EXPECT_FLOAT_EQ ((float) (knob.getX() - margin) + (float) knob.getWidth() * 0.5f,
                             KnobTravel::horizontalKnobCentre (pan.getWidth(), pan.getHeight(), s, 32, proportion))
                << width << " " << value;
        }

        fader.setLookAndFeel (nullptr);
        pan.setLookAndFeel (nullptr);
    }

    // The travel inset follows the slider's cross size up to 12, and odd proportions clamp.
    EXPECT_EQ (KnobTravel::travelInset (40), 12);
    EXPECT_EQ (KnobTravel::travelInset (21), 10);
    EXPECT_EQ (KnobTravel::travelInset (0), 0);
    EXPECT_FLOAT_EQ (KnobTravel::sliderPosition (392, 40, 2.0, true), 12.0f);
    EXPECT_FLOAT_EQ (KnobTravel::sliderPosition (10, 40, 0.5, true), 12.0f); // no travel left: no negative length
}
