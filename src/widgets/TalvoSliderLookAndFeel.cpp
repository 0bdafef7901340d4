#include "widgets/TalvoSliderLookAndFeel.h"

#include "widgets/KnobTravel.h"

TalvoSliderLookAndFeel::~TalvoSliderLookAndFeel() = default;

int TalvoSliderLookAndFeel::horizontalKnobLeft (float sliderPos, int knobWidth)
{
    return KnobTravel::horizontalKnobLeft (sliderPos, knobWidth);
}

int TalvoSliderLookAndFeel::verticalKnobTop (float sliderPos, int knobHeight, float s)
{
    return KnobTravel::verticalKnobTop (sliderPos, knobHeight, s);
}

void TalvoSliderLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height,
                                               float sliderPos, float minSliderPos, float maxSliderPos,
                                               juce::Slider::SliderStyle style, juce::Slider& slider)
{
    if (style != juce::Slider::LinearHorizontal && style != juce::Slider::LinearVertical)
    {
        juce::LookAndFeel_V4::drawLinearSlider (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
        return;
    }

    const auto s = (float) slider.getParentWidth() / 496.0f;
    const auto knobW = KnobTravel::scaledKnobSize (knobImage.getWidth(), s);
    const auto knobH = KnobTravel::scaledKnobSize (knobImage.getHeight(), s);

    // A null knob, or a slider whose parent has no width yet, has nothing to show.
    if (! knobImage.isValid() || knobW <= 0 || knobH <= 0)
        return;

    const auto knob = knobImage.rescaled (knobW, knobH, juce::Graphics::highResamplingQuality);

    if (style == juce::Slider::LinearHorizontal)
        g.drawImageAt (knob, horizontalKnobLeft (sliderPos, knob.getWidth()), y);
    else
        g.drawImageAt (knob, x, verticalKnobTop (sliderPos, knob.getHeight(), s));
}
