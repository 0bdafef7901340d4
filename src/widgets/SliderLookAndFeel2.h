#pragma once

#include "widgets/LookAndFeelDestructor.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** A fader look that draws only an unscaled thumb bitmap: thumbImages[0] while the slider is
    highlighted (enabled and hovered, dragged or pressed), thumbImages[1] otherwise. Vertical
    sliders only; a horizontal slider shows nothing. Message thread only.
*/
class OvkSliderLookAndFeel2 final : public juce::LookAndFeel_V4
{
public:
    OvkSliderLookAndFeel2() = default;
    TALVO_LOOK_AND_FEEL_DESTRUCTOR ~OvkSliderLookAndFeel2() override;

    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPos, float minSliderPos, float maxSliderPos,
                           juce::Slider::SliderStyle, juce::Slider&) override;

    void drawLinearSliderThumb (juce::Graphics&, int x, int y, int width, int height,
                                float sliderPos, float minSliderPos, float maxSliderPos,
                                juce::Slider::SliderStyle, juce::Slider&) override;

    /** Half the normal thumb's height, rounded up; 0 without a normal thumb. */
    int getSliderThumbRadius (juce::Slider&) override;

    /** [0] the highlighted thumb, [1] the normal thumb; the others are not read. Null at first. */
    juce::Image thumbImages[12];

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OvkSliderLookAndFeel2)
};
