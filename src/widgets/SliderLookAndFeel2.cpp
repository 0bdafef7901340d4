#include "widgets/SliderLookAndFeel2.h"

OvkSliderLookAndFeel2::~OvkSliderLookAndFeel2() = default;

void OvkSliderLookAndFeel2::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height,
                                              float sliderPos, float minSliderPos, float maxSliderPos,
                                              juce::Slider::SliderStyle style, juce::Slider& slider)
{
    drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
}

void OvkSliderLookAndFeel2::drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                                   float sliderPos, float minSliderPos, float maxSliderPos,
                                                   juce::Slider::SliderStyle style, juce::Slider& slider)
{
    if (style == juce::Slider::LinearHorizontal)
        return;

    if (style != juce::Slider::LinearVertical)
    {
        juce::LookAndFeel_V2::drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
        return;
    }

    const bool highlighted = slider.isEnabled() && (slider.isMouseOverOrDragging() || slider.isMouseButtonDown());

    // Centred by the normal thumb's height, whichever thumb is shown.
    const auto top = (int) (sliderPos - (float) (thumbImages[1].getHeight() / 2));
    g.drawImageAt (highlighted ? thumbImages[0] : thumbImages[1], x, top);
}

int OvkSliderLookAndFeel2::getSliderThumbRadius (juce::Slider&)
{
    const auto h = thumbImages[1].getHeight();
    return (h + h % 2) / 2;
}
